// The real program on the shipped data with player settings far beyond what the camera and the
// sphere's body take: a mouse sensitivity in engine.cfg or set from the console, a fly speed set
// from the console. Keys held through xdotool on an X server of the test's own, with a window
// manager so that the window takes the keys. The game keeps running, says once what it skipped
// and ends in order when asked to.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "GameWindow.h"
#include "RunningProgram.h"
#include "support/TestHome.h"
#include "tests/input/ChildProcess.h"

using tolva::test::failedLines;
using tolva::test::GameWindow;
using tolva::test::xClient;
using tolva::test::readFile;
using tolva::test::RunningProgram;
using tolva::test::runUnderOwnXServer;
using tolva::test::tail;
using tolva::test::TestHome;

namespace {

const char* const OwnDisplay = "TOLVA_E2E_SETTINGS_DISPLAY";
const std::string FatalPrefix = "Brindlemoor: Fatal Error: ";
const std::string SkippedStep = "Warning: A look or zoom step of ";

void hold(const std::string& key, int milliseconds)
{
    xClient("xdotool keydown " + key);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    xClient("xdotool keyup " + key);
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

std::string withSensitivity(const std::string& value)
{
    std::string config = readFile(std::string(TOLVA_TREE_DIR) + "/cfg/engine.cfg");
    const std::size_t at = config.find("Mouse Sensitivity=1\n");
    return at == std::string::npos ? config : config.replace(at, 20, "Mouse Sensitivity=" + value + "\n");
}

} // namespace

TEST(PlayerSettings, ValuesBeyondTheCameraAndTheBodyAreSkippedWhileTheGameRuns)
{
    if (!std::getenv(OwnDisplay)) {
        const std::string output = runUnderOwnXServer(OwnDisplay, "1", "GTEST_FILTER=PlayerSettings.*");
        EXPECT_EQ(failedLines(output), "") << tail(output);
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << tail(output);
        return;
    }
    struct Case {
        const char* name;
        const char* sensitivity; ///< in engine.cfg
        const char* statement; ///< typed into the console after the sphere rolls: c the controls, g the game
        const char* key; ///< then held
        std::size_t skippedSteps; ///< warnings of a skipped look or zoom step
    };
    const std::vector<Case> cases = {
        {"sensitivity 1e20 in engine.cfg, left arrow", "1e20", "", "Left", 1},
        {"sensitivity 1e18 from the console, right arrow", "1", "c.setMouseSensitivity(1e18)", "Right", 1},
        // Fast enough that the fly speed times the speed passes the float range.
        {"fly speed 1e38 from the console, W in flight", "1",
            "c.setFlySpeed(1e38); c.setMode(S.GameControl_Mode.MODE_FLY); "
            "g.getPlaySphere().getMovableBody().setLinearVelocity(V(0, 5, -20))",
            "w", 0},
    };
    xClient("(openbox >/dev/null 2>&1 &)");
    for (const Case& c : cases) {
        TestHome home(withSensitivity(c.sensitivity), readFile(std::string(TOLVA_TREE_DIR) + "/cfg/controls.cfg"));
        const std::string log = home.dataFile("engine.log");
        RunningProgram program;
        ASSERT_TRUE(program.waitForText(log, "Level: built", 90.0)) << c.name << ": " << program.standardError();
        const GameWindow game(home.dataFile("shot.ppm"));
        ASSERT_TRUE(game.isFound()) << c.name;
        hold("w", 1000);
        if (*c.statement) {
            ASSERT_TRUE(game.toggleConsole(true, 20.0)) << c.name << ": the console shows";
            GameWindow::enterInConsole("import TolvaEngine as T, Spindlewake as S; from TolvaValues.Ogre import Vector3 "
                                       "as V; g = T.GameSingleton.getInstance(); c = g.getControls(); "
                + std::string(c.statement) + "; print(\"set\" + \"tled\")");
            EXPECT_TRUE(program.waitForText(log, "settled", 20.0)) << c.name;
            ASSERT_TRUE(game.toggleConsole(false, 20.0)) << c.name << ": the console hides";
        }
        hold(c.key, 1500);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        program.sendSignal(SIGTERM);
        EXPECT_EQ(program.waitForExit(60.0), 0) << c.name << ": " << program.standardError();
        EXPECT_EQ(program.standardError().find(FatalPrefix), std::string::npos) << c.name << ": "
                                                                               << program.standardError();
        const std::string lines = readFile(log);
        EXPECT_EQ(count(lines, SkippedStep), c.skippedSteps) << c.name;
        const bool large = std::string(c.sensitivity) != "1";
        EXPECT_EQ(count(lines,
                      "Warning: [Game] Mouse Sensitivity=" + std::string(c.sensitivity) + " in '"
                          + home.dataFile("engine.cfg")
                          + "' is beyond 1e15: look and zoom steps the camera cannot take are skipped.\n"),
            large ? 1u : 0u)
            << c.name;
    }
}
