// The developer console without a window: entered lines, the output box, text that is not ASCII
// and the layout it needs. Keys go through the GUI module's slots, as the input module hands them
// over. (ConsoleWindowTest drives it with real keys.)
#include <gtest/gtest.h>

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

TEST(ConsoleOutput, TheOutputBoxKeepsTheNewestLinesUpToItsBound)
{
    HeadlessGui fixture;
    Log& log = *fixture.engine().getLog();
    const std::string line(99, 'x');
    for (std::size_t written = 0; written < 2 * Console::MaxOutputLength; written += line.size() + 1) {
        log.logMessage(line + "\n");
    }
    log.logMessage("newest\n");
    // Lines written through the rendering engine's log never reach the console.
    logWarning("Warning: not for the console");
    const std::string shown = fixture.outputText();
    EXPECT_LE(shown.size(), Console::MaxOutputLength);
    EXPECT_EQ(line + "\nnewest\n", shown.substr(shown.size() - line.size() - 8));
    EXPECT_EQ(0u, (shown.size() - 7) % (line.size() + 1)) << "the oldest lines go whole";
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
