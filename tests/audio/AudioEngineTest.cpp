// The audio module inside the engine, on a real window and OpenAL Soft's null backend (no sound
// card): its place in the engine's orders, what the log says about the device, and the end of
// start-up without any device.
#include "AlTestSupport.h"
#include "WindowTestSupport.h"

#include "audio/Audio.h"
#include "audio/Sound.h"
#include "audio/SoundListener.h"
#include "core/Application.h"
#include "core/Engine.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace tolva;

TEST(AudioInTheEngine, RunsInTheEngineOrdersOnTheNullBackendAndSaysSoInTheLog)
{
    tolva::test::TestHome home(tolva::test::windowEngineConfig(), "");
    std::vector<std::string> steps;
    EngineOptions options = tolva::test::windowEngineOptions();
    options.audio = true;
    options.trace = [&](const char* step, const char* module) { steps.push_back(std::string(step) + " " + module); };
    {
        char program[] = "test_audio";
        char* argv[] = {program, nullptr};
        Engine engine(1, argv, options);
        tolva::test::keepGraphicsLibrariesLoaded();
        engine.initialise();
        ASSERT_NE(nullptr, engine.getAudio());
        ASSERT_NE(nullptr, engine.getAudio()->getListener());
        {
            Sound sound("s", tolva::test::soundFile("tone-mono-short"));
            EXPECT_TRUE(sound.play());
            engine.frame(0.02f);
        }
        engine.shutdown();
    }
    const auto before = [&](const std::string& first, const std::string& second) {
        const auto a = std::find(steps.begin(), steps.end(), first);
        const auto b = std::find(steps.begin(), steps.end(), second);
        return a != steps.end() && b != steps.end() && a < b;
    };
    EXPECT_TRUE(before("create graphics", "create audio"));
    EXPECT_TRUE(before("initialise graphics", "initialise audio"));
    EXPECT_TRUE(before("frame audio", "frame graphics"));
    EXPECT_TRUE(before("shutdown audio", "shutdown graphics"));
    EXPECT_TRUE(before("delete audio", "delete graphics"));
    EXPECT_NE(std::string::npos,
        home.readEngineLog().find("Sound device: OpenAL Soft's null backend; sound is mixed and heard nowhere."));
}

TEST(AudioInTheEngine, WithoutASoundDeviceStartUpEndsWithTheFatalLine)
{
    // OpenAL Soft reads its backend list once per process: the start runs in a fresh process (the
    // test binary started again), where the list below is the first one it sees, however many
    // tests opened a device before in this one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    tolva::test::TestHome home(tolva::test::windowEngineConfig(), "");
    const auto start = [] {
        // No backend OpenAL Soft knows: no device can be opened, as on a machine without a sound card.
        setenv("ALSOFT_DRIVERS", "none", 1);
        EngineOptions options = tolva::test::windowEngineOptions();
        options.audio = true;
        // A program that starts anyway ends after one frame.
        options.createGame = [] { return static_cast<GameBase*>(new tolva::test::TestGame(1)); };
        // The failed start deletes the engine and its window: the GL libraries are pinned at every
        // step while they are loaded.
        options.trace = [](const char*, const char*) { tolva::test::keepGraphicsLibrariesLoaded(); };
        char program[] = "spindlewake";
        char* argv[] = {program, nullptr};
        const int status = Application(1, argv, options).run();
        std::_Exit(status);
    };
    EXPECT_EXIT(start(), testing::ExitedWithCode(1),
        "Brindlemoor: Fatal Error: Failed to initialise sound\\. You need an OpenAL \\(>=1\\.0\\) compatible "
        "sound card\\.");
}
