// The audio module: category volumes, the sound listener, and reading and writing "engine.cfg".
#include "AudioFixture.h"

#include "audio/SoundListener.h"
#include "platform/AlSound.h"

#include <cmath>
#include <limits>

using namespace tolva;
using tolva::test::ToneLevel;

namespace {

class AudioModule : public tolva::test::AudioFixture {
protected:
    std::unique_ptr<Sound> playing(Sound::Category category)
    {
        auto sound = std::make_unique<Sound>("s", tolva::test::soundFile("tone-mono-1s"));
        sound->setCategory(category);
        sound->setLoop(true);
        sound->setRelativeToListener(true);
        sound->play();
        return sound;
    }
};

} // namespace

TEST_F(AudioModule, CategoryVolumesScaleTheirSoundsAndAreWrittenBack)
{
    auto effect = playing(Sound::CAT_EFFECT);
    auto music = playing(Sound::CAT_MUSIC);
    music->pause();
    mAudio->setSoundCategoryGain(Sound::CAT_EFFECT, 0.25f);
    listen(0.1f);
    EXPECT_NEAR(ToneLevel / 4, level(0.1f), 0.005f);
    EXPECT_EQ(1.0f, music->getLayerSound()->getGainScale());

    struct Case {
        Sound::Category category;
        float gain, stored;
        const char* key;
        const char* text;
    } cases[] = {
        {Sound::CAT_EFFECT, 1.5f, 1.0f, "Volume Effect", "1"},
        {Sound::CAT_MUSIC, -2.0f, 0.0f, "Volume Music", "0"},
        {Sound::CAT_VOICE, std::numeric_limits<float>::quiet_NaN(), 0.0f, "Volume Voice", "0"},
        {Sound::CAT_UNKNOWN, 0.5f, 0.5f, "Volume Unknown", "0.5"},
    };
    for (const Case& c : cases) {
        mAudio->setSoundCategoryGain(c.category, c.gain);
        EXPECT_EQ(c.stored, mAudio->getSoundCategoryGain(c.category)) << c.key;
        EXPECT_EQ(c.text, configValue(c.key));
    }
    EXPECT_EQ(1.0f, effect->getLayerSound()->getGainScale());
    EXPECT_EQ(0.0f, music->getLayerSound()->getGainScale());

    const auto notACategory = static_cast<Sound::Category>(7);
    mAudio->setSoundCategoryGain(notACategory, 0.5f);
    EXPECT_EQ(0.0f, mAudio->getSoundCategoryGain(notACategory));
    mEngine->writeConfiguration();
    const std::string written = mHome.readEngineConfig();
    for (const char* line : {"Volume Effect=1\n", "Volume Music=0\n", "Volume Unknown=0.5\n"}) {
        EXPECT_NE(std::string::npos, written.find(line)) << written;
    }
}

TEST_F(AudioModule, VolumesReadFromTheFileApplyAsTheyStandAndAreWrittenOnlyWhenSet)
{
    struct Case {
        Sound::Category category;
        const char* text; // in the file
        float gain;       // the category's volume
        float scale;      // what its sounds get
    } cases[] = {
        {Sound::CAT_EFFECT, "2.5", 2.5f, 2.5f},
        {Sound::CAT_MUSIC, "loud", 1.0f, 1.0f},
        {Sound::CAT_VOICE, "-0.5", -0.5f, 0.0f},
    };
    std::string file = tolva::test::TestHome::minimalEngineConfig() + "[Audio]\nVolume Master=0.5\n";
    for (const Case& c : cases) {
        file += "Volume " + Audio::getSoundCategoryString(c.category) + "=" + c.text + "\n";
    }
    restart(file);
    for (const Case& c : cases) {
        const std::string key = "Volume " + Audio::getSoundCategoryString(c.category);
        EXPECT_EQ(c.gain, mAudio->getSoundCategoryGain(c.category)) << key;
        EXPECT_EQ(c.scale, playing(c.category)->getLayerSound()->getGainScale()) << key;
        EXPECT_EQ(c.text, configValue(key)) << "read, not rewritten";
    }
    EXPECT_EQ(0.5f, mAudio->getListener()->getGain());
    auto loud = playing(Sound::CAT_EFFECT);
    listen(0.1f);
    EXPECT_NEAR(2.5f * 0.5f * ToneLevel, level(0.1f), 0.01f) << "louder than full, under the master volume";

    mAudio->setSoundCategoryGain(Sound::CAT_EFFECT, 2.5f);
    EXPECT_EQ("1", configValue("Volume Effect")) << "setting clamps and stores";
    mEngine->writeConfiguration();
    const std::string written = mHome.readEngineConfig();
    for (const char* line : {"Volume Effect=1\n", "Volume Music=loud\n", "Volume Voice=-0.5\n"}) {
        EXPECT_NE(std::string::npos, written.find(line)) << written;
    }

    loud.reset(); // a sound never outlives the module that plays it
    restart(tolva::test::TestHome::minimalEngineConfig());
    EXPECT_EQ(1.0f, mAudio->getSoundCategoryGain(Sound::CAT_EFFECT));
    EXPECT_EQ("absent", configValue("Volume Effect")) << "a volume never set is not written";
    EXPECT_EQ("1", configValue("Volume Master")) << "the listener stores the master volume at once";
}

TEST_F(AudioModule, TheListenerIsHeardFromItsNodeAndItsGainIsTheMasterVolume)
{
    auto sound = playing(Sound::CAT_EFFECT);
    sound->setRelativeToListener(false);
    sound->setPosition(Ogre::Vector3(0, 0, -4));
    SoundListener* listener = mAudio->getListener();
    listen(0.1f);
    EXPECT_NEAR(ToneLevel / 4, level(0.1f), 0.005f);
    listener->setPosition(Ogre::Vector3(0, 0, -2));
    listen(0.1f);
    EXPECT_NEAR(ToneLevel / 2, level(0.1f), 0.005f);

    listener->setGain(0.5f);
    listener->setGain(-1.0f);
    EXPECT_EQ(0.5f, listener->getGain()) << "a gain below zero is refused";
    EXPECT_EQ("0.5", configValue("Volume Master"));
    listen(0.1f);
    EXPECT_NEAR(ToneLevel / 4, level(0.1f), 0.005f);

    mAudio->shutdown();
    EXPECT_EQ(nullptr, mAudio->getListener());
}
