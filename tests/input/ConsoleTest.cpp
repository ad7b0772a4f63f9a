// The developer console without a window: entered lines, the output box, text that is not ASCII
// and the layout it needs. Keys go through the GUI module's slots, as the input module hands them
// over. (ConsoleWindowTest drives it with real keys.)
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/Log.h"
#include "core/LogLine.h"
#include "support/TempDir.h"
#include "tests/input/GuiTestSupport.h"

namespace tolva::test {
namespace {

void enter(HeadlessGui& fixture, const std::string& line)
{
    fixture.type(line);
    fixture.tap(OIS::KC_RETURN, '\r');
}

TEST(ConsoleStatements, EveryEnteredLineIsKeptAndRunAndAPrintShowsAsOneLine)
{
    HeadlessGui fixture;
    fixture.showConsole();
    // Python writes the values, the separators and the line end of a print separately.
    enter(fixture, "print('x =', 6, 'y =', 7)");
    enter(fixture, "");
    enter(fixture, "print('after an empty line')");
    EXPECT_EQ("x = 6 y = 7\nafter an empty line\n", fixture.outputText());
    EXPECT_EQ(std::vector<std::string>({"print('x =', 6, 'y =', 7)", "", "print('after an empty line')"}),
        fixture.console().getHistory());
    EXPECT_EQ("", fixture.inputText());
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

TEST(ConsoleOutput, EveryLineReachesTheBoxInOrderHiddenOrShown)
{
    enum class Then { Frame, Show, Read };
    struct Row {
        const char* what;
        bool shown;
        Then then;
    };
    const Row rows[] = {
        {"hidden, then a frame", false, Then::Frame},
        {"shown, then a frame", true, Then::Frame},
        {"hidden, then shown", false, Then::Show},
        {"hidden, then read", false, Then::Read},
    };
    for (const Row& row : rows) {
        HeadlessGui fixture;
        fixture.console().getCEGUIWindow()->setVisible(row.shown);
        fixture.frame();
        std::string written;
        for (int n = 0; n < 40; ++n) {
            const std::string line = "line " + std::to_string(n) + "\n";
            fixture.engine().getLog()->logMessage(line);
            written += line;
        }
        switch (row.then) {
        case Then::Frame:
            fixture.frame();
            break;
        case Then::Show:
            fixture.console().getCEGUIWindow()->setVisible(true);
            break;
        case Then::Read:
            EXPECT_EQ(written, fixture.outputText()) << row.what;
            break;
        }
        EXPECT_EQ(written, fixture.boxText()) << row.what;
    }
}

TEST(ConsoleOutput, LongOutputKeepsTheNewestWholeLinesWithinTheBound)
{
    struct Row {
        const char* what;
        std::size_t lines;
        std::function<std::size_t(std::size_t)> length; ///< of line n, its line feed included
        std::size_t linesPerFrame;
    };
    const Row rows[] = {
        {"lines that fill the bound exactly", 4000, [](std::size_t) { return std::size_t(64); }, 1000},
        {"lines of many lengths, a frame now and then", 5000, [](std::size_t n) { return 12 + n * 37 % 150; }, 700},
    };
    for (const Row& row : rows) {
        HeadlessGui fixture;
        Log& log = *fixture.engine().getLog();
        std::vector<std::string> written;
        for (std::size_t n = 0; n < row.lines; ++n) {
            std::string line = std::to_string(n) + ' ';
            line.resize(row.length(n) - 1, 'x');
            written.push_back(line + '\n');
            log.logMessage(written.back());
            if ((n + 1) % row.linesPerFrame == 0 || n + 1 == row.lines) {
                fixture.frame();
                // The newest lines that fit, whole and in order.
                std::size_t first = written.size();
                for (std::size_t size = 0; first > 0 && size + written[first - 1].size() <= Console::MaxOutputLength;
                     --first) {
                    size += written[first - 1].size();
                }
                std::string expected;
                for (std::size_t i = first; i < written.size(); ++i) {
                    expected += written[i];
                }
                ASSERT_EQ(expected, fixture.boxText()) << row.what << ", after line " << n;
            }
        }
    }
}

TEST(ConsoleOutput, ALineLongerThanTheBoundKeepsItsEnd)
{
    HeadlessGui fixture;
    const std::string line = "first\n" + std::string(Console::MaxOutputLength, 'y') + "end\n";
    fixture.engine().getLog()->logMessage(line);
    // Lines written through the rendering engine's log never reach the console.
    logWarning("Warning: not for the console");
    fixture.frame();
    EXPECT_EQ(line.substr(line.size() - Console::MaxOutputLength), fixture.boxText());
}

TEST(ConsoleHistory, EnteringALineEndsTheBrowsing)
{
    struct Row {
        const char* key;
        OIS::KeyCode code;
        const char* shown;
    };
    HeadlessGui fixture;
    fixture.showConsole();
    enter(fixture, "print(1)");
    enter(fixture, "print(2)");
    fixture.tap(OIS::KC_UP);
    fixture.tap(OIS::KC_UP);
    ASSERT_EQ("print(1)", fixture.inputText());
    enter(fixture, "");
    // The line entered while browsing is the newest, and up starts from it again.
    for (const Row& step : {Row{"up", OIS::KC_UP, "print(1)"}, Row{"up", OIS::KC_UP, "print(2)"},
             Row{"down", OIS::KC_DOWN, "print(1)"}, Row{"down", OIS::KC_DOWN, ""}}) {
        fixture.tap(step.code);
        EXPECT_EQ(step.shown, fixture.inputText()) << step.key;
    }
    EXPECT_EQ(std::vector<std::string>({"print(1)", "print(2)", "print(1)"}), fixture.console().getHistory());
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
