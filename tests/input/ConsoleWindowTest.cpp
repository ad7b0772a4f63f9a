// The console in the real render window, driven by keys and clicks injected with xdotool, and
// engines with the GUI and the console restarted in one process. Each runs in a child process
// with an X server of its own, so the keyboard and pointer grabs of other window tests cannot take
// the events.
#include <gtest/gtest.h>

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/Application.h"
#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "input/Console.h"
#include "input/Gui.h"
#include "input/Input.h"
#include "scene/Graphics.h"
#include "scene/WindowTestSupport.h"
#include "scripting/Python.h"
#include "support/TestGame.h"
#include "support/TestHome.h"
#include "tests/input/ChildProcess.h"

namespace tolva::test {
namespace {

const char* const CHILD_VARIABLE = "TOLVA_CONSOLE_WINDOW_CHILD";
const char* const FONTS = "FileSystem=/usr/share/fonts/truetype/dejavu\n";
// The software renderer without a compiler: the compiler's own code registration allocates while
// holding the unwinder's lock, where the sanitizer's full stack unwinding (which the interpreter's
// leaks need) would wait for that lock for ever.
const char* const RENDERER = "GALLIUM_DRIVER=softpipe";

char gProgram[] = "test_console_window";
char* gArgv[] = {gProgram, nullptr};

EngineOptions consoleOptions()
{
    EngineOptions options = windowEngineOptions(true);
    options.scripting = true;
    options.gui = true;
    options.console = true;
    return options;
}

/// Pixels of a small box under the cursor's starting point (the middle of the window, just below
/// the console) that differ from the background.
int pixelsUnderTheCursor(Ogre::RenderWindow* window, const std::array<int, 3>& background)
{
    int differing = 0;
    for (unsigned int y = 302; y < 310; ++y) {
        for (unsigned int x = 401; x < 409; ++x) {
            differing += readPixel(window, x, y) != background;
        }
    }
    return differing;
}

int runInjection()
{
    Checks check;
    TestHome home("Console Enable=no\n" + windowEngineConfig(FONTS), "");
    Engine engine(1, gArgv, consoleOptions());
    keepGraphicsLibrariesLoaded();
    engine.initialise();
    Gui& gui = *engine.getGui();
    CEGUI::Window* console = engine.getConsole()->getCEGUIWindow();
    CEGUI::Window* input = console->getChild("Console/Input");
    CEGUI::Window* output = console->getChild("Console/Output");
    Ogre::RenderWindow* window = engine.getGraphics()->getWindow();

    // Behind the GUI, where the game's slots are.
    std::vector<std::string> game;
    engine.getInput()->eventKeyPressed().connect([&game](const OIS::KeyEvent& event) {
        game.push_back("key " + std::to_string(event.key));
        return false;
    });
    engine.getInput()->eventMousePressed().connect([&game](const OIS::MouseEvent&, OIS::MouseButtonID id) {
        game.push_back("button " + std::to_string(id));
        return false;
    });
    auto gameSaw
        = [&game](const std::string& event) { return std::find(game.begin(), game.end(), event) != game.end(); };

    auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            engine.frame(0.02f);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    auto inject = [&check](const std::string& command) {
        check(std::system(("xdotool " + command).c_str()) == 0, "xdotool " + command);
    };
    auto framesUntil = [&](const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!condition() && std::chrono::steady_clock::now() < deadline) {
            frames(1);
        }
        frames(3);
        return condition();
    };
    auto outputHas = [output](const std::string& text) {
        return std::string(output->getText().c_str()).find(text) != std::string::npos;
    };
    auto inputIs = [input](const std::string& text) { return std::string(input->getText().c_str()) == text; };

    frames(20);
    const std::array<int, 3> background = readPixel(window, 405, 305);
    check(!gui.isInteractive() && pixelsUnderTheCursor(window, background) == 0, "no cursor while nothing is shown");

    // "Console Enable" is no: the grave key goes on to the game and the console stays hidden.
    inject("key grave");
    check(framesUntil([&] { return gameSaw("key 41"); }), "the grave press reached the game");
    check(!console->isVisible(), "the console stays hidden while not enabled");

    engine.getConfigFile()->setValueString("", "Console Enable", "yes");
    game.clear();
    inject("key grave");
    check(framesUntil([&] { return gui.isInteractive(); }), "the grave key shows the console");
    check(!gameSaw("key 41"), "the grave press that showed the console was not the game's");
    check(pixelsUnderTheCursor(window, background) > 0, "the cursor shows while the console is shown");

    inject("type --delay 40 'print(6*7)'");
    inject("key Return");
    check(framesUntil([&] { return outputHas("42\n"); }), "print(6*7) puts 42 in the output box");
    check(home.readEngineLog().find(": 42\n") != std::string::npos, "42 is in engine.log");
    check(game.empty(), "the typed keys were the console's");

    inject("type --delay 40 '1/0'");
    inject("key Return");
    check(framesUntil([&] { return outputHas("ZeroDivisionError"); }), "the traceback is in the output box");
    check(home.readEngineLog().find(": ZeroDivisionError\n") != std::string::npos, "the traceback is in engine.log");

    struct Walk {
        const char* key;
        const char* shown;
    };
    // Down with nothing selected clears what was typed; up stops at the oldest line.
    inject("type 'half a line'");
    for (const Walk& step : {Walk{"Down", ""}, Walk{"Up", "1/0"}, Walk{"Up", "print(6*7)"}, Walk{"Up", "print(6*7)"},
             Walk{"Down", "1/0"}, Walk{"Down", ""}, Walk{"Up", "1/0"}}) {
        inject(std::string("key ") + step.key);
        check(framesUntil([&] { return inputIs(step.shown); }),
            std::string(step.key) + " shows '" + step.shown + "', not '" + input->getText().c_str() + "'");
    }

    // A short entry recalled after one wider than the box is in view: its text shows (not only
    // the caret at the box's left edge), as much of it as an empty box shows plus the glyphs.
    const CEGUI::Rectf box = input->getUnclippedOuterRect().get();
    auto inkInTheBox = [&] {
        const std::array<int, 3> inside
            = readPixel(window, static_cast<unsigned int>(box.right() - 6), static_cast<unsigned int>(box.top() + box.getHeight() / 2));
        int differing = 0;
        for (auto y = static_cast<unsigned int>(box.top() + 3); y + 3 < box.bottom(); ++y) {
            for (auto x = static_cast<unsigned int>(box.left() + 3); x < box.left() + box.getWidth() / 2; ++x) {
                differing += readPixel(window, x, y) != inside;
            }
        }
        return differing;
    };
    const std::string wide = "'" + std::string(300, 'w') + "'";
    for (const std::string& line : {std::string("print(6*7)"), wide}) {
        input->setText(line);
        static_cast<CEGUI::Editbox*>(input)->setCaretIndex(line.size());
        frames(3);
        inject("key Return");
        check(framesUntil([&] { return inputIs(""); }), "the entered line leaves the input box");
    }
    frames(5);
    const int empty = inkInTheBox();
    inject("key Up");
    check(framesUntil([&] { return inputIs(wide); }), "Up shows the wide entry");
    inject("key Up");
    check(framesUntil([&] { return inputIs("print(6*7)"); }), "Up shows the entry before it");
    const int recalled = inkInTheBox();
    check(recalled > empty + 100, "the recalled entry shows: " + std::to_string(recalled) + " pixels of ink, "
            + std::to_string(empty) + " in the empty box");
    inject("key Down");
    inject("key Down");
    check(framesUntil([&] { return inputIs(""); }), "Down past the newest entry clears the box");

    // A click on the output box is the GUI's; one below the console is the game's.
    inject("mousemove_relative -- 0 -150");
    frames(5);
    inject("click 1");
    frames(10);
    check(!gameSaw("button 0"), "a click on the console did not reach the game");
    inject("mousemove_relative -- 0 250");
    frames(5);
    inject("click 1");
    check(framesUntil([&] { return gameSaw("button 0"); }), "a click beside the console reached the game");

    inject("key grave");
    check(framesUntil([&] { return !gui.isInteractive(); }), "the grave key hides the console");
    frames(3);
    check(pixelsUnderTheCursor(window, background) == 0, "no cursor once the console is hidden");
    check(home.readEngineLog().find("Successfully completed loading of GUI layout") != std::string::npos,
        "the GUI library's lines are in engine.log");

    engine.shutdown();
    return check.status();
}

/// Three engines, one after the other as restarts ask, each showing its console, printing into
/// it and asking for the restart while the console is shown.
int runRestarts()
{
    Checks check;
    TestHome home("Console Enable=yes\n" + windowEngineConfig(FONTS), "");
    int engines = 0;
    std::vector<std::string> shown;
    EngineOptions options = consoleOptions();
    options.createGame = [&]() -> GameBase* {
        const int number = ++engines;
        auto* game = new TestGame(5, number < 3);
        game->onFrame = [number, &shown](TestGame&, unsigned int frame) {
            Engine& engine = *Engine::getInstance();
            if (frame == 1) {
                keepGraphicsLibrariesLoaded();
                engine.getConsole()->getCEGUIWindow()->setVisible(true);
                engine.getScripting()->executeStatement("print('engine', " + std::to_string(number) + ")");
            }
            if (frame == 5) {
                shown.push_back(engine.getConsole()->getCEGUIWindow()->getChild("Console/Output")->getText().c_str());
            }
        };
        return game;
    };
    check(Application(1, gArgv, options).run() == 0, "the program ends well");
    check(engines == 3, "three engines ran");
    for (std::size_t i = 0; i < shown.size(); ++i) {
        check(shown[i] == "engine " + std::to_string(i + 1) + "\n",
            "engine " + std::to_string(i + 1) + "'s console showed '" + shown[i] + "'");
    }
    return check.status();
}

TEST(ConsoleWindow, KeysAndClicksFromXdotoolDriveTheConsole)
{
    const std::string output = runUnderOwnXServer(CHILD_VARIABLE, "injection", RENDERER);
    EXPECT_EQ("", failedLines(output)) << tail(output);
}

TEST(ConsoleWindow, EnginesRestartWithTheConsoleShown)
{
    const std::string output = runUnderOwnXServer(CHILD_VARIABLE, "restarts", RENDERER);
    EXPECT_EQ("", failedLines(output)) << tail(output);
}

} // namespace
} // namespace tolva::test

int main(int argc, char** argv)
{
    if (const char* mode = std::getenv(tolva::test::CHILD_VARIABLE)) {
        try {
            return std::string(mode) == "injection" ? tolva::test::runInjection() : tolva::test::runRestarts();
        } catch (const std::exception& e) {
            std::cout << "FAILED: " << e.what() << std::endl;
            return 1;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
