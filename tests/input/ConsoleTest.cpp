// The developer console without a window: lines typed into it run as Python statements, their
// output and errors appear in the output box, the arrow keys walk the history, and text that is
// not ASCII goes through unchanged. Keys go through the GUI module's slots, as the input module
// hands them over.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/Log.h"
#include "core/LogLine.h"
#include "input/GuiText.h"
#include "support/TempDir.h"
#include "tests/input/GuiTestSupport.h"

namespace tolva::test {
namespace {

void enter(HeadlessGui& fixture, const std::string& line)
{
    fixture.type(line);
    fixture.tap(OIS::KC_RETURN, '\r');
}

TEST(ConsoleHistory, ArrowKeysWalkTheEnteredLines)
{
    HeadlessGui fixture;
    fixture.showConsole();
    struct Step {
        const char* what;
        OIS::KeyCode key;
        const char* typedFirst;
        const char* shown;
        int position;
    };
    const std::vector<Step> before = {
        {"up with no history", OIS::KC_UP, "", "", -1},
        {"down with nothing selected clears what was typed", OIS::KC_DOWN, "half a line", "", -1},
    };
    const std::vector<Step> after = {
        {"up shows the newest line", OIS::KC_UP, "", "b = 2", 1},
        {"up again shows the one before", OIS::KC_UP, "", "a = 1", 0},
        {"up at the oldest keeps it", OIS::KC_UP, "", "a = 1", 0},
        {"down goes back towards the newest", OIS::KC_DOWN, "", "b = 2", 1},
        {"down from the newest clears and deselects", OIS::KC_DOWN, "", "", -1},
        {"up after that shows the newest again", OIS::KC_UP, "", "b = 2", 1},
    };
    auto run = [&fixture](const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            fixture.type(step.typedFirst);
            EXPECT_TRUE(fixture.tap(step.key)) << step.what;
            EXPECT_EQ(step.shown, fixture.inputText()) << step.what;
            EXPECT_EQ(step.position, fixture.console().getHistoryPosition()) << step.what;
        }
    };
    run(before);
    enter(fixture, "a = 1");
    enter(fixture, "b = 2");
    EXPECT_EQ(std::vector<std::string>({"a = 1", "b = 2"}), fixture.console().getHistory());
    run(after);
    // The caret stands after the recalled line, so typing goes on at its end.
    fixture.type("0");
    EXPECT_EQ("b = 20", fixture.inputText());
}

TEST(ConsoleStatements, OutputAndErrorsOfEnteredLinesAppearInTheOutputBox)
{
    HeadlessGui fixture;
    fixture.showConsole();
    enter(fixture, "print(6*7)");
    EXPECT_EQ("", fixture.inputText());
    EXPECT_NE(std::string::npos, fixture.outputText().find("42\n"));
    // Python prints the values, the separator and the line end separately: one line all the same.
    enter(fixture, "print('x =', 6, 'y =', 7)");
    EXPECT_NE(std::string::npos, fixture.outputText().find("\nx = 6 y = 7\n"));

    enter(fixture, "1/0");
    EXPECT_NE(std::string::npos, fixture.outputText().find("ZeroDivisionError: division by zero"));
    EXPECT_EQ("", fixture.inputText());
    // An empty line is kept and run like any other.
    enter(fixture, "");
    enter(fixture, "print('still here')");
    EXPECT_NE(std::string::npos, fixture.outputText().find("still here\n"));
    EXPECT_EQ(5u, fixture.console().getHistory().size());
    EXPECT_EQ("", fixture.console().getHistory()[3]);
    EXPECT_NE(std::string::npos, fixture.home().readEngineLog().find("ZeroDivisionError"));
}

TEST(ConsoleText, TextThatIsNotAsciiGoesThroughUnchanged)
{
    HeadlessGui fixture;
    fixture.showConsole();
    // "print('Grüße €λ')", typed character by character.
    const std::u32string typed = U"print('Gr\u00fc\u00dfe \u20ac\u03bb')";
    for (const char32_t c : typed) {
        fixture.tap(OIS::KC_UNASSIGNED, static_cast<unsigned int>(c));
    }
    fixture.tap(OIS::KC_RETURN, '\r');
    const std::string line = "print('Gr\xc3\xbc\xc3\x9f"
                             "e \xe2\x82\xac\xce\xbb')";
    ASSERT_EQ(1u, fixture.console().getHistory().size());
    EXPECT_EQ(line, fixture.console().getHistory()[0]);
    EXPECT_NE(std::string::npos,
        fixture.outputText().find("Gr\xc3\xbc\xc3\x9f"
                                  "e \xe2\x82\xac\xce\xbb\n"));

    // Recalled, the line is the same text, so Return runs the same statement again.
    fixture.tap(OIS::KC_UP);
    EXPECT_EQ(line, fixture.inputText());

    // Bytes that are not UTF-8 show as replacement characters.
    fixture.engine().getLog()->logMessage("Vorw\xe4rts\n");
    EXPECT_NE(std::string::npos, fixture.outputText().find("Vorw\xef\xbf\xbdrts\n"));
}

TEST(ConsoleOutput, TheOutputBoxShowsWhatWasWrittenUpToItsBound)
{
    HeadlessGui fixture;
    Log& log = *fixture.engine().getLog();
    for (const char* piece : {"a", " ", "b", "\n", "\nc\n"}) {
        log.logMessage(piece);
    }
    EXPECT_EQ("a b\n\nc\n", fixture.outputText());
    // Lines written through the rendering engine's log never reach the console.
    logWarning("Warning: not for the console");
    EXPECT_EQ("a b\n\nc\n", fixture.outputText());

    const std::string line(99, 'x');
    for (std::size_t written = 0; written < 2 * Console::MaxOutputLength; written += line.size() + 1) {
        log.logMessage(line + "\n");
    }
    log.logMessage("newest\n");
    const std::string shown = fixture.outputText();
    EXPECT_LE(shown.size(), Console::MaxOutputLength);
    EXPECT_EQ(line + "\nnewest\n", shown.substr(shown.size() - line.size() - 8));
    EXPECT_EQ(0u, shown.size() % (line.size() + 1) - 7) << "the oldest lines go whole";
}

TEST(ConsoleKey, TheGraveKeyShowsTheConsoleOnlyWhenTheSettingAllowsIt)
{
    for (const std::string setting : {"Console Enable=yes\n", "Console Enable=no\n", ""}) {
        HeadlessGui fixture(true, setting);
        const bool allowed = setting == "Console Enable=yes\n";
        CEGUI::Window* window = fixture.console().getCEGUIWindow();
        const OIS::KeyEvent grave(nullptr, OIS::KC_GRAVE, '`');
        EXPECT_FALSE(window->isVisible()) << setting;
        EXPECT_EQ(allowed, fixture.engine().keyPressed(grave)) << setting;
        EXPECT_EQ(allowed, window->isVisible()) << setting;
        fixture.frame();
        EXPECT_EQ(allowed, fixture.gui().isInteractive()) << setting;
        EXPECT_EQ(allowed, fixture.engine().keyPressed(grave)) << setting;
        EXPECT_FALSE(window->isVisible()) << setting;
    }
}

TEST(ConsoleLayout, ALayoutWithoutTheTwoBoxesIsRefused)
{
    struct Row {
        const char* what;
        const char* children;
    };
    const Row rows[] = {
        {"no input box", R"(<Window type="Tolva2/MultiLineEditbox" name="Output" />)"},
        {"an output box of the wrong type",
            R"(<Window type="Tolva2/MultiLineEditbox" name="Input" /><Window type="Tolva2/Editbox" name="Output" />)"},
    };
    for (const Row& row : rows) {
        TempDir media;
        media.write("gui/layouts/ConsoleWindow.layout",
            std::string(R"(<?xml version="1.0" ?><GUILayout version="4"><Window type="DefaultWindow" name="Top">)")
                + R"(<Window type="Tolva2/FrameWindow" name="Console">)" + row.children
                + "</Window></Window></GUILayout>");
        try {
            HeadlessGui fixture(true, "", media.path());
            ADD_FAILURE() << row.what << ": the engine was built";
        } catch (const InvalidArgumentException& exception) {
            EXPECT_STREQ("Console: Layout supplied for construction is invalid.", exception.what()) << row.what;
        }
    }
}

} // namespace
} // namespace tolva::test
