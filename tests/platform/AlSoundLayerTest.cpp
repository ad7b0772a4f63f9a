// The sound layer on the loopback device: what the rendered samples show of playing, pausing,
// looping, fading and gains, and how the layer reports ends, loops and offsets.
#include "AlTestSupport.h"

#include "platform/AlSoundException.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <OgreException.h>

#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

using namespace tolva;
using tolva::test::soundFile;

namespace {

class SoundLayer : public ::testing::Test {
protected:
    al::Sound* make(const std::string& file = "tone-mono-1s", bool loop = false, bool stream = false)
    {
        al::Sound* sound = mManager->createSound("test", soundFile(file), loop, stream);
        sound->setRelativeToListener(true);
        return sound;
    }

    tolva::test::LogCapture mLog;
    std::unique_ptr<al::SoundManager> mManager = al::SoundManager::createLoopback();
    tolva::test::LoopbackListening mEars{*mManager};
};

/// Records the layer's calls to a listener.
class RecordingListener : public al::Sound::Listener {
public:
    void soundStopped(al::Sound*) override { calls.push_back("stopped"); }
    void soundLooped(al::Sound*) override { calls.push_back("looped"); }
    void soundAtOffset(al::Sound*, float offset, float position) override
    {
        calls.push_back("offset " + std::to_string(offset).substr(0, 4));
        EXPECT_GE(position, offset);
    }
    std::vector<std::string> calls;
};

const float ToneLevel = 0.212f; // a 0.5 sine at full gain, centred on two channels

/// The Ogg data with the granule position of its last page set to `granule` (the length in
/// samples a player reads from the file), the page's checksum made right again.
std::string withStatedLength(std::string ogg, std::uint64_t granule)
{
    const size_t page = ogg.rfind("OggS");
    const size_t segments = static_cast<unsigned char>(ogg[page + 26]);
    size_t size = 27 + segments;
    for (size_t i = 0; i < segments; ++i) {
        size += static_cast<unsigned char>(ogg[page + 27 + i]);
    }
    for (int i = 0; i < 8; ++i) {
        ogg[page + 6 + i] = static_cast<char>(granule >> (8 * i));
    }
    for (int i = 0; i < 4; ++i) {
        ogg[page + 22 + i] = 0;
    }
    std::uint32_t crc = 0;
    for (size_t i = page; i < page + size; ++i) {
        crc ^= static_cast<std::uint32_t>(static_cast<unsigned char>(ogg[i])) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
        }
    }
    for (int i = 0; i < 4; ++i) {
        ogg[page + 22 + i] = static_cast<char>(crc >> (8 * i));
    }
    return ogg;
}

} // namespace

TEST_F(SoundLayer, PlayingPausingAndFinishingShowInTheSamples)
{
    al::Sound* sound = make();
    int finished = 0;
    sound->setFinishedHandler([&](al::Sound* which) {
        EXPECT_EQ(sound, which);
        ++finished;
    });
    EXPECT_TRUE(sound->isInitial());
    EXPECT_NEAR(0.0f, mEars.level(0.1f), 1e-6f);

    ASSERT_TRUE(sound->play());
    EXPECT_NEAR(ToneLevel, mEars.level(0.4f), 0.01f);
    EXPECT_TRUE(sound->pause());
    EXPECT_EQ(0.0f, mEars.level(0.3f)) << "a paused sound is silent";
    EXPECT_NEAR(0.4f, sound->getSecondOffset(), 0.01f);
    EXPECT_EQ(mManager->getSourceCount() - 1, mManager->getFreeSourceCount()) << "a paused sound keeps its source";

    ASSERT_TRUE(sound->play());
    const std::vector<float> levels = mEars.listen(0.8f, 0.1f);
    EXPECT_NEAR(ToneLevel, levels[0], 0.01f) << "playing resumes where it paused";
    EXPECT_EQ(0.0f, levels.back()) << "the tone ends 0.6 s after resuming";
    EXPECT_TRUE(sound->isStopped());
    EXPECT_EQ(1, finished);
    EXPECT_EQ(mManager->getSourceCount(), mManager->getFreeSourceCount());
}

TEST_F(SoundLayer, GainsCategoryScaleAndMinimumGainCompose)
{
    struct Case {
        float gain, scale, minGain, level;
    } cases[] = {
        {1.0f, 1.0f, 0.0f, ToneLevel},
        {0.5f, 1.0f, 0.0f, ToneLevel / 2},
        {1.0f, 0.25f, 0.0f, ToneLevel / 4},
        // A muted category silences a sound whose minimum gain is above zero.
        {0.0f, 0.0f, 0.2f, 0.0f},
        {0.0f, 1.0f, 0.2f, ToneLevel / 5},
    };
    al::Sound* sound = make("tone-mono-1s", true);
    sound->play();
    for (const Case& c : cases) {
        sound->setGain(c.gain);
        sound->setGainScale(c.scale);
        sound->setMinGain(c.minGain);
        const std::vector<float> levels = mEars.listen(0.2f, 0.1f);
        EXPECT_NEAR(c.level, levels.back(), 0.005f) << c.gain << " " << c.scale << " " << c.minGain;
    }
}

TEST_F(SoundLayer, LoopsAreReportedToHandlerAndListenersAndWatchedOffsetsOncePerPass)
{
    for (bool stream : {false, true}) {
        al::Sound* sound = make("tone-mono-short", true, stream);
        RecordingListener listener;
        listener.getWatchedOffsets() = {0.1f, 0.2f};
        sound->addListener(&listener);
        int loops = 0;
        sound->setLoopHandler([&](al::Sound*) { ++loops; });
        sound->play();
        mEars.listen(0.4f);
        EXPECT_EQ(1, loops) << "stream " << stream;
        EXPECT_EQ((std::vector<std::string>{"offset 0.10", "offset 0.20", "looped", "offset 0.10"}), listener.calls)
            << "stream " << stream;
        EXPECT_TRUE(sound->isPlaying());
        EXPECT_NEAR(0.4f - 0.25f, sound->getSecondOffset(), 0.03f);
        mManager->destroySound(sound);
    }
}

TEST_F(SoundLayer, FadesRampTheGainAndAFadeOutEndsInSilentStop)
{
    al::Sound* sound = make("tone-mono-long");
    ASSERT_TRUE(sound->isStreaming()) << "a file longer than the threshold is streamed";
    int finished = 0;
    sound->setFinishedHandler([&](al::Sound*) { ++finished; });

    ASSERT_TRUE(sound->fadeIn(0.5f));
    const std::vector<float> in = mEars.listen(0.6f, 0.1f);
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_GT(in[i], in[i - 1] + 0.02f) << "fading in, step " << i;
    }
    EXPECT_NEAR(ToneLevel, in.back(), 0.01f);
    EXPECT_FALSE(sound->isFading());

    ASSERT_TRUE(sound->fadeOut(0.5f));
    const std::vector<float> out = mEars.listen(0.8f, 0.1f);
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_LT(out[i], out[i - 1] - 0.02f) << "fading out, step " << i;
    }
    EXPECT_EQ(0.0f, out.back());
    EXPECT_TRUE(sound->isStopped());
    EXPECT_EQ(0, finished) << "a fade-out is not the end of the sound";
}

TEST_F(SoundLayer, SoundsFollowTheirNodeAndRelativeSoundsStayAtTheListener)
{
    Ogre::Root root("", "", "");
    Ogre::SceneManager* scene = root.createSceneManager();
    Ogre::SceneNode* soundNode = scene->getRootSceneNode()->createChildSceneNode();
    Ogre::SceneNode* listenerNode = scene->getRootSceneNode()->createChildSceneNode();
    listenerNode->attachObject(mManager->getListener());
    al::Sound* positioned = make("tone-mono-1s", true);
    positioned->setRelativeToListener(false);
    soundNode->attachObject(positioned);
    positioned->play();

    mEars.listen(0.1f);
    EXPECT_NEAR(ToneLevel, mEars.level(0.1f), 0.01f);
    soundNode->setPosition(0, 0, -8);
    mEars.listen(0.1f);
    EXPECT_NEAR(ToneLevel / 8, mEars.level(0.1f), 0.01f) << "inverse distance: an eighth at 8 m";
    listenerNode->setPosition(0, 0, -6);
    mEars.listen(0.1f);
    EXPECT_NEAR(ToneLevel / 2, mEars.level(0.1f), 0.01f) << "the listener follows its node";

    positioned->setRelativeToListener(true);
    listenerNode->setPosition(0, 0, 100);
    mEars.listen(0.1f);
    EXPECT_NEAR(ToneLevel, mEars.level(0.1f), 0.01f) << "a relative sound stays at the listener";
    soundNode->detachObject(positioned);
    listenerNode->detachObject(mManager->getListener());
}

TEST_F(SoundLayer, PlaysAnEmptyPoolRefusesAreWarnedAboutOncePerUpdateWithTheirCount)
{
    mManager.reset(); // one manager at a time
    auto small = al::SoundManager::createLoopback(44100, 2);
    al::Sound* sounds[6];
    for (al::Sound*& sound : sounds) {
        sound = small->createSound("s", soundFile("tone-mono-1s"));
    }
    const auto warnings = [&] {
        std::vector<std::string> found;
        for (const std::string& line : mLog.getLines()) {
            if (line.find("Every sound source is in use") != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    };
    struct Update {
        std::vector<int> plays; // sounds asked to play before the update
        bool stopFirst;         // the first sound stops and gives its source back
        const char* warning;    // the one new line, or none
    } updates[] = {
        {{0, 1, 2, 3, 4, 5}, false, "4 sounds could not play"},
        {{2, 3, 4, 5, 2}, false, nullptr}, // counted already, until they play
        {{}, false, nullptr},
        {{2}, true, nullptr}, // plays on the freed source
        {{2, 0, 3}, true, "1 sound could not play"},
    };
    size_t seen = 0;
    for (const Update& update : updates) {
        if (update.stopFirst) {
            sounds[0]->stop();
        }
        for (int index : update.plays) {
            sounds[index]->play();
        }
        EXPECT_EQ(seen, warnings().size()) << "nothing before the update";
        small->update(0.01f);
        const std::vector<std::string> lines = warnings();
        ASSERT_EQ(seen + (update.warning ? 1 : 0), lines.size());
        if (update.warning) {
            EXPECT_NE(std::string::npos, lines.back().find(update.warning)) << lines.back();
            EXPECT_NE(std::string::npos, lines.back().find(soundFile("tone-mono-1s"))) << lines.back();
        }
        seen = lines.size();
    }
    EXPECT_TRUE(sounds[1]->isPlaying() && sounds[2]->isPlaying());
}

TEST_F(SoundLayer, ADeviceThatCannotBeOpenedIsAnError)
{
    mManager.reset(); // one manager at a time
    try {
        al::SoundManager manager("no such device", 4);
        ADD_FAILURE() << "a manager without a device";
    } catch (const Ogre::Exception& error) {
        EXPECT_NE(std::string::npos, error.getDescription().find("No sound device could be opened ('no such device')"));
    }
}

TEST_F(SoundLayer, MissingOrDamagedFilesAreErrorsNotCrashes)
{
    tolva::test::TempDir dir;
    std::ifstream tone(soundFile("tone-mono-long"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(tone)), std::istreambuf_iterator<char>());
    const std::string garbage = dir.write("garbage.ogg", std::string(4000, 'x'));
    const std::string headerOnly = dir.write("header.ogg", bytes.substr(0, 200));
    std::string scrambled = bytes;
    // Pages of about a second follow the headers (some 4 kB); this hits one near the start.
    for (size_t i = 6000; i < 6400; ++i) {
        scrambled[i] = static_cast<char>(i * 7);
    }
    const std::string damaged = dir.write("damaged.ogg", scrambled);

    EXPECT_THROW(mManager->createSound("s", dir.file("missing.ogg")), al::SoundException);
    EXPECT_THROW(mManager->createSound("s", garbage), al::SoundException);
    EXPECT_THROW(mManager->createSound("s", headerOnly), al::SoundException);
    // Damage in the middle: what decodes plays, before and after the damage.
    for (bool stream : {false, true}) {
        al::Sound* sound = mManager->createSound("s", damaged, false, stream);
        sound->setRelativeToListener(true);
        EXPECT_TRUE(sound->play());
        const std::vector<float> levels = mEars.listen(3.0f, 0.5f);
        EXPECT_GT(levels.front(), 0.2f) << stream;
        EXPECT_GT(levels.back(), 0.2f) << stream;
        mManager->destroySound(sound);
    }
}

TEST_F(SoundLayer, AFileHoldingMoreThanItStatesIsStreamedWhenItDecodesPastTheThreshold)
{
    tolva::test::TempDir dir;
    struct Case {
        const char* source; // a tone of 12 s, or of 1 s
        std::uint64_t stated;
        bool streamed;
    } cases[] = {
        {"tone-mono-long", 1000, true},
        {"tone-mono-long", 44100 * 12, true},
        {"tone-mono-1s", 1000, false},
    };
    for (const Case& c : cases) {
        std::ifstream in(soundFile(c.source), std::ios::binary);
        const std::string ogg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string file
            = dir.write(std::string(c.source) + std::to_string(c.stated) + ".ogg", withStatedLength(ogg, c.stated));
        al::Sound* sound = mManager->createSound("s", file);
        EXPECT_EQ(c.streamed, sound->isStreaming()) << c.source << " stating " << c.stated;
        mManager->destroySound(sound);
    }
    EXPECT_EQ(1,
        mLog.count("Warning: Sound file '" + dir.file("tone-mono-long1000.ogg")
            + "' holds more sound than it states; it is streamed."));

    al::Sound* lying = mManager->createSound("s", dir.file("tone-mono-long1000.ogg"));
    lying->setRelativeToListener(true);
    ASSERT_TRUE(lying->play());
    const std::vector<float> levels = mEars.listen(11.5f, 0.5f);
    EXPECT_GT(levels.back(), 0.2f) << "it plays on past what it states";
}

TEST_F(SoundLayer, CallbacksMayDestroySoundsAndListenersMayGoFirst)
{
    al::Sound* first = make("tone-mono-short");
    al::Sound* second = make("tone-mono-short");
    auto listener = std::make_unique<RecordingListener>();
    first->addListener(listener.get());
    second->addListener(listener.get());
    // Both end in the same update: whichever handler runs first destroys both.
    int handled = 0;
    const auto destroyBoth = [&](al::Sound*) {
        ++handled;
        mManager->destroySound(first);
        mManager->destroySound(second);
    };
    first->setFinishedHandler(destroyBoth);
    second->setFinishedHandler(destroyBoth);
    first->play();
    second->play();
    mEars.listen(0.4f);
    EXPECT_EQ(0u, mManager->getSounds().size());
    EXPECT_EQ(1, handled);
    EXPECT_EQ(std::vector<std::string>{"stopped"}, listener->calls);

    al::Sound* third = make("tone-mono-short");
    third->addListener(listener.get());
    listener.reset();
    third->play();
    mEars.listen(0.4f);
    EXPECT_TRUE(third->isStopped()) << "a listener that went first is not called";
}

TEST_F(SoundLayer, ASourceShowsTheLatestPlaceAndGainWhateverChangedThemAndWhenever)
{
    Ogre::Root root("", "", "");
    Ogre::SceneManager* scene = root.createSceneManager();
    Ogre::SceneNode* node = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(1, 2, 3));
    Ogre::SceneNode* otherNode = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(-7, 0, 0));
    al::Sound* sound = make("tone-mono-1s", true);
    al::Sound* other = make("tone-mono-1s", true);
    sound->setRelativeToListener(false);
    other->setRelativeToListener(false);
    node->attachObject(sound);
    otherNode->attachObject(other);
    const auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            scene->getRootSceneNode()->_update(true, false);
            mManager->update(0.02f);
        }
    };
    struct Case {
        const char* change;
        std::function<void()> act;
        Ogre::Vector3 position;
        float gain;
    } cases[] = {
        {"still, then moved", [&] { node->setPosition(4, 5, 6); }, {4, 5, 6}, 0.5f},
        {"a run of equal gains, then another", [&] { sound->setGain(0.25f); }, {4, 5, 6}, 0.25f},
        {"the category's scale", [&] { sound->setGainScale(0.5f); }, {4, 5, 6}, 0.125f},
        // The freed source shows the other sound's place until this one has it again.
        {"stopped, its source lent to another, played again",
            [&] {
                sound->stop();
                other->play();
                frames(2);
                other->stop();
                sound->play();
            },
            {4, 5, 6}, 0.125f},
        {"paused, moved, resumed",
            [&] {
                sound->pause();
                node->setPosition(0, 0, 9);
                frames(2);
                sound->play();
            },
            {0, 0, 9}, 0.125f},
        {"relative to the listener and back, unmoved",
            [&] {
                sound->setRelativeToListener(true);
                frames(2);
                sound->setRelativeToListener(false);
            },
            {0, 0, 9}, 0.125f},
        {"a fade cancelled halfway",
            [&] {
                sound->fadeOut(1.0f);
                frames(10);
                sound->cancelFade();
            },
            {0, 0, 9}, 0.125f},
    };
    sound->setGain(0.5f);
    sound->play();
    for (const Case& c : cases) {
        frames(3);
        c.act();
        frames(1);
        ASSERT_TRUE(sound->isPlaying()) << c.change;
        const ALuint source = sound->getSource();
        Ogre::Vector3 position;
        alGetSource3f(source, AL_POSITION, &position.x, &position.y, &position.z);
        ALfloat gain = 0;
        alGetSourcef(source, AL_GAIN, &gain);
        EXPECT_EQ(c.position, position) << c.change;
        EXPECT_FLOAT_EQ(c.gain, gain) << c.change;
    }
    node->detachObject(sound);
    otherNode->detachObject(other);
}

TEST_F(SoundLayer, ASoundThatOnlyFollowsItsNodeStillHearsOfWhatGivesItMoreToDo)
{
    Ogre::Root root("", "", "");
    Ogre::SceneManager* scene = root.createSceneManager();
    Ogre::SceneNode* elsewhere = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(5, 5, 5));
    struct Case {
        const char* change;
        std::function<void(al::Sound*, Ogre::SceneNode*&)> act;
        bool playing;
        Ogre::Vector3 position;
    } cases[] = {
        {"hung on another node",
            [&](al::Sound* s, Ogre::SceneNode*& n) {
                n->detachObject(s);
                elsewhere->attachObject(s);
            },
            true, {5, 5, 5}},
        // The source keeps the last place it was given.
        {"its node destroyed",
            [&](al::Sound*, Ogre::SceneNode*& n) {
                scene->destroySceneNode(n);
                n = nullptr;
            },
            true, {1, 2, 3}},
        {"faded out", [](al::Sound* s, Ogre::SceneNode*&) { s->fadeOut(0.1f); }, false, {}},
    };
    for (const Case& c : cases) {
        Ogre::SceneNode* node = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(1, 2, 3));
        al::Sound* sound = make("tone-mono-1s", true);
        sound->setRelativeToListener(false);
        node->attachObject(sound);
        sound->play();
        const auto frames = [&](int count) {
            for (int i = 0; i < count; ++i) {
                scene->getRootSceneNode()->_update(true, false);
                mManager->update(0.05f);
            }
        };
        frames(3);
        c.act(sound, node);
        // A node that moves now is no longer the sound's.
        if (node && sound->getParentNode() != node) {
            node->setPosition(9, 9, 9);
        }
        frames(4);
        EXPECT_EQ(c.playing, sound->isPlaying()) << c.change;
        if (const ALuint source = sound->getSource()) {
            Ogre::Vector3 position;
            alGetSource3f(source, AL_POSITION, &position.x, &position.y, &position.z);
            EXPECT_EQ(c.position, position) << c.change;
        } else {
            EXPECT_EQ(mManager->getSourceCount(), mManager->getFreeSourceCount()) << c.change;
        }
        sound->detachFromParent();
        mManager->destroySound(sound);
        if (node) {
            scene->destroySceneNode(node);
        }
    }
}

TEST_F(SoundLayer, ALoopingSoundNobodyHeardIsHeardFromOnceAListenerHandlerOrItsEndComes)
{
    struct Case {
        const char* change;
        std::function<void(al::Sound*, RecordingListener&, int&)> act;
        std::vector<std::string> calls;
        int loops;
        bool stopped;
    } cases[] = {
        {"a listener", [](al::Sound* s, RecordingListener& l, int&) { s->addListener(&l); }, {"looped"}, 0, false},
        {"a loop handler",
            [](al::Sound* s, RecordingListener&, int& loops) { s->setLoopHandler([&loops](al::Sound*) { ++loops; }); },
            {}, 1, false},
        {"no more looping", [](al::Sound* s, RecordingListener& l, int&) {
             s->addListener(&l);
             s->removeListener(&l);
             s->setLoop(false);
         },
            {}, 0, true},
    };
    for (const Case& c : cases) {
        al::Sound* sound = make("tone-mono-short", true);
        RecordingListener listener;
        int loops = 0;
        sound->play();
        mEars.listen(0.3f);
        c.act(sound, listener, loops);
        mEars.listen(0.25f);
        EXPECT_EQ(c.calls, listener.calls) << c.change;
        EXPECT_EQ(c.loops, loops) << c.change;
        EXPECT_EQ(c.stopped, sound->isStopped()) << c.change;
        mManager->destroySound(sound);
    }
}

TEST_F(SoundLayer, ASoundThatRanOutJustBeforeItWasMadeToLoopEndsAndGivesBackItsSource)
{
    al::Sound* sound = make("tone-mono-short");
    int finished = 0;
    sound->setFinishedHandler([&](al::Sound*) { ++finished; });
    sound->play();
    // The mixer plays the sound out between two updates; looping is switched on after that.
    std::vector<float> samples(2 * 44100 / 2);
    mManager->renderSamples(samples.data(), 44100 / 2);
    sound->setLoop(true);
    mManager->update(0.5f);
    EXPECT_TRUE(sound->isStopped());
    EXPECT_EQ(1, finished);
    EXPECT_EQ(mManager->getSourceCount(), mManager->getFreeSourceCount());
}
