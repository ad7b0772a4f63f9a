// The embedded interpreter inside an engine: output capture into the engine log, statements,
// files and modules in the main namespace, the error messages and texts, SystemExit, restarts of
// the engine, and the pickled tuple files.
#include "core/Application.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/Log.h"
#include "scripting/Python.h"
#include "scripting/support/ScriptKeepAlive.h"
#include "support/TempDir.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <OgreException.h>

#include <boost/python.hpp>

#include <dirent.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace bp = boost::python;

namespace {

char gProgramName[] = "spindlewake";
char* gArgv[] = {gProgramName, nullptr};

tolva::EngineOptions scriptingOptions()
{
    tolva::EngineOptions options = tolva::test::coreOptions();
    options.scripting = true;
    return options;
}

std::size_t countOpenFiles()
{
    std::size_t count = 0;
    if (DIR* directory = opendir("/proc/self/fd")) {
        while (readdir(directory)) {
            ++count;
        }
        closedir(directory);
    }
    return count;
}

class PythonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mEngine = std::make_unique<tolva::Engine>(1, gArgv, scriptingOptions());
        mEngine->initialise();
        mPython = mEngine->getScripting();
        ASSERT_NE(nullptr, mPython);
        mLog = mEngine->getLog();
        mLog->eventNewOutput().connect([this](const std::string& text) { mMessages.push_back(text); });
    }

    void TearDown() override
    {
        if (mEngine) {
            mEngine->shutdown();
            mEngine.reset();
        }
    }

    std::string scriptingError(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const tolva::ScriptingException& exception) {
            return exception.what();
        }
        return "no ScriptingException";
    }

    std::string evalString(const std::string& expression)
    {
        mPython->executeStatement("result__ = " + expression + "\n");
        return bp::extract<std::string>(mPython->getGlobal("result__"))();
    }

    tolva::test::TestHome mHome{tolva::test::TestHome::minimalEngineConfig(), ""};
    tolva::test::TempDir mFiles;
    std::unique_ptr<tolva::Engine> mEngine;
    tolva::Python* mPython = nullptr;
    tolva::Log* mLog = nullptr;
    std::vector<std::string> mMessages;
};

TEST_F(PythonTest, ScriptOutputReachesTheLogTailTheFileAndTheNewOutputSignal)
{
    mPython->executeStatement("print('hello from a script')\n"
                              "import sys\n"
                              "sys.stderr.write('to stderr')\n"
                              "print('flushed', flush=True)\n");
    EXPECT_EQ((std::vector<std::string>{"hello from a script", "\n", "to stderr", "flushed", "\n"}), mMessages);
    EXPECT_NE(std::string::npos, mLog->getOutput().find("hello from a script\nto stderrflushed\n"));
    mEngine->shutdown();
    // Nothing can print after shutdown: the output streams are the integer 0.
    EXPECT_THROW(bp::import("sys").attr("stdout").attr("write")("late"), bp::error_already_set);
    PyErr_Clear();
    mEngine.reset();
    const std::string file = mHome.readEngineLog();
    EXPECT_NE(std::string::npos, file.find("hello from a script")) << file;
    EXPECT_NE(std::string::npos, file.find("to stderr")) << file;
}

TEST_F(PythonTest, TheWorkingDirectoryIsOnTheModulePathAndTheEngineModuleIsImported)
{
    EXPECT_EQ("True", evalString("str(__import__('os').path.abspath('.') in __import__('sys').path)"));
    EXPECT_EQ("True", evalString("str('TolvaEngine' in __import__('sys').modules)"));
    EXPECT_EQ("Log", evalString("type(__import__('sys').stdout).__name__"));
}

TEST_F(PythonTest, StatementsFilesAndModulesShareTheMainNamespace)
{
    mPython->executeStatement("def double(x):\n"
                              "    return 2 * x\n");
    const std::string script = mFiles.write("script.py",
        "# -*- coding: utf-8 -*-\n"
        "doubled = double(21)\n"
        "word = 'Vorwärts'\n");
    EXPECT_TRUE(mPython->executeFile(script).is_none());
    EXPECT_EQ(42, bp::extract<int>(mPython->getGlobal("doubled"))());
    EXPECT_EQ("Vorwärts", bp::extract<std::string>(mPython->getGlobal("word"))());

    bp::object decoder = mPython->importModule("json.decoder");
    EXPECT_EQ("json.decoder", bp::extract<std::string>(decoder.attr("__name__"))());
    EXPECT_THROW(mPython->getGlobal("json"), bp::error_already_set);
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("KeyError: 'json'"));

    mPython->clear();
    EXPECT_THROW(mPython->getGlobal("doubled"), bp::error_already_set);
    PyErr_Clear();
}

TEST_F(PythonTest, AStatementWithANulByteIsRefusedAndNoneOfItRuns)
{
    const std::string statement("ran__ = 1\0ran__ = 2\n", 20);
    try {
        mPython->executeStatement(statement);
        ADD_FAILURE() << "a statement with a NUL byte ran";
    } catch (const tolva::ScriptingException& exception) {
        EXPECT_EQ(std::string(exception.what()).rfind("Execution failed on statement: ran__ = 1", 0), 0u);
    }
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("null bytes"));
    EXPECT_THROW(mPython->getGlobal("ran__"), bp::error_already_set);
    PyErr_Clear();
}

TEST_F(PythonTest, KeptScriptObjectsLiveUntilReleasedReplacedOrNoLongerNeeded)
{
    mPython->executeStatement("import weakref\n"
                              "class Handler: pass\n"
                              "handlers = [Handler() for i in range(3)]\n"
                              "alive = [weakref.ref(h) for h in handlers]\n");
    const auto handler = [this](int index) { return bp::object(mPython->getGlobal("handlers")[index]); };
    const auto living = [this] { return evalString("''.join('1' if h() else '0' for h in alive)"); };
    const char owner = 0;
    bool needed = true;
    tolva::ScriptKeepAlive::keep(&owner, "Forward", handler(0));
    tolva::ScriptKeepAlive::keep(&owner, "Jump", handler(1), [&needed] { return needed; });
    mPython->executeStatement("handlers[0] = handlers[1] = None\n");
    EXPECT_EQ("111", living());

    // A new object under the same key replaces the old one, as a command's new handler does.
    tolva::ScriptKeepAlive::keep(&owner, "Forward", handler(2));
    mPython->executeStatement("handlers[2] = None\n");
    EXPECT_EQ("011", living());
    needed = false;
    tolva::ScriptKeepAlive::prune();
    EXPECT_EQ("001", living());
    tolva::ScriptKeepAlive::release(&owner, "Forward");
    EXPECT_EQ("000", living());
    EXPECT_EQ(0u, tolva::ScriptKeepAlive::getCount());
}

TEST_F(PythonTest, FailuresGiveTheirMessageAndLeaveTheErrorForGetErrorString)
{
    EXPECT_EQ("Execution failed on statement: 1/0.", scriptingError([this] { mPython->executeStatement("1/0"); }));
    const std::string text = mPython->getErrorString();
    EXPECT_NE(std::string::npos, text.find("ZeroDivisionError: division by zero")) << text;
    EXPECT_NE(std::string::npos, text.find("Traceback")) << text;
    EXPECT_NE(std::string::npos, mLog->getOutput().find("ZeroDivisionError"));
    // Printing cleared the error.
    const std::size_t messages = mMessages.size();
    EXPECT_EQ("", mPython->getErrorString());
    EXPECT_EQ(messages, mMessages.size());

    EXPECT_EQ(
        "Failed to import module no_such_module.", scriptingError([this] { mPython->importModule("no_such_module"); }));
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("ModuleNotFoundError"));

    const std::string broken = mFiles.write("broken.py", "x = 1\nraise ValueError('broken file')\n");
    EXPECT_EQ("Execution failed for file " + broken + ".", scriptingError([&] { mPython->executeFile(broken); }));
    const std::string fileText = mPython->getErrorString();
    EXPECT_NE(std::string::npos, fileText.find("File \"" + broken + "\", line 2")) << fileText;
    EXPECT_NE(std::string::npos, fileText.find("ValueError: broken file")) << fileText;
}

TEST_F(PythonTest, AMissingScriptFileIsAScriptingErrorAndLeaksNoFileHandle)
{
    const std::string missing = mFiles.file("no-such-script.py");
    EXPECT_EQ("Execution failed for file " + missing + ".", scriptingError([&] { mPython->executeFile(missing); }));
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("FileNotFoundError"));

    const std::string good = mFiles.write("good.py", "counter = globals().get('counter', 0) + 1\n");
    const std::size_t before = countOpenFiles();
    for (int i = 0; i < 100; ++i) {
        EXPECT_THROW(mPython->executeFile(missing), tolva::ScriptingException);
        PyErr_Clear();
        mPython->executeFile(good);
    }
    EXPECT_EQ(before, countOpenFiles());
    EXPECT_EQ(100, bp::extract<int>(mPython->getGlobal("counter"))());
}

TEST_F(PythonTest, SystemExitIsReportedLikeAnyErrorAndNeverEndsTheProcess)
{
    EXPECT_EQ("Execution failed on statement: import sys; sys.exit(3).",
        scriptingError([this] { mPython->executeStatement("import sys; sys.exit(3)"); }));
    const std::string text = mPython->getErrorString();
    EXPECT_NE(std::string::npos, text.find("SystemExit: 3")) << text;
    EXPECT_NE(std::string::npos, text.find("Traceback")) << text;
    EXPECT_EQ("", mPython->getErrorString());

    EXPECT_THROW(mPython->executeStatement("exit()"), tolva::ScriptingException);
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("SystemExit"));

    const std::string quitting = mFiles.write("quit.py", "raise SystemExit('bye')\n");
    EXPECT_THROW(mPython->executeFile(quitting), tolva::ScriptingException);
    EXPECT_NE(std::string::npos, mPython->getErrorString().find("SystemExit: bye"));
    // Still here, and the interpreter still works.
    EXPECT_EQ("alive", evalString("'alive'"));
}

TEST_F(PythonTest, GetErrorStringWithoutPendingErrorIsEmpty)
{
    const std::string output = mLog->getOutput();
    EXPECT_EQ("", mPython->getErrorString());
    EXPECT_EQ(output, mLog->getOutput());
}

TEST_F(PythonTest, AnEngineDeletedWithoutShutdownStillEndsTheInterpreterCleanly)
{
    mPython->executeStatement("kept = [1, 2, 3]\n");
    mEngine.reset();
    EXPECT_EQ(nullptr, Singleton<tolva::Python>::getInstance());
}

TEST(PythonStartTest, AFailedStartReportsEverythingPrintedSoFarFromTheBuffer)
{
    // A module finder installed when the interpreter starts prints, then refuses the engine
    // module: the start fails while output still goes to the buffer.
    tolva::test::TempDir sitePath;
    sitePath.write("sitecustomize.py",
        "import sys\n"
        "class Refuser:\n"
        "    def find_spec(self, name, path=None, target=None):\n"
        "        if name == 'TolvaEngine':\n"
        "            print('looking for', name)\n"
        "            raise ImportError('engine module refused')\n"
        "        return None\n"
        "sys.meta_path.insert(0, Refuser())\n");
    const char* oldPath = std::getenv("PYTHONPATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PYTHONPATH", sitePath.path().c_str(), 1);
    tolva::test::TestHome home(tolva::test::TestHome::minimalEngineConfig(), "");
    {
        tolva::Engine engine(1, gArgv, scriptingOptions());
        std::string message;
        try {
            engine.initialise();
        } catch (const tolva::ScriptingException& exception) {
            message = exception.what();
        }
        EXPECT_EQ("Failed to import the main engine scripting module.", message);
        const std::string text = engine.getScripting()->getErrorString();
        EXPECT_EQ(0u, text.find("looking for TolvaEngine\n")) << text;
        EXPECT_NE(std::string::npos, text.find("ImportError: engine module refused")) << text;
        EXPECT_EQ("", engine.getScripting()->getErrorString());
        engine.shutdown();
    }
    if (oldPath) {
        setenv("PYTHONPATH", savedPath.c_str(), 1);
    } else {
        unsetenv("PYTHONPATH");
    }
}

TEST(PythonRestartTest, EachEngineOfARestartRunsAFreshInterpreter)
{
    tolva::test::TestHome home(tolva::test::TestHome::minimalEngineConfig(), "");
    tolva::EngineOptions options = scriptingOptions();
    int engines = 0;
    std::vector<std::string> seen;
    options.createGame = [&engines, &seen]() -> tolva::GameBase* {
        ++engines;
        const bool restart = engines < 4;
        auto* game = new tolva::test::TestGame(1, restart);
        game->onFrame = [&seen, engines](tolva::test::TestGame&, unsigned int) {
            tolva::Python* python = Singleton<tolva::Engine>::getInstance()->getScripting();
            python->executeStatement("import sys, TolvaEngine\n"
                                     "previous = globals().get('engineNumber')\n"
                                     "engineNumber = "
                + std::to_string(engines)
                + "\n"
                  "print('engine %d after %s' % (engineNumber, previous))\n");
            seen.push_back(bp::extract<std::string>(python->getGlobal("__name__"))());
        };
        return game;
    };
    tolva::Application application(1, gArgv, options);
    EXPECT_EQ(0, application.run());
    EXPECT_EQ(4, engines);
    EXPECT_EQ((std::vector<std::string>{"__main__", "__main__", "__main__", "__main__"}), seen);
    const std::string log = home.readEngineLog();
    // The log of the last engine: its interpreter knew nothing of the earlier ones.
    EXPECT_NE(std::string::npos, log.find("engine 4 after None")) << log;
}

TEST(PythonEndTest, AFinaliserThatSchedulesAFreshListenerCannotKeepTheEndGoing)
{
    // A listener whose finaliser schedules a fresh one of its class (a re-arm) would refill what
    // the end releases at every release. Three tries at most, so that a failure ends.
    tolva::test::TestHome home(tolva::test::TestHome::minimalEngineConfig(), "");
    tolva::test::TempDir files;
    const std::string record = files.file("rearms.txt");
    tolva::EngineOptions options = scriptingOptions();
    options.createGame = [record]() -> tolva::GameBase* {
        auto* game = new tolva::test::TestGame(1);
        game->onFrame = [record](tolva::test::TestGame&, unsigned int) {
            Singleton<tolva::Engine>::getInstance()->getScripting()->executeStatement(
                // Names are bound when the class is made: the end clears the main namespace first.
                "import TolvaEngine\n"
                "class Rearm(TolvaEngine.ScheduleListener):\n"
                "    tries = 0\n"
                "    def scheduled(self):\n"
                "        pass\n"
                "    def __del__(self, engine=TolvaEngine.TolvaSingleton, path='" + record + "'):\n"
                "        again = type(self)\n"
                "        if again.tries < 3:\n"
                "            again.tries += 1\n"
                "            with open(path, 'a') as record:\n"
                "                try:\n"
                "                    engine.getInstance().getTime().addSchedule(1000.0, again())\n"
                "                    record.write('re-armed\\n')\n"
                "                except RuntimeError as refusal:\n"
                "                    record.write('refused: %s\\n' % refusal)\n"
                "TolvaEngine.TolvaSingleton.getInstance().getTime().addSchedule(1000.0, Rearm())\n");
        };
        return game;
    };
    tolva::Application application(1, gArgv, options);
    EXPECT_EQ(0, application.run());
    const std::string refusal = "refused: The interpreter is ending: no listener can be scheduled any more.\n";
    EXPECT_EQ(refusal + refusal + refusal, tolva::test::readFile(record));
}

} // namespace
