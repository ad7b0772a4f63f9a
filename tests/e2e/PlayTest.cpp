// The shipped game played end to end: the real program on the shipped data, on an X server of its
// own with a window manager (so the keys go to it and the window can be closed as a player
// closes it). Keys from xdotool roll the sphere over the plate, through the opened gate and into
// the updraft to the gem; the console reports where the sphere is and restarts the engine; then
// the window is closed and the program must end cleanly with its files written.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "RunningProgram.h"
#include "support/TestHome.h"
#include "tests/input/ChildProcess.h"

using tolva::test::failedLines;
using tolva::test::readFile;
using tolva::test::RunningProgram;
using tolva::test::runUnderOwnXServer;
using tolva::test::tail;
using tolva::test::TestHome;

namespace {

const char* const OwnDisplay = "TOLVA_E2E_OWN_DISPLAY";
const double LevelSeconds = 90.0;
const double EventSeconds = 30.0;

/// Runs an X client of the test (xdotool, wmctrl) and says whether it succeeded.
bool x(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

/// Types a line into the console and presses Return.
void enterInConsole(const std::string& line)
{
    x("xdotool type --delay 20 '" + line + "'");
    x("xdotool key Return");
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

} // namespace

TEST(ShippedGame, IsPlayedRestartedAndClosedWithItsFilesWritten)
{
    if (!std::getenv(OwnDisplay)) {
        const std::string output = runUnderOwnXServer(OwnDisplay, "1", "GTEST_FILTER=ShippedGame.*");
        EXPECT_EQ(failedLines(output), "") << tail(output);
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << tail(output);
        return;
    }
    tolva::test::Checks check;
    TestHome home;
    const std::string log = home.dataFile("engine.log");
    // A window manager, so that the window takes the keyboard focus and can be asked to close.
    x("(openbox >/dev/null 2>&1 &)");
    RunningProgram program;
    ASSERT_TRUE(program.waitForText(log, "Level: built", LevelSeconds)) << program.standardError();
    check(x("xdotool search --sync --name Spindlewake windowactivate --sync"), "the window takes the focus");

    // Forward (W) from the start: over the plate, through the gate once it has risen, into the
    // updraft, which lifts the sphere to the gem.
    x("xdotool keydown w");
    const bool pressed = program.waitForText(log, "Level: plate pressed", EventSeconds);
    const bool opened = program.waitForText(log, "Level: gate open", EventSeconds);
    const bool lifted = program.waitForText(log, "Level: sphere in the updraft", EventSeconds);
    x("xdotool keyup w");
    check(pressed, "the sphere pressed the plate");
    check(opened, "the gate opened");
    check(lifted, "the sphere reached the updraft");
    check(program.waitForText(log, "Level: gem taken", EventSeconds), "the sphere took the gem");

    // The console: where the sphere is, then a restart.
    x("xdotool key grave");
    enterInConsole("import scripts.level; scripts.level.describe()");
    check(program.waitForText(log, "gate open, gem taken", EventSeconds), "the console reports the sphere");
    // A script asking for a mesh that does not exist: the error is reported and play goes on.
    enterInConsole("import TolvaEngine; TolvaEngine.MeshObject(\"Missing\", \"no_such.mesh\")");
    check(program.waitForText(log, "Cannot locate resource no_such.mesh", EventSeconds), "the missing mesh is named");
    enterInConsole("TolvaEngine.TolvaSingleton.getInstance().stop(True)");
    const auto restarted = [&] { return count(readFile(log), "Level: built") == 2; };
    for (int tries = 0; tries < 600 && !restarted(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    check(restarted(), "the engine restarted with the level");

    // Closed as a player closes it.
    check(x("wmctrl -c Spindlewake"), "the window manager asks the window to close");
    const int status = program.waitForExit(EventSeconds);
    check(status == 0, "the program ends with status 0, not " + std::to_string(status));
    check(program.standardError().find("Fatal Error") == std::string::npos, "no fatal error");
    check(count(readFile(log), "Traceback") == 1, "no script error in the log but the missing mesh's");
    check(home.readEngineConfig().find("[Resources]") != std::string::npos, "engine.cfg is written back");
    check(readFile(home.dataFile("controls.cfg")).size() > 20, "controls.cfg holds the bindings");
    if (check.status() != 0) {
        std::cout << tail(readFile(log)) << std::endl;
    }
    EXPECT_EQ(check.status(), 0);
}
