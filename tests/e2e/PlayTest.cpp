// The shipped game played end to end: the real program on the shipped data, on an X server of its
// own with a window manager (so the keys go to it and the window can be closed as a player
// closes it). Keys from xdotool roll the sphere over the plate, through the opened gate and into
// the updraft to the gem; the console reports where the sphere is and restarts the engine; then
// the window is closed and the program must end cleanly with its files written. On the way the
// test looks at the window as the player does: the picture follows the camera and the sphere,
// nothing washes it out or fills it with one colour, the sphere stays in view in the updraft, and
// the goal line can be read and changes with the gem. After the gem the sphere comes back down and
// rests; a sphere left in the magnetic field stays on the level; the closest camera stays out of
// the sphere. Keys meant for the console wait until the window shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "GameWindow.h"
#include "RunningProgram.h"
#include "support/TestHome.h"
#include "tests/input/ChildProcess.h"

using tolva::test::failedLines;
using tolva::test::GameWindow;
using tolva::test::Picture;
using tolva::test::xClient;
using tolva::test::readFile;
using tolva::test::RunningProgram;
using tolva::test::runUnderOwnXServer;
using tolva::test::tail;
using tolva::test::TestHome;

namespace {

const char* const OwnDisplay = "TOLVA_E2E_OWN_DISPLAY";
const double LevelSeconds = 90.0;
const double EventSeconds = 30.0;

/// Rows below this one hold the key line, which the GUI redraws whatever the scene does.
int sceneRows(const Picture& picture)
{
    return std::max(0, picture.height - 40);
}

/// The share of the scene's pixels (above the key line) that differ between two pictures.
double changedShare(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) {
        return 0.0;
    }
    std::size_t changed = 0;
    for (int y = 0; y < sceneRows(a); ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t* p = a.at(x, y);
            const std::uint8_t* q = b.at(x, y);
            const int difference = std::max({std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])});
            changed += difference > 30;
        }
    }
    return static_cast<double>(changed) / (static_cast<double>(sceneRows(a)) * a.width);
}

/// The share of the scene's pixels for which the test holds.
template <typename Test>
double share(const Picture& picture, Test test)
{
    std::size_t found = 0;
    for (int y = 0; y < sceneRows(picture); ++y) {
        for (int x = 0; x < picture.width; ++x) {
            found += test(picture.at(x, y));
        }
    }
    return picture.rgb.empty() ? 1.0
                               : static_cast<double>(found) / (static_cast<double>(sceneRows(picture)) * picture.width);
}

bool isWhite(const std::uint8_t* p)
{
    return p[0] > 235 && p[1] > 235 && p[2] > 235;
}

/// The sphere's dark blue bands, lit or in shade; not the pale blue of the sky, the trail or the
/// field's marks.
bool isSphereBlue(const std::uint8_t* p)
{
    return p[2] >= 60 && p[2] > 2 * p[0] && p[2] * 10 > p[1] * 14 && p[0] < 90;
}

/// Either of the sphere's colours: its blue bands or its cream ones (yellower than the floor's
/// lines, paler than the blocks' orange).
bool isSphere(const std::uint8_t* p)
{
    return isSphereBlue(p) || (p[0] > 150 && p[1] * 10 > p[0] * 8 && p[2] * 10 < p[0] * 8);
}

/// The share of the scene's pixels in its most common colour, each channel cut to eight levels.
double largestColourShare(const Picture& picture)
{
    std::vector<std::size_t> counts(512, 0);
    for (int y = 0; y < sceneRows(picture); ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture.at(x, y);
            ++counts[(p[0] >> 5) * 64 + (p[1] >> 5) * 8 + (p[2] >> 5)];
        }
    }
    return picture.rgb.empty()
        ? 1.0
        : static_cast<double>(*std::max_element(counts.begin(), counts.end()))
            / (static_cast<double>(sceneRows(picture)) * picture.width);
}

/// Relative luminance of an sRGB pixel, as contrast ratios are defined on it.
double luminance(const std::uint8_t* p)
{
    double sum = 0.0;
    const double weights[] = {0.2126, 0.7152, 0.0722};
    for (int i = 0; i < 3; ++i) {
        const double c = p[i] / 255.0;
        sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return sum;
}

/// The contrast of the goal line at the top: its letters, which are grey or white (neutral
/// pixels), against the median of the strip (what lies behind them, which covers most of it).
/// Coloured scenery reaching into the strip is not taken for letters.
double goalLineContrast(const Picture& picture)
{
    std::vector<double> levels;
    std::vector<double> neutral;
    for (int y = 8; y < 28 && y < picture.height; ++y) {
        for (int x = 10; x < std::min(picture.width, 550); ++x) {
            const std::uint8_t* p = picture.at(x, y);
            levels.push_back(luminance(p));
            if (std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) < 24) {
                neutral.push_back(levels.back());
            }
        }
    }
    if (levels.empty()) {
        return 0.0;
    }
    std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
    const double behind = levels[levels.size() / 2];
    double contrast = 1.0;
    for (double level : neutral) {
        contrast = std::max(contrast, (std::max(level, behind) + 0.05) / (std::min(level, behind) + 0.05));
    }
    return contrast;
}

/// The height the log gives in "Level: gem taken at <height> units up", or -1.
double gemHeight(const std::string& log)
{
    const std::string marker = "Level: gem taken at ";
    const std::size_t at = log.find(marker);
    return at == std::string::npos ? -1.0 : std::atof(log.c_str() + at + marker.size());
}

/// The share of the goal line's letters (bright neutral pixels of its strip) that only one of the
/// two pictures has.
double goalLineChange(const Picture& a, const Picture& b)
{
    const auto letter = [](const std::uint8_t* p) {
        return std::min({p[0], p[1], p[2]}) > 150 && std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) < 24;
    };
    std::size_t letters = 0;
    std::size_t differ = 0;
    for (int y = 8; y < 28 && y < a.height && y < b.height; ++y) {
        for (int x = 10; x < 550 && x < a.width && x < b.width; ++x) {
            letters += letter(a.at(x, y)) || letter(b.at(x, y));
            differ += letter(a.at(x, y)) != letter(b.at(x, y));
        }
    }
    return letters == 0 ? 0.0 : static_cast<double>(differ) / static_cast<double>(letters);
}

/// Where the log's last "Level: sphere at <x> <y> <z>" puts the sphere (far below the level when
/// no line says).
std::vector<double> spherePosition(const std::string& log)
{
    std::vector<double> position = {0.0, -1000.0, 0.0};
    const std::size_t at = log.rfind("Level: sphere at ");
    if (at != std::string::npos) {
        std::sscanf(log.c_str() + at, "Level: sphere at %lf %lf %lf", &position[0], &position[1], &position[2]);
    }
    return position;
}

/// The seconds of the day at which the log wrote the line that begins at the offset ("HH:MM:SS: ").
int logSecond(const std::string& log, std::size_t at)
{
    const std::size_t start = log.rfind('\n', at);
    int hours = 0, minutes = 0, seconds = 0;
    std::sscanf(log.c_str() + (start == std::string::npos ? 0 : start + 1), "%d:%d:%d", &hours, &minutes, &seconds);
    return (hours * 60 + minutes) * 60 + seconds;
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
    xClient("(openbox >/dev/null 2>&1 &)");
    RunningProgram program;
    ASSERT_TRUE(program.waitForText(log, "Level: built", LevelSeconds)) << program.standardError();
    const GameWindow game(home.dataFile("shot.ppm"));
    ASSERT_TRUE(game.isFound()) << "the window is found and takes the focus";
    const auto toggleConsole = [&](bool shown) { return game.toggleConsole(shown, EventSeconds); };

    // Frames go by with the sphere at its start: the plate stays up and the picture stays put.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    check(readFile(log).find("Level: plate pressed") == std::string::npos, "the plate waits for the sphere");
    const Picture start = game.screenshot();
    check(!start.rgb.empty(), "the window's pixels are read");
    check(goalLineContrast(start) >= 4.5,
        "the goal line reads against what is behind it (contrast " + std::to_string(goalLineContrast(start)) + ")");

    // Turning the camera turns the picture; turning it back lets W roll the sphere ahead.
    xClient("xdotool keydown Left");
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    xClient("xdotool keyup Left");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Picture turned = game.screenshot();
    check(changedShare(start, turned) > 0.1,
        "turning the camera changes the picture above the key line (" + std::to_string(changedShare(start, turned))
            + " of it)");
    xClient("xdotool keydown Right");
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    xClient("xdotool keyup Right");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // From here on the level says where the sphere is twice a second, into the log, which stamps
    // each line with its second.
    check(toggleConsole(true), "the console shows");
    GameWindow::enterInConsole("import sys, time, TolvaEngine, scripts.level; L = sys.modules[\"scripts.level.Level\"]; "
                   "w = L.current; f = w.frame; "
                   "w.frame = lambda s, n=[0.0]: (f(s), time.monotonic() >= n[0] "
                   "and (n.__setitem__(0, time.monotonic() + 0.5), L.describe()))");
    check(program.waitForText(log, "Level: sphere at", EventSeconds), "the console has the level report the sphere");
    check(toggleConsole(false), "the console hides");

    // Forward (W) from the start: over the plate, through the gate once it has opened, into the
    // updraft, which lifts the sphere to the gem; then the keys are let go. A picture every
    // second, each unlike the one before until the gem is taken (after it the sphere may rest,
    // however many pictures a loaded machine managed before), none of them mostly one colour, and
    // the sphere in each while it rides the updraft.
    Picture previous = game.screenshot();
    xClient("xdotool keydown w");
    int pictures = 0;
    int still = 0;
    int washed = 0;
    int riding = 0;
    double leastSphere = 1.0;
    double worstColour = 0.0;
    for (int tries = 0, after = 0; tries < 90 && after < 2; ++tries) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const std::string now = readFile(log);
        const Picture next = game.screenshot();
        const bool taken = now.find("Level: gem taken") != std::string::npos;
        if (taken && after++ == 0) {
            xClient("xdotool keyup w");
        }
        ++pictures;
        still += !taken && changedShare(previous, next) < 0.02;
        washed += share(next, isWhite) > 0.5;
        worstColour = std::max(worstColour, largestColourShare(next));
        if (now.find("Level: sphere in the updraft") != std::string::npos) {
            ++riding;
            leastSphere = std::min(leastSphere, share(next, isSphereBlue));
        }
        previous = next;
    }
    xClient("xdotool keyup w");
    const std::string played = readFile(log);
    const std::size_t pressed = played.find("Level: plate pressed");
    const std::size_t opened = played.find("Level: gate open");
    check(pressed != std::string::npos, "the sphere pressed the plate");
    check(opened != std::string::npos && opened > pressed, "the gate opened after the plate was pressed");
    check(played.find("Level: sphere in the updraft") != std::string::npos, "the sphere reached the updraft");
    check(gemHeight(played) > 2.5,
        "the updraft carried the sphere up to the gem (taken at " + std::to_string(gemHeight(played)) + ")");
    check(pictures > 0 && still == 0,
        "the picture moves with the sphere (" + std::to_string(still) + " of " + std::to_string(pictures)
            + " pictures unchanged)");
    check(washed == 0, std::to_string(washed) + " pictures on the way are mostly white");
    check(worstColour <= 0.7, "no picture is mostly one colour (the worst: " + std::to_string(worstColour) + ")");
    // Sparks may pass over it, but never hide it all.
    check(riding > 0 && leastSphere > 0.0005,
        "the sphere is in view while it rides the updraft (" + std::to_string(riding) + " pictures, at least "
            + std::to_string(leastSphere) + " of each its blue)");
    check(goalLineChange(start, previous) > 0.3, "the goal line changes once the gem is taken");

    // With the keys let go, the weakened updraft lets the sphere down within 5 s of the gem (to
    // the log's second), and it rests there, in the updraft, over the last 3 s of the 8 after it.
    std::string settled = readFile(log);
    const std::size_t gem = settled.find("Level: gem taken");
    for (int tries = 0; tries < 300 && gem != std::string::npos
         && logSecond(settled, settled.rfind("Level: sphere at")) - logSecond(settled, gem) < 9;
         ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        settled = readFile(log);
    }
    std::string heights;
    bool downInTime = false;
    bool stayedDown = true;
    std::vector<std::vector<double>> resting;
    std::size_t crossings = 0;
    for (std::size_t at = settled.find('\n', gem); gem != std::string::npos && at < settled.size();
         at = settled.find('\n', at + 1)) {
        const int second = logSecond(settled, at + 1) - logSecond(settled, gem);
        const std::string line = settled.substr(at + 1, settled.find('\n', at + 1) - at - 1);
        if (second > 8) {
            break;
        }
        crossings += line.find("Level: sphere in the updraft") != std::string::npos
            || line.find("Level: sphere out of the updraft") != std::string::npos;
        const std::size_t report = line.find("Level: sphere at");
        if (report != std::string::npos) {
            std::vector<double> p = spherePosition(line);
            heights += " " + std::to_string(p[1]).substr(0, 4) + " at " + std::to_string(second) + " s;";
            downInTime = downInTime || (second <= 5 && p[1] < 2.0);
            stayedDown = stayedDown && (second < 5 || p[1] < 2.0);
            if (second >= 5) {
                resting.push_back(p);
            }
        }
    }
    check(downInTime && stayedDown,
        "the sphere comes down within 5 s of the gem and stays down over the last 3 s (units up," + heights + ")");
    double wandered = 0.0;
    for (const std::vector<double>& p : resting) {
        wandered = std::max(wandered, std::hypot(p[0] - resting.back()[0], p[2] - resting.back()[2]));
    }
    check(!resting.empty() && wandered < 0.5,
        "the sphere rests over the last 3 s (it wanders " + std::to_string(wandered) + " units)");
    check(crossings <= 2, "the sphere goes in or out of the updraft " + std::to_string(crossings) + " times after the gem");

    // The console: the level stops its reports; where a sphere put at rest in the magnetic field
    // is 5 s later, long after the field has rolled it out.
    check(toggleConsole(true), "the console shows again");
    GameWindow::enterInConsole("del w.frame; print(\"reports end\")");
    check(program.waitForText(log, "reports end", EventSeconds), "the level stops its reports");
    const std::size_t reports = count(readFile(log), "Level: sphere at");
    GameWindow::enterInConsole("from TolvaValues.Ogre import Vector3 as V; s = TolvaEngine.GameSingleton.getInstance()"
                   ".getPlaySphere(); "
                   "b = s.getMovableBody(); b.setLinearVelocity(V(0, 0, 0)); b.setAngularVelocity(V(0, 0, 0)); "
                   "s.setPosition(V(-10, 1, -7))");
    std::this_thread::sleep_for(std::chrono::seconds(5));
    GameWindow::enterInConsole("L.describe()");
    for (int tries = 0; tries < 300 && count(readFile(log), "Level: sphere at") <= reports; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::vector<double> pushed = spherePosition(readFile(log));
    check(pushed[1] > 0.5 && std::abs(pushed[0]) < 20 && std::abs(pushed[2]) < 20 && pushed[0] < -10.5,
        "the magnetic field pushes a sphere at rest sideways and keeps it on the level (at "
            + std::to_string(pushed[0]) + " " + std::to_string(pushed[1]) + " " + std::to_string(pushed[2]) + ")");

    // Page Up held brings the camera as close as the game lets it: the picture is not the sphere.
    check(toggleConsole(false), "the console hides");
    xClient("xdotool keydown Prior");
    std::this_thread::sleep_for(std::chrono::seconds(3));
    xClient("xdotool keyup Prior");
    const Picture close = game.screenshot();
    check(share(close, isSphere) < 0.5,
        "the closest camera stays outside the sphere (" + std::to_string(share(close, isSphere))
            + " of the picture is the sphere)");

    check(toggleConsole(true), "the console shows for the missing mesh");
    // A script asking for a mesh that does not exist: the error is reported and play goes on.
    GameWindow::enterInConsole("import TolvaEngine; TolvaEngine.MeshObject(\"Missing\", \"no_such.mesh\")");
    check(program.waitForText(log, "Cannot locate resource no_such.mesh", EventSeconds), "the missing mesh is named");
    GameWindow::enterInConsole("TolvaEngine.TolvaSingleton.getInstance().stop(True)");
    const auto restarted = [&] { return count(readFile(log), "Level: built") == 2; };
    for (int tries = 0; tries < 600 && !restarted(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    check(restarted(), "the engine restarted with the level");

    // Closed as a player closes it.
    check(xClient("wmctrl -c Spindlewake"), "the window manager asks the window to close");
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
