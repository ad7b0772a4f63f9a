// Sound objects: gains, loops, relative placement, listeners, and where a sound is heard from.
#include "AudioFixture.h"

#include "audio/Sound.h"
#include "platform/AlSound.h"
#include "scene/GameObject.h"
#include "support/CallRecorder.h"

#include <OgreSceneNode.h>

using namespace tolva;
using tolva::test::CallRecorder;
using tolva::test::soundFile;
using tolva::test::ToneLevel;

namespace {

class Sounds : public tolva::test::AudioFixture { };

/// Records the calls a sound makes on its listeners.
class RecordingListener : public _SoundListener {
public:
    explicit RecordingListener(CallRecorder recorder)
        : mRecorder(std::move(recorder))
    {
    }
    void soundPlaying() override { mRecorder.record("playing"); }
    void soundPaused() override { mRecorder.record("paused"); }
    void soundLooped() override { mRecorder.record("looped"); }
    void soundStopped() override { mRecorder.record("stopped"); }
    void soundFinished() override { mRecorder.record("finished"); }
    void soundAtOffset(float offset, float) override { mRecorder.record(std::to_string(offset).substr(0, 4)); }
    CallRecorder mRecorder;
};

} // namespace

TEST_F(Sounds, GainIsNormalisedBetweenMinimumAndMaximumAndLoopOffsetWithinTheLength)
{
    Sound sound("s", soundFile("tone-mono-1s"));
    EXPECT_EQ(1.0f, sound.getLayerSound()->getGainScale()) << "a new sound takes the unknown category's volume";
    sound.setMinGain(0.2f);
    const float gains[][2] = {{0.5f, 0.6f}, {-1.0f, 0.2f}, {3.0f, 1.0f}, {0.0f, 0.2f}};
    for (const auto& gain : gains) {
        sound.setGain(gain[0]);
        EXPECT_FLOAT_EQ(gain[1], sound.getGain()) << gain[0];
    }
    const float offsets[][2] = {{-3.0f, 0.0f}, {0.4f, 0.4f}, {5.0f, sound.getSecondDuration()}};
    for (const auto& offset : offsets) {
        sound.setLoopOffset(offset[0]);
        EXPECT_FLOAT_EQ(offset[1], sound.getLoopOffset()) << offset[0];
    }
}

TEST_F(Sounds, LoopsJumpToTheLoopOffsetAndListenersHearLoopsOffsetsAndTheEnd)
{
    std::vector<std::string> calls;
    RecordingListener first(CallRecorder(calls, "first"));
    RecordingListener second(CallRecorder(calls, "second"));
    first.addSoundOffset(0.2f);
    first.addSoundOffset(0.2f);
    first.removeSoundOffset(0.15f);
    Sound sound("s", soundFile("tone-mono-short"));
    std::unique_ptr<Connection<_SoundListener>> connections[]
        = {std::unique_ptr<Connection<_SoundListener>>(sound.interfaceListener().connect(&first)),
            std::unique_ptr<Connection<_SoundListener>>(sound.interfaceListener().connect(&second))};
    sound.setRelativeToListener(true);
    sound.setLoop(true);
    sound.setLoopOffset(0.1f);
    sound.play();
    listen(0.3f);
    EXPECT_GE(sound.getSecondOffset(), 0.1f) << "the loop jumped past the start";
    EXPECT_EQ((std::vector<std::string>{"first:0.20", "first:looped", "second:looped"}), calls);

    calls.clear();
    sound.setLoop(false);
    listen(0.3f);
    EXPECT_EQ((std::vector<std::string>{"first:0.20", "first:finished", "second:finished"}), calls);
    EXPECT_TRUE(sound.isStopped());
}

TEST_F(Sounds, ADestroyedSoundLeavesNoListenerPointingAtItAndAGoneListenerIsNotCalled)
{
    std::vector<std::string> calls;
    auto sound = std::make_unique<Sound>("s", soundFile("tone-mono-short"));
    RecordingListener kept(CallRecorder(calls, "kept"));
    auto gone = std::make_unique<RecordingListener>(CallRecorder(calls, "gone"));
    std::unique_ptr<Connection<_SoundListener>> keptConnection(sound->interfaceListener().connect(&kept));
    std::unique_ptr<Connection<_SoundListener>> goneConnection(sound->interfaceListener().connect(gone.get()));
    gone.reset(); // without disconnecting
    sound->play();
    listen(0.3f);
    EXPECT_EQ(std::vector<std::string>{"kept:finished"}, calls);

    sound->play();
    sound.reset();
    EXPECT_FALSE(keptConnection->isConnected());
    EXPECT_FALSE(goneConnection->isConnected());
    EXPECT_EQ(std::vector<std::string>{"kept:finished"}, calls) << "no call during the destruction";
    listen(0.1f);
}

TEST_F(Sounds, ASoundIsHeardFromItsNodeOrItsParentsAndARelativeOneFromTheListener)
{
    Ogre::SceneNode* parentNode = mSceneManager->getRootSceneNode()->createChildSceneNode();
    GameObject parent(parentNode);
    Sound sound("s", soundFile("tone-mono-1s"));
    sound.setLoop(true);
    sound.play();
    EXPECT_TRUE(parent.addChild(&sound));
    parent.setPosition(Ogre::Vector3(0, 0, -4));
    listen(0.1f);
    EXPECT_NEAR(ToneLevel / 4, level(0.1f), 0.005f);
    sound.setPosition(Ogre::Vector3(0, 0, 2));
    listen(0.1f);
    EXPECT_NEAR(ToneLevel / 2, level(0.1f), 0.005f);

    Ogre::SceneNode* node = sound.getNode();
    sound.setRelativeToListener(true);
    sound.setRelativeToListener(true);
    EXPECT_EQ(nullptr, sound.getLayerSound()->getParentNode());
    EXPECT_EQ(0u, node->numAttachedObjects());
    listen(0.1f);
    EXPECT_NEAR(ToneLevel, level(0.1f), 0.005f);
    sound.setRelativeToListener(false);
    EXPECT_EQ(node, sound.getLayerSound()->getParentNode());
    EXPECT_TRUE(parent.removeChild(&sound));
}
