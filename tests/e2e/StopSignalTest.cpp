// The real program stopped by signals: a script that never returns, busy or waiting in a read, is
// interrupted, the terminal's hang-up stops the game like SIGTERM, signals that arrive together
// are one request, a second signal during the write-back leaves no temporary file, and run.sh
// without a display hands Ctrl-C to the game alone.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "RunningProgram.h"
#include "support/TempDir.h"
#include "support/TestHome.h"
#include "tests/input/ChildProcess.h"

namespace fs = std::filesystem;
using tolva::test::readFile;
using tolva::test::RunningProgram;
using tolva::test::runUnderOwnXServer;
using tolva::test::tail;
using tolva::test::TempDir;
using tolva::test::TestHome;

namespace {

const std::string EngineBuilt = "Successfully completed loading of GUI layout from 'gui/layouts/ConsoleWindow.layout'";
const std::string Comment = "# placed by the test\n";
const char* const OwnDisplay = "TOLVA_E2E_OWN_DISPLAY";
const double StartSeconds = 60.0;
const double EndSeconds = 60.0;

std::string shippedFile(const std::string& name)
{
    return readFile(std::string(TOLVA_TREE_DIR) + "/cfg/" + name);
}

const std::string Busy = "while True: pass";
const std::string Waiting = "import os; os.read(os.pipe()[0], 1)";

/// Python run at the interpreter's start (PYTHONPATH): once the game script's module is made, its
/// Game class reports its first frame and the end of its shutdown, and in `mode` "frame" or
/// "scheduled" a frame or a scheduled callback runs `hold`, which never returns.
std::string misbehavingGame(const std::string& mode, const std::string& hold = Busy)
{
    return "import builtins, sys\n"
           "MODE = '" + mode + "'\n"
           "def misbehave(cls):\n"
           "    frame, shutdown = cls.frame, cls.shutdown\n"
           "    def newFrame(self, seconds):\n"
           "        frame(self, seconds)\n"
           "        if hasattr(self, 'ran'):\n"
           "            return\n"
           "        self.ran = True\n"
           "        print('the game runs')\n"
           "        if MODE == 'frame':\n"
           "            print('a script holds')\n"
           "            " + hold + "\n"
           "        if MODE == 'scheduled':\n"
           "            import TolvaEngine\n"
           "            class Loop(TolvaEngine.ScheduleListener):\n"
           "                def scheduled(self):\n"
           "                    print('a script holds')\n"
           "                    " + hold + "\n"
           "            self.loop = Loop()\n"
           "            TolvaEngine.TolvaSingleton.getInstance().getTime().addSchedule(0, self.loop)\n"
           "    def newShutdown(self):\n"
           "        shutdown(self)\n"
           "        for _ in range(1000): pass\n"
           "        print('the game script shut down')\n"
           "    cls.frame, cls.shutdown = newFrame, newShutdown\n"
           "plainExec = builtins.exec\n"
           "def watchingExec(source, globals=None, locals=None, *rest):\n"
           "    if globals is None:\n"
           "        caller = sys._getframe(1)\n"
           "        globals, locals = caller.f_globals, caller.f_locals if locals is None else locals\n"
           "    plainExec(source, globals, locals, *rest)\n"
           "    if isinstance(globals, dict) and globals.get('__name__') == 'scripts.game.Game':\n"
           "        builtins.exec = plainExec\n"
           "        misbehave(globals['Game'])\n"
           "builtins.exec = watchingExec\n";
}

/// The temporary files of the data directory.
std::vector<std::string> temporaryFiles(const TestHome& home)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(home.dataDirectory())) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
            names.push_back(name);
        }
    }
    return names;
}

ino_t inode(const std::string& path)
{
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

/// The end of a long text (a log) for a failure message.
std::string ending(const std::string& text)
{
    return text.substr(text.size() > 4000 ? text.size() - 4000 : 0);
}

std::string asanOptions(const std::string& more)
{
    const char* options = std::getenv("ASAN_OPTIONS");
    return std::string(options ? options : "") + ":" + more;
}

} // namespace

TEST(StopSignal, InterruptsTheRunningScriptAndStillShutsDownInOrder)
{
    if (!std::getenv(OwnDisplay)) {
        // Keys typed into the console need the focus: an X server of its own, with a window manager.
        const std::string output = runUnderOwnXServer(OwnDisplay, "1", "GTEST_FILTER=StopSignal.Interrupts*");
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << tail(output);
        return;
    }
    std::system("(openbox >/dev/null 2>&1 &)");
    struct Row {
        const char* what;
        std::string mode;
        std::string hold;
        int signal;
        bool interrupted;
    };
    const std::vector<Row> rows = {
        {"console statement", "console", Busy, SIGTERM, true},
        {"console statement waiting in a read", "console", Waiting, SIGINT, true},
        {"game script's frame", "frame", Busy, SIGINT, true},
        {"game script's frame waiting in a read", "frame", Waiting, SIGTERM, true},
        {"scheduled callback", "scheduled", Busy, SIGTERM, true},
        {"no script running", "idle", Busy, SIGINT, false},
    };
    for (const Row& row : rows) {
        TempDir scripts;
        scripts.write("sitecustomize.py", misbehavingGame(row.mode, row.hold));
        TestHome home;
        home.writeEngineConfig(Comment + shippedFile("engine.cfg"));
        RunningProgram program({{"PYTHONPATH", scripts.path()}});
        const std::string log = home.dataFile("engine.log");
        if (row.mode == "console") {
            ASSERT_TRUE(program.waitForText(log, "the game runs", StartSeconds)) << program.standardError();
            std::system("xdotool search --sync --name Spindlewake windowactivate --sync >/dev/null 2>&1");
            // On a loaded machine a key can come before the console shows: the grave key again
            // shows a console the first one did not, or hides and shows one that lost the line.
            const std::string statement = "xdotool type --delay 20 'print(\"a script holds\") or exec(\"" + row.hold + "\")'";
            for (int tries = 0; tries < 4 && !program.waitForText(log, "a script holds", tries == 0 ? 0.0 : 15.0);
                 ++tries) {
                std::system("xdotool key grave");
                std::this_thread::sleep_for(std::chrono::seconds(2));
                std::system(statement.c_str());
                std::system("xdotool key Return");
            }
        }
        ASSERT_TRUE(program.waitForText(log, row.interrupted ? "a script holds" : "the game runs", StartSeconds))
            << row.what << ": " << program.standardError() << ending(readFile(log));
        if (!row.interrupted) {
            // Frames go on; the signal arrives between two of them (most likely while drawing).
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        program.sendSignal(row.signal);
        EXPECT_EQ(program.waitForExit(EndSeconds), 0) << row.what << ": " << program.standardError();
        const std::string written = home.readEngineLog();
        EXPECT_EQ(written.find("KeyboardInterrupt") != std::string::npos, row.interrupted) << row.what << ": " << ending(written);
        // Nothing was left pending for the scripts of the shutdown, nor for writing the controls.
        EXPECT_NE(written.find("the game script shut down"), std::string::npos) << row.what << ": " << ending(written);
        EXPECT_EQ(written.find("Failed to save control bindings"), std::string::npos) << row.what;
        EXPECT_EQ(home.readEngineConfig().find(Comment), std::string::npos) << row.what << ": not written back";
    }
}

TEST(StopSignal, HangUpStopsTheGameLikeTerminateAndQuitStaysTheSystems)
{
    // A core file of the quit row would land in the tree's bin folder.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    for (const int signal : {SIGHUP, SIGQUIT}) {
        TestHome home;
        home.writeEngineConfig(Comment + shippedFile("engine.cfg"));
        RunningProgram program;
        ASSERT_TRUE(program.waitForText(home.dataFile("engine.log"), EngineBuilt, StartSeconds)) << strsignal(signal);
        program.sendSignal(signal);
        const bool stops = signal == SIGHUP;
        EXPECT_EQ(program.waitForExit(EndSeconds), stops ? 0 : 128 + signal) << strsignal(signal);
        EXPECT_EQ(home.readEngineConfig().find(Comment) == std::string::npos, stops) << strsignal(signal);
    }
}

TEST(StopSignal, ASecondSignalDuringTheWriteBackLeavesNoTemporaryFile)
{
    // The preloaded library sends the second signal just before the named file's temporary copy
    // would replace it: the copy is complete and the old file still there.
    for (const std::string file : {"controls.cfg", "engine.cfg"}) {
        TestHome home;
        home.writeEngineConfig(Comment + shippedFile("engine.cfg"));
        home.writeDataFile("controls.cfg", shippedFile("controls.cfg"));
        const std::string engineConfig = home.readEngineConfig();
        const ino_t controls = inode(home.dataFile("controls.cfg"));
        RunningProgram program({{"LD_PRELOAD", TOLVA_SIGNAL_AT_RENAME},
            {"TOLVA_SIGNAL_AT_RENAME", "." + file + "."},
            {"ASAN_OPTIONS", asanOptions("verify_asan_link_order=0")}});
        ASSERT_TRUE(program.waitForText(home.dataFile("engine.log"), EngineBuilt, StartSeconds)) << file;
        program.sendSignal(SIGTERM);
        EXPECT_EQ(program.waitForExit(EndSeconds), 128 + SIGTERM) << file << ": " << program.standardError();
        EXPECT_EQ(temporaryFiles(home), std::vector<std::string>()) << file;
        EXPECT_EQ(home.readEngineConfig(), engineConfig) << file;
        // The controls are written first: a signal at the engine's file comes after they were.
        EXPECT_EQ(inode(home.dataFile("controls.cfg")) == controls, file == "controls.cfg") << file;
    }
}

TEST(StopSignal, SignalsArrivingTogetherAreOneRequestAndALaterOneEndsAStartThatHangs)
{
    // "timeout -s TERM" signals the program and then its process group; SIGALRM is its time
    // running out. A script at the interpreter's start holds the start up for a while: no frame
    // can begin the orderly end before the second signal comes.
    struct Row {
        const char* what;
        bool timeout;
        int startSeconds; ///< how long the start is held up
        double secondAfter; ///< seconds from the first signal to the second, negative for none
        int status;
    };
    const std::vector<Row> rows = {
        {"timeout -s TERM running out while the game runs", true, 0, -1.0, 0},
        {"a second SIGTERM 10 ms after the first while the game starts", false, 5, 0.01, 0},
        {"a second SIGTERM 1.5 s after the first while the start hangs", false, 120, 1.5, 128 + SIGTERM},
    };
    for (const Row& row : rows) {
        TempDir scripts;
        scripts.write("sitecustomize.py", row.startSeconds == 0 ? std::string()
                : "import time\nprint('the game starts', flush=True)\ntime.sleep(" + std::to_string(row.startSeconds) + ")\n");
        TestHome home;
        home.writeEngineConfig(Comment + shippedFile("engine.cfg"));
        const std::vector<std::string> launcher = {"timeout", "--preserve-status", "-s", "TERM", "1000"};
        RunningProgram program({{"PYTHONPATH", scripts.path()}}, row.timeout ? launcher : std::vector<std::string>());
        ASSERT_TRUE(row.startSeconds != 0 ? program.waitForText(program.outputFile(), "the game starts", StartSeconds)
                                          : program.waitForText(home.dataFile("engine.log"), EngineBuilt, StartSeconds))
            << row.what << ": " << program.standardError();
        program.sendSignal(row.timeout ? SIGALRM : SIGTERM);
        if (row.secondAfter >= 0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(row.secondAfter));
            program.sendSignal(SIGTERM);
        }
        // A start that hangs ends well before its script would let it go on.
        EXPECT_EQ(program.waitForExit(row.startSeconds > 60 ? 20.0 : EndSeconds), row.status)
            << row.what << ": " << program.standardError();
        EXPECT_EQ(home.readEngineConfig().find(Comment) == std::string::npos, row.status == 0) << row.what;
    }
}

TEST(RunScript, CtrlCWithoutADisplayReachesOnlyTheGameWhichWritesItsFilesBack)
{
    // run.sh as it is, in a root of its own whose build folder is this tree, with a cmake that
    // does nothing: the tree is built already, and building it again is not what is tested.
    TempDir root;
    root.write("run.sh", readFile(TOLVA_SOURCE_DIR "/run.sh"));
    root.write("tools/ensure-packages.sh", readFile(TOLVA_SOURCE_DIR "/tools/ensure-packages.sh"));
    fs::create_directory_symlink(TOLVA_TREE_DIR, root.file("build"));
    const std::string cmake = root.write("fake/cmake", "#!/bin/sh\nexit 0\n");
    fs::permissions(cmake, fs::perms::owner_all);
    TestHome home;
    home.writeEngineConfig(Comment + shippedFile("engine.cfg"));
    home.writeDataFile("controls.cfg", shippedFile("controls.cfg"));
    const ino_t controls = inode(home.dataFile("controls.cfg"));

    const std::string out = root.file("out.txt");
    const std::string err = root.file("err.txt");
    const std::string path = root.file("fake") + ":" + std::getenv("PATH");
    const pid_t shell = fork();
    if (shell == 0) {
        // A job of its own, as a terminal starts one.
        setpgid(0, 0);
        unsetenv("DISPLAY");
        setenv("PATH", path.c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
        // As for every whole-program run: the exit status must be the game's own, not the leak
        // report of the interpreter's objects at exit.
        setenv("ASAN_OPTIONS", asanOptions("detect_leaks=0").c_str(), 1);
#endif
        freopen(out.c_str(), "w", stdout);
        freopen(err.c_str(), "w", stderr);
        execl("/bin/bash", "bash", root.file("run.sh").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(shell, shell);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    int status = -1;
    bool signalled = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(shell, &status, WNOHANG) == shell) {
            break;
        }
        if (!signalled && home.readEngineLog().find(EngineBuilt) != std::string::npos) {
            // Ctrl-C: the terminal signals its whole foreground process group.
            kill(-shell, SIGINT);
            signalled = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        status = -1;
    }
    if (status == -1) {
        kill(-shell, SIGKILL);
        waitpid(shell, &status, 0);
        status = -1;
    }
    const std::string all = readFile(out) + readFile(err);
    // The game's log goes to standard output too: its end says enough.
    const std::string output = ending(all);
    EXPECT_TRUE(signalled) << output;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ": " << output;
    EXPECT_EQ(home.readEngineConfig().find(Comment), std::string::npos) << "engine.cfg not written back: " << output;
    EXPECT_NE(inode(home.dataFile("controls.cfg")), controls) << "controls.cfg not written back: " << output;
    EXPECT_EQ(output.find("X connection"), std::string::npos) << output;
    EXPECT_EQ(output.find("device not closed"), std::string::npos) << output;
    // The server went with the game.
    const std::string::size_type at = all.find("starting under Xvfb on :");
    ASSERT_NE(at, std::string::npos) << output;
    const std::string lock = "/tmp/.X" + std::to_string(std::atoi(all.c_str() + at + 24)) + "-lock";
    const int server = std::atoi(readFile(lock).c_str());
    if (server > 0 && kill(server, 0) == 0) {
        kill(server, SIGTERM);
        ADD_FAILURE() << "run.sh left its X server running";
    }
}
