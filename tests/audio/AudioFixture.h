// An engine of the core and the physics module (no window) with an audio module on the loopback
// device and a windowless scene for the nodes of sounds, physical objects and the listener. A
// test frame renders the samples of that frame's time, then runs the engine's frame (the game's
// updateables, physics) and the audio module's, in the engine's order.
#pragma once

#include "AlTestSupport.h"

#include "audio/Audio.h"
#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "physics/Physics.h"
#include "support/LogCapture.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tolva::test {

/// A 0.5 sine at full gain, heard at the listener on two channels.
const float ToneLevel = 0.212f;

class AudioFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        mRoot = std::make_unique<Ogre::Root>("", "", "");
        mSceneManager = mRoot->createSceneManager();
        start();
    }

    void TearDown() override
    {
        stop();
        mRoot.reset();
    }

    /// Builds the engine and the audio module from the current "engine.cfg".
    void start()
    {
        EngineOptions options = coreOptions([] { return static_cast<GameBase*>(new TestGame(0)); });
        options.physics = true;
        options.time = false;
        static char program[] = "test_audio";
        static char* argv[] = {program, nullptr};
        mEngine = std::make_unique<Engine>(1, argv, options);
        mEngine->getPhysics()->setSceneManager(mSceneManager);
        // After the engine, whose log becomes the default one.
        mLog = std::make_unique<LogCapture>();
        mAudio = std::make_unique<Audio>(al::SoundManager::createLoopback());
        mAudio->setSceneManager(mSceneManager);
        mAudio->initialise();
        mEars = std::make_unique<LoopbackListening>(
            *mAudio->getSoundManager(), [this](float seconds) { frame(seconds); });
    }

    void stop()
    {
        mEars.reset();
        if (mAudio) {
            mAudio->shutdown();
        }
        mAudio.reset();
        mLog.reset();
        mEngine.reset();
    }

    /// Rebuilds everything on a new "engine.cfg".
    void restart(const std::string& engineConfig)
    {
        stop();
        mHome.writeEngineConfig(engineConfig);
        start();
    }

    /// One engine frame without rendering: the game's updateables and physics, then audio.
    void frame(float seconds)
    {
        mEngine->frame(seconds);
        mAudio->frame(seconds);
    }

    /// Renders and frames; the level (root mean square) of each step.
    std::vector<float> listen(float seconds, float step = 0.05f) { return mEars->listen(seconds, step); }
    float level(float seconds) { return mEars->level(seconds); }

    ConfigFile& config() { return *mEngine->getConfigFile(); }
    /// The text stored under the key of section "Audio", or "absent".
    std::string configValue(const std::string& key)
    {
        return boost::any_cast<std::string>(
            config().getValueDefault("Audio", ConfigFile::PT_STRING, key, boost::any(std::string("absent"))));
    }

    std::unique_ptr<LogCapture> mLog;
    TestHome mHome{TestHome::minimalEngineConfig(), ""};
    std::unique_ptr<Ogre::Root> mRoot;
    Ogre::SceneManager* mSceneManager = nullptr;
    std::unique_ptr<Engine> mEngine;
    std::unique_ptr<Audio> mAudio;
    std::unique_ptr<LoopbackListening> mEars;
};

} // namespace tolva::test
