// The music manager: background, motifs chosen by probability after pauses, fades, listeners.
#include "AudioFixture.h"

#include "audio/MusicManager.h"
#include "audio/SoundListener.h"
#include "platform/AlSound.h"
#include "support/CallRecorder.h"

#include <cmath>
#include <functional>
#include <map>

using namespace tolva;
using tolva::test::CallRecorder;
using tolva::test::soundFile;

namespace {

class MotifRecorder : public MusicManager::Listener {
public:
    explicit MotifRecorder(CallRecorder recorder)
        : mRecorder(std::move(recorder))
    {
    }
    void motifPlay(const std::string& name) override { mRecorder.record("play " + name); }
    void motifStop(const std::string& name) override { mRecorder.record("stop " + name); }
    CallRecorder mRecorder;
};

class Music : public tolva::test::AudioFixture {
protected:
    void SetUp() override
    {
        AudioFixture::SetUp();
        mMusic = mAudio->getMusicManager();
        mMusic->setSeed(17);
        mConnection.reset(mMusic->interfaceMusicManagerListener().connect(&mRecorder));
    }

    /// Frames until a motif starts, stops it, and frames once more; the name chosen, or "" when
    /// none started within the given frames.
    std::string choose(int frames = 1)
    {
        mCalls.clear();
        for (int i = 0; i < frames && mCalls.empty(); ++i) {
            frame(0.01f);
        }
        const std::string chosen = mCalls.empty() ? "" : mCalls.front().substr(std::string("m:play ").size());
        mMusic->stopMotifs();
        frame(0.01f);
        mMusic->playMotifs();
        return chosen;
    }

    MusicManager* mMusic = nullptr;
    std::vector<std::string> mCalls;
    MotifRecorder mRecorder{CallRecorder(mCalls, "m")};
    std::unique_ptr<Connection<MusicManager::Listener>> mConnection;
};

} // namespace

TEST_F(Music, MotifsArePickedWithTheirProbabilities)
{
    mMusic->setSpaceMaximum(0.0f);
    mMusic->addMotif(soundFile("tone-mono-1s"), "A", 1.0f);
    mMusic->addMotif(soundFile("tone-mono-1s"), "B", 0.5f);
    std::map<std::string, int> picks;
    for (int i = 0; i < 4000; ++i) {
        ++picks[choose()];
    }
    EXPECT_EQ(0, picks[""]) << "a motif of probability 1 is a candidate every time";
    EXPECT_NEAR(0.75, picks["A"] / 4000.0, 0.02) << "A is picked three times as often as B";

    // Two motifs of 0.3: a draw above 0.3 plays nothing in that frame; the next frame draws again.
    mMusic->removeMotif("A");
    mMusic->setProbability("B", 0.3f);
    mMusic->addMotif(soundFile("tone-mono-1s"), "C", 0.3f);
    picks.clear();
    for (int i = 0; i < 4000; ++i) {
        ++picks[choose()];
    }
    EXPECT_NEAR(0.7, picks[""] / 4000.0, 0.03);
    EXPECT_NEAR(1.0, picks["B"] / static_cast<double>(picks["C"]), 0.15);
}

TEST_F(Music, MotifsPauseBetweenThemAndFadesDriveTheirTargets)
{
    mMusic->setBackground(soundFile("tone-low-mono-1s"));
    ASSERT_NE(nullptr, mMusic->getBackground());
    EXPECT_EQ("MusicManager_Background_0", mMusic->getBackground()->getName());
    EXPECT_TRUE(mMusic->getBackground()->isLooping());
    EXPECT_EQ(Sound::CAT_MUSIC, mMusic->getBackground()->getCategory());
    mMusic->addMotif(soundFile("tone-mono-short"), "", 0.0f);
    mMusic->setSpaceMinimum(0.5f);
    mMusic->setSpaceMaximum(0.5f);

    float time = 0.0f;
    std::vector<std::pair<std::string, float>> timeline;
    mRecorder.mRecorder.onCall = [&] { timeline.emplace_back(mCalls.back(), time); };
    for (; time < 1.0f; time += 0.05f) {
        listen(0.05f);
    }
    ASSERT_EQ(3u, timeline.size());
    EXPECT_EQ("m:play MusicManager_Motif_0", timeline[0].first);
    EXPECT_NEAR(0.25f, timeline[1].second, 0.06f) << timeline[1].first;
    EXPECT_NEAR(0.25f + 0.5f, timeline[2].second, 0.11f) << "after the pause: " << timeline[2].first;
    EXPECT_TRUE(mMusic->getBackground()->isPlaying());

    Sound* motif = mMusic->getMotif("MusicManager_Motif_0");
    mMusic->fade(1.0f, 0.0f, MusicManager::FADE_MOTIFS);
    frame(0.5f);
    EXPECT_NEAR(0.5f, motif->getGain(), 1e-4f);
    EXPECT_EQ(1.0f, mMusic->getBackground()->getGain());
    mMusic->fade(1.0f, 0.2f, 0);
    frame(1.0f);
    EXPECT_NEAR(0.2f, motif->getGain(), 1e-4f);
    EXPECT_NEAR(0.2f, mMusic->getBackground()->getGain(), 1e-4f) << "tag 0 fades everything";
}

TEST_F(Music, MusicIsHeardAtTheListenerWhereverItGoes)
{
    mMusic->setBackground(soundFile("tone-low-mono-1s"));
    mMusic->addMotif(soundFile("tone-mono-1s"), "A", 1.0f);
    mAudio->getListener()->setPosition(Ogre::Vector3(0, 0, 50));
    mMusic->stopMotifs();
    listen(0.1f);
    EXPECT_NEAR(tolva::test::ToneLevel, level(0.1f), 0.005f);
    EXPECT_TRUE(mMusic->getMotif("A")->isRelativeToListener());
}

TEST_F(Music, NamesCountUpAndFailuresAndUnknownMotifsAreLogged)
{
    EXPECT_EQ("MusicManager_Motif_0", mMusic->addMotif(soundFile("tone-mono-1s"), "", 0.5f));
    EXPECT_EQ("MusicManager_Motif_1", mMusic->addMotif(soundFile("tone-mono-short"), "", 0.5f));
    EXPECT_EQ("MusicManager_Motif_1", mMusic->addMotifUnique(soundFile("tone-mono-short"), "", 0.1f));
    EXPECT_EQ("", mMusic->addMotif("missing.ogg", "", 0.5f));
    EXPECT_EQ("MusicManager_Motif_3", mMusic->addMotif(soundFile("tone-mono-1s"), "", 0.5f));
    mMusic->setBackground("missing.ogg", "bg");
    EXPECT_EQ(nullptr, mMusic->getBackground());
    EXPECT_EQ(2, mLog->count("Error: Sound file 'missing.ogg' was not found."));
    EXPECT_TRUE(mLog->contains("Error: Failed to create motif from file 'missing.ogg'"));
    EXPECT_TRUE(mLog->contains("Error: Failed to create background music from file 'missing.ogg'"));

    EXPECT_EQ(0.0f, mMusic->getProbability("none"));
    mMusic->setProbability("none", 1.0f);
    mMusic->removeMotif("none");
    for (const char* line : {"Warning: Requested probability of non-existent motif 'none'.",
             "Warning: Attempt to set probability of non-existent motif 'none'.",
             "Warning: Requested removal of non-existent motif 'none'."}) {
        EXPECT_TRUE(mLog->contains(line)) << line;
    }
    mMusic->setSpaceMinimum(20.0f);
    EXPECT_EQ(10.0f, mMusic->getSpaceMinimum());
    mMusic->setSpaceMinimum(2.0f);
    mMusic->setSpaceMaximum(-1.0f);
    EXPECT_EQ(2.0f, mMusic->getSpaceMaximum());
}

TEST_F(Music, ZeroOrUnusableProbabilitiesAndPausesNeverHangOrBreakTheChoice)
{
    mMusic->setSpaceMaximum(0.0f);
    mMusic->addMotif(soundFile("tone-mono-1s"), "only", 0.0f);
    EXPECT_EQ("only", choose()) << "a single motif plays whatever its probability";
    mMusic->addMotif(soundFile("tone-mono-1s"), "other", std::nanf(""));
    EXPECT_EQ(0.0f, mMusic->getProbability("other"));
    mMusic->setProbability("only", std::nanf(""));
    EXPECT_EQ(0.0f, mMusic->getProbability("only"));
    EXPECT_EQ("", choose(500)) << "motifs that are all 0 are practically never picked";

    mMusic->setSpaceMinimum(std::nanf(""));
    mMusic->setSpaceMaximum(std::nanf(""));
    EXPECT_EQ(0.0f, mMusic->getSpaceMinimum());
    EXPECT_EQ(0.0f, mMusic->getSpaceMaximum());
    mMusic->playMotif("other");
    mMusic->stopMotifs();
    frame(0.01f);
    EXPECT_EQ(0.0f, mMusic->getSpace());
}

TEST_F(Music, TheCurrentMotifSurvivesAProbabilityChangeAndMotifsDestroyedElsewhereAreForgotten)
{
    mMusic->addMotif(soundFile("tone-mono-1s"), "A", 0.5f);
    mMusic->addMotif(soundFile("tone-mono-1s"), "B", 0.5f);
    mMusic->playMotif("A");
    mMusic->setProbability("A", 0.9f);
    frame(0.01f);
    EXPECT_TRUE(mMusic->isMotifPlaying());
    mMusic->removeMotif("A");
    EXPECT_FALSE(mMusic->isMotifPlaying());

    mMusic->playMotif("B");
    mMusic->setBackground(soundFile("tone-low-mono-1s"));
    delete mMusic->getMotif("B");
    delete mMusic->getBackground();
    EXPECT_EQ(nullptr, mMusic->getMotif("B"));
    EXPECT_EQ(nullptr, mMusic->getBackground());
    EXPECT_FALSE(mMusic->isMotifPlaying());
    frame(0.01f);
    mMusic->setGain(0.5f, MusicManager::FADE_ALL);
}

TEST_F(Music, ListenersThatRemoveMotifsOrFlushDoNotBreakTheTelling)
{
    // Two more listeners after the recorder: the first acts once on a call, the second records.
    enum Trigger { PLAY_MOTIF, FRAME_CHOOSES, FRAME_DISABLED };
    struct Case {
        Trigger trigger;
        const char* call;               // the call of the first listener that acts: "play" or "stop"
        const char* action;             // "remove A", "remove B" or "flush"
        std::vector<std::string> heard; // what the second listener hears
        bool bPlays;
    } cases[] = {
        // B is played while A plays: A stops, then B starts.
        {PLAY_MOTIF, "stop", "flush", {"l:stop A"}, false},
        {PLAY_MOTIF, "stop", "remove B", {"l:stop A"}, false},
        {PLAY_MOTIF, "stop", "remove A", {"l:stop A", "l:play B"}, true},
        {PLAY_MOTIF, "play", "remove B", {"l:stop A"}, false},
        {PLAY_MOTIF, "play", "flush", {"l:stop A"}, false},
        // B, the only motif, is chosen; or stops as motifs are disabled.
        {FRAME_CHOOSES, "play", "remove B", {}, false},
        {FRAME_CHOOSES, "play", "flush", {}, false},
        {FRAME_DISABLED, "stop", "remove B", {"l:stop B"}, false},
        {FRAME_DISABLED, "stop", "flush", {"l:stop B"}, false},
    };
    struct Acting : MusicManager::Listener {
        void motifPlay(const std::string&) override { act("play"); }
        void motifStop(const std::string&) override { act("stop"); }
        void act(const std::string& which)
        {
            if (which == call && action) {
                const std::function<void()> once = std::move(action);
                action = nullptr;
                once();
            }
        }
        std::string call;
        std::function<void()> action;
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.call) + " " + c.action + " in case " + std::to_string(&c - cases);
        mMusic->flush();
        mMusic->playMotifs();
        mMusic->setSpaceMaximum(0.0f);
        frame(0.01f);
        if (c.trigger == PLAY_MOTIF) {
            mMusic->addMotif(soundFile("tone-mono-1s"), "A", 0.5f);
            mMusic->playMotif("A");
        }
        mMusic->addMotif(soundFile("tone-mono-1s"), "B", 0.5f);
        if (c.trigger == FRAME_DISABLED) {
            mMusic->playMotif("B");
        }
        Acting acting;
        acting.call = c.call;
        const std::string action = c.action;
        acting.action = [this, action] {
            if (action == "flush") {
                mMusic->flush();
            } else {
                mMusic->removeMotif(action.substr(std::string("remove ").size()));
            }
        };
        std::vector<std::string> heard;
        MotifRecorder second{CallRecorder(heard, "l")};
        auto& holder = mMusic->interfaceMusicManagerListener();
        std::unique_ptr<Connection<MusicManager::Listener>> first(holder.connect(&acting));
        std::unique_ptr<Connection<MusicManager::Listener>> last(holder.connect(&second));
        switch (c.trigger) {
        case PLAY_MOTIF:
            mMusic->playMotif("B");
            break;
        case FRAME_CHOOSES:
            frame(0.01f);
            break;
        case FRAME_DISABLED:
            mMusic->stopMotifs();
            frame(0.01f);
            break;
        }
        EXPECT_EQ(c.heard, heard) << label;
        Sound* b = mMusic->getMotif("B");
        EXPECT_EQ(c.bPlays, b && b->isPlaying()) << label;
        EXPECT_EQ(c.bPlays, mMusic->isMotifPlaying()) << label;
        frame(0.01f);
    }
}

TEST_F(Music, DestroyingTheAudioModuleDeletesTheMusicSounds)
{
    struct Watcher : Sound::Watcher {
        void soundDestroyed(Sound*) override { ++destroyed; }
        int destroyed = 0;
    } watcher;
    mMusic->setBackground(soundFile("tone-low-mono-1s"));
    mMusic->getBackground()->addWatcher(&watcher);
    mMusic->addMotif(soundFile("tone-mono-1s"), "A", 0.5f);
    mMusic->getMotif("A")->addWatcher(&watcher);
    mConnection.reset();
    stop();
    EXPECT_EQ(2, watcher.destroyed);
    start();
}
