// Keys and mouse events injected with xdotool into the real render window reach the input
// module's signals in slot order. The injection runs in a child process with an X server of its
// own, so the keyboard and pointer grabs of other window tests running at the same time cannot
// take the events.

#include <gtest/gtest.h>

#include <OISMouse.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/Engine.h"
#include "input/Input.h"
#include "scene/Graphics.h"
#include "scene/WindowTestSupport.h"
#include "support/TestHome.h"
#include "tests/input/ChildProcess.h"

namespace tolva::test {
namespace {

const char* const CHILD_VARIABLE = "TOLVA_INPUT_INJECTION_CHILD";

bool contains(const std::vector<std::string>& events, const std::string& event)
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

/// The child's part: opens the engine's window, injects, checks. Prints one line per failed
/// check and returns the exit status.
int runInjection()
{
    Checks check;

    TestHome home(windowEngineConfig(), "");
    char program[] = "test_input_module";
    char* argv[] = {program, nullptr};
    Engine engine(1, argv, windowEngineOptions(true));
    keepGraphicsLibrariesLoaded();
    engine.initialise();
    Input& input = *engine.getInput();
    Graphics& graphics = *engine.getGraphics();

    check(input.getMouse()->getMouseState().width == 800 && input.getMouse()->getMouseState().height == 600,
        "the mouse area is the window's size");

    // Behind the engine's console handlers (connected at the front when the engine was built):
    // a consumer of "b" presses, then a slot that records everything that reaches it.
    std::vector<std::string> consumed;
    std::vector<std::string> later;
    int motionX = 0, motionY = 0, wheel = 0;
    input.eventKeyPressed().connect([&consumed](const OIS::KeyEvent& event) {
        if (event.key == OIS::KC_B) {
            consumed.push_back("kp:" + std::to_string(event.key));
            return true;
        }
        return false;
    });
    input.eventKeyPressed().connect([&later](const OIS::KeyEvent& event) {
        later.push_back("kp:" + std::to_string(event.key));
        return false;
    });
    input.eventKeyReleased().connect([&later](const OIS::KeyEvent& event) {
        later.push_back("kr:" + std::to_string(event.key));
        return false;
    });
    input.eventMouseMoved().connect([&](const OIS::MouseEvent& event) {
        motionX += event.state.X.rel;
        motionY += event.state.Y.rel;
        wheel += event.state.Z.rel;
        return false;
    });
    input.eventMousePressed().connect([&later](const OIS::MouseEvent&, OIS::MouseButtonID id) {
        later.push_back("mp:" + std::to_string(id));
        return false;
    });
    input.eventMouseReleased().connect([&later](const OIS::MouseEvent&, OIS::MouseButtonID id) {
        later.push_back("mr:" + std::to_string(id));
        return false;
    });

    auto frames = [&engine](int count) {
        for (int i = 0; i < count; ++i) {
            engine.frame(0.02f);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    frames(20);
    // Motion made so far (the pointer placed into the window) is not part of the injection.
    motionX = motionY = wheel = 0;

    check(std::system("(xdotool key --delay 40 a b grave; sleep 0.1;"
                      " xdotool mousemove_relative -- 30 20; sleep 0.1;"
                      " xdotool click 1; sleep 0.1; xdotool click 4) &")
            == 0,
        "xdotool starts");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline && !(contains(later, "mr:0") && wheel != 0)) {
        frames(1);
    }
    frames(5);

    std::ostringstream seen;
    for (const std::string& event : later) {
        seen << event << ' ';
    }
    std::cout << "events behind the consumer: " << seen.str() << std::endl;
    std::cout << "motion " << motionX << "," << motionY << " wheel " << wheel << std::endl;

    check(contains(later, "kp:30") && contains(later, "kr:30"), "key a pressed and released");
    check(consumed == std::vector<std::string>{"kp:48"}, "the consumer took the press of b");
    check(!contains(later, "kp:48"), "a consumed press does not reach later slots");
    check(contains(later, "kr:48"), "the release of b was not consumed");
    // "Console Enable" is not set: the engine's handler passes the grave press on but consumes
    // its release.
    check(contains(later, "kp:41"), "grave press passes the engine's handler");
    check(!contains(later, "kr:41"), "grave release is consumed by the engine's handler");
    check(motionX == 30 && motionY == 20, "relative motion 30,20");
    check(contains(later, "mp:0") && contains(later, "mr:0"), "left button pressed and released");
    check(wheel == 120, "one wheel notch is 120");

    // The mouse area follows the published resolution.
    graphics.setResolution(640, 480, true);
    check(input.getMouse()->getMouseState().width == 640 && input.getMouse()->getMouseState().height == 480,
        "the mouse area follows the resolution");

    // Without slots nothing is consumed, the engine's grave release included.
    input.shutdown();
    check(!input.keyReleased(OIS::KeyEvent(nullptr, OIS::KC_GRAVE, 0)), "no slot after shutdown");
    input.shutdown();

    engine.shutdown();
    return check.status();
}

TEST(InputInjection, KeysAndMouseFromXdotoolReachTheSignalsInSlotOrder)
{
    const std::string output = runUnderOwnXServer(CHILD_VARIABLE, "1");
    EXPECT_EQ("", failedLines(output)) << tail(output);
    EXPECT_NE(output.find("events behind the consumer"), std::string::npos) << tail(output);
}

} // namespace
} // namespace tolva::test

int main(int argc, char** argv)
{
    if (std::getenv(tolva::test::CHILD_VARIABLE)) {
        try {
            return tolva::test::runInjection();
        } catch (const std::exception& e) {
            std::cout << "FAILED: " << e.what() << std::endl;
            return 1;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
