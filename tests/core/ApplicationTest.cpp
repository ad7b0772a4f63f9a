// The program's algorithm in-process: engines one after another while restarts are asked for,
// "engine.cfg" carried from one engine to the next, and the one fatal line with exit status 1.
#include <gtest/gtest.h>

#include <CEGUI/Exceptions.h>
#include <OgreException.h>

#include <boost/python/errors.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/Application.h"
#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/Log.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

using tolva::Application;
using tolva::Engine;
using tolva::EngineOptions;
using tolva::GameBase;
using tolva::test::coreOptions;
using tolva::test::TestGame;
using tolva::test::TestHome;

namespace {

char programName[] = "spindlewake";
char* programArgs[] = {programName, nullptr};

const std::string FatalPrefix = "Brindlemoor: Fatal Error: ";

struct Outcome {
    int status;
    std::string err;
};

Outcome runApplication(const EngineOptions& options)
{
    testing::internal::CaptureStderr();
    const int status = Application(1, programArgs, options).run();
    return {status, testing::internal::GetCapturedStderr()};
}

/// The fatal line, when stderr holds one (the engine log's console echo may go there too).
std::string fatalLine(const std::string& err)
{
    const std::size_t start = err.find(FatalPrefix);
    if (start == std::string::npos) {
        return std::string();
    }
    return err.substr(start, err.find('\n', start) - start + 1);
}

std::string describe(std::exception_ptr error, Engine* engine = nullptr)
{
    return Application::describeFatalError(error, engine);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The fatal-error table

TEST(FatalErrorText, EachKindOfFailureGivesItsReason)
{
    EXPECT_EQ(describe(std::make_exception_ptr(tolva::IOException("disk"))), "disk");
    EXPECT_EQ(describe(std::make_exception_ptr(tolva::InvalidArgumentException("bad"))), "bad");
    EXPECT_EQ(describe(std::make_exception_ptr(std::runtime_error("plain"))), "plain");
    EXPECT_EQ(describe(std::make_exception_ptr(CEGUI::GenericException("gui went wrong"))), "gui went wrong");

    try {
        OGRE_EXCEPT(Ogre::Exception::ERR_FILE_NOT_FOUND, "no such thing", "here");
    } catch (...) {
        const std::string text = describe(std::current_exception());
        EXPECT_NE(text.find("no such thing"), std::string::npos) << text;
    }
    EXPECT_EQ(describe(std::make_exception_ptr(42)), "Unknown error.");
}

TEST(FatalErrorText, ScriptErrorsWithoutAnEngineAreUnknown)
{
    EXPECT_EQ(
        describe(std::make_exception_ptr(tolva::ScriptingException("Failed to run."))), "Unknown scripting error.");
    EXPECT_EQ(describe(std::make_exception_ptr(boost::python::error_already_set())), "Unknown scripting error.");
}

TEST(FatalErrorText, ScriptErrorWithoutInterpreterTextGivesItsOwnMessage)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    for (bool scripting : {true, false}) {
        EngineOptions options = coreOptions();
        options.scripting = scripting;
        Engine engine(1, programArgs, options);
        EXPECT_EQ(describe(std::make_exception_ptr(tolva::ScriptingException("Failed to install loader.")), &engine),
            "Failed to install loader.");
        EXPECT_EQ(
            describe(std::make_exception_ptr(boost::python::error_already_set()), &engine), "Unknown scripting error.");
    }
}

// ---------------------------------------------------------------------------------------------
// Whole runs

TEST(ApplicationRun, FirstStartCopiesTheDefaultsRunsAndWritesTheConfigurationBack)
{
    TestHome home;
    const Outcome outcome = runApplication(coreOptions([] { return new TestGame(2, false); }));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(fatalLine(outcome.err), "");
    EXPECT_TRUE(std::filesystem::is_regular_file(home.dataFile("controls.cfg")));
    // Written back in the configuration's own form: the unnamed section first, as "[]".
    EXPECT_EQ(home.readEngineConfig().rfind("[]\nConsole Enable=yes\n", 0), 0u) << home.readEngineConfig();
    EXPECT_EQ(Engine::getInstance(), nullptr);
}

TEST(ApplicationRun, RestartBuildsANewEngineThatReadsWhatTheFirstStored)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    int enginesBuilt = 0;
    std::string seenBySecond;
    EngineOptions options = coreOptions([&]() -> GameBase* {
        ++enginesBuilt;
        const int number = enginesBuilt;
        auto* game = new TestGame(1, number == 1);
        game->onFrame = [number, &seenBySecond](TestGame&, unsigned int) {
            Engine* engine = Engine::getInstance();
            if (number == 1) {
                engine->getConfigFile()->setValue("Game", tolva::ConfigFile::PT_INT, "Restart Marker", boost::any(42));
                engine->getLog()->logMessage("first engine was here");
            } else {
                seenBySecond = engine->getConfigFile()->getValueString("Game", "Restart Marker");
            }
        };
        return game;
    });

    const Outcome outcome = runApplication(options);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(fatalLine(outcome.err), "");
    EXPECT_EQ(enginesBuilt, 2);
    EXPECT_EQ(seenBySecond, "42");
    EXPECT_NE(home.readEngineConfig().find("[Game]\nRestart Marker=42\n"), std::string::npos);
    // The restarted engine's log keeps what the first engine wrote.
    EXPECT_NE(home.readEngineLog().find("first engine was here"), std::string::npos);
}

/// A game whose start fails after the modules before it have started.
class FailingStartGame : public TestGame {
public:
    void initialise() override
    {
        TestGame::initialise();
        throw tolva::IOException("Start broke.");
    }
};

TEST(ApplicationRun, AFailureInInitialiseOrRunShutsDownWhatStartedAndLeavesTheConfigurationAlone)
{
    struct Case {
        const char* name;
        std::function<GameBase*()> createGame;
        std::string message;
        std::vector<std::string> shutdowns;
    };
    const std::vector<Case> cases = {
        {"running",
            [] {
                auto* game = new TestGame(0, false);
                game->onFrame = [](TestGame&, unsigned int frame) {
                    if (frame == 3) {
                        throw tolva::IOException("Something broke.");
                    }
                };
                return static_cast<GameBase*>(game);
            },
            "Something broke.", {"game", "time", "log"}},
        {"starting", [] { return static_cast<GameBase*>(new FailingStartGame); }, "Start broke.", {"time", "log"}},
    };
    for (const Case& c : cases) {
        TestHome home("# kept\n" + TestHome::minimalEngineConfig(), "");
        std::vector<std::string> shutdowns;
        std::vector<std::string> deletions;
        EngineOptions options = coreOptions(c.createGame);
        options.trace = [&](const char* step, const char* module) {
            if (std::string(step) == "shutdown") {
                shutdowns.push_back(module);
            } else if (std::string(step) == "delete") {
                deletions.push_back(module);
            }
        };
        const Outcome outcome = runApplication(options);
        EXPECT_EQ(outcome.status, 1) << c.name;
        EXPECT_EQ(fatalLine(outcome.err), FatalPrefix + c.message + "\n") << c.name;
        EXPECT_EQ(shutdowns, c.shutdowns) << c.name;
        EXPECT_EQ(deletions, std::vector<std::string>({"game", "time", "log", "config"})) << c.name;
        EXPECT_EQ(Engine::getInstance(), nullptr) << c.name;
        EXPECT_EQ(home.readEngineConfig().rfind("# kept\n", 0), 0u) << c.name;
    }
}

TEST(ApplicationRun, ScriptErrorsAreDescribedWithTheEngineThatExists)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    // While the first engine is built there is no engine to ask.
    Outcome outcome = runApplication(coreOptions([]() -> GameBase* { throw tolva::ScriptingException("ctor"); }));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(fatalLine(outcome.err), FatalPrefix + "Unknown scripting error.\n");

    // While an engine runs, it is asked, and its empty text gives way to the exception's own.
    outcome = runApplication(coreOptions([] {
        auto* game = new TestGame(0, false);
        game->onFrame = [](TestGame&, unsigned int) { throw tolva::ScriptingException("Script failed."); };
        return static_cast<GameBase*>(game);
    }));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(fatalLine(outcome.err), FatalPrefix + "Script failed.\n");
    EXPECT_EQ(Engine::getInstance(), nullptr);
}

TEST(ApplicationRun, ScriptErrorWhileTheSecondEngineIsBuiltHasNoEngine)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    int built = 0;
    const Outcome outcome = runApplication(coreOptions([&built]() -> GameBase* {
        if (++built == 2) {
            throw tolva::ScriptingException("second");
        }
        return new TestGame(1, true);
    }));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(fatalLine(outcome.err), FatalPrefix + "Unknown scripting error.\n");
}

TEST(ApplicationRun, FailedWriteBackIsReportedAfterTheEngineIsGone)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    bool destroyedBeforeReport = false;
    EngineOptions options = coreOptions([&home] {
        auto* game = new TestGame(1, true);
        game->onFrame = [&home](TestGame&, unsigned int) {
            // A plain file where the data directory was: nothing can be written there any more.
            std::filesystem::remove_all(home.dataDirectory());
            std::ofstream(home.dataDirectory()) << "in the way";
        };
        return static_cast<GameBase*>(game);
    });
    const Outcome outcome = runApplication(options);
    destroyedBeforeReport = Engine::getInstance() == nullptr;
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(fatalLine(outcome.err), FatalPrefix + "Failed to open configuration file for output.\n");
    EXPECT_TRUE(destroyedBeforeReport);
}

TEST(ApplicationRun, MissingHomeEndsBeforeAnyEngine)
{
    TestHome home;
    unsetenv("HOME");
    bool built = false;
    const Outcome outcome = runApplication(coreOptions([&built]() -> GameBase* {
        built = true;
        return new TestGame();
    }));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, FatalPrefix + "Value of environment variable HOME was not found.\n");
    EXPECT_FALSE(built);
}
