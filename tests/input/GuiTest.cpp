// The GUI module without a window: when the GUI is interactive, which events it takes, its
// window bookkeeping and warnings, its log bridge, and text crossing into the GUI library.
#include <gtest/gtest.h>

#include <CEGUI/CEGUI.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/Log.h"
#include "input/GuiText.h"
#include "support/CommaDecimalLocale.h"
#include "tests/input/GuiTestSupport.h"

namespace tolva::test {
namespace {

const char* const MenuLayout = "gui/layouts/ConsoleWindow.layout";

bool cursorShown()
{
    const CEGUI::MouseCursor& cursor = CEGUI::System::getSingleton().getDefaultGUIContext().getMouseCursor();
    return cursor.isVisible() && cursor.getImage() != nullptr;
}

/// A mouse event with its own state (an OIS event only refers to one).
struct Motion {
    Motion(int x, int y, int z)
    {
        state.X.rel = x;
        state.Y.rel = y;
        state.Z.rel = z;
    }
    Motion(const Motion&) = delete;
    operator const OIS::MouseEvent&() const { return event; }

    OIS::MouseState state;
    OIS::MouseEvent event{nullptr, state};
};

TEST(GuiInteractivity, FollowsVisibleEnabledWindowsFromTheNextFrame)
{
    HeadlessGui fixture(false);
    Gui& gui = fixture.gui();
    gui.loadScheme("gui/schemes/Tolva2.scheme");
    CEGUI::Window* menu = gui.createMenu(MenuLayout, "Menu");
    CEGUI::Window* hud = gui.createHud(MenuLayout, "Hud");

    struct Step {
        const char* what;
        std::function<void()> act;
        bool beforeFrame;
        bool afterFrame;
    };
    const Step steps[] = {
        {"nothing attached", [] {}, false, false},
        {"a shown heads-up display", [&] { gui.addChild(hud); }, false, false},
        {"a shown menu", [&] { gui.addChild(menu); }, false, true},
        {"the menu hidden", [&] { menu->setVisible(false); }, true, false},
        {"the menu shown again", [&] { menu->setVisible(true); }, false, true},
        {"the menu disabled", [&] { menu->setEnabled(false); }, true, false},
        {"the menu enabled", [&] { menu->setEnabled(true); }, false, true},
        // Disabling the GUI hides the root, which marks nothing dirty by itself.
        {"the GUI disabled", [&] { gui.setEnabled(false); }, true, true},
        {"a window removed while disabled", [&] { gui.removeChild(hud); }, true, false},
        {"the GUI enabled", [&] { gui.setEnabled(true); }, false, false},
        {"the menu removed", [&] { gui.removeChild(menu); }, false, false},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(step.beforeFrame, gui.isInteractive()) << step.what;
        fixture.frame();
        EXPECT_EQ(step.afterFrame, gui.isInteractive()) << step.what;
        EXPECT_EQ(step.afterFrame, cursorShown()) << step.what;
    }
    gui.destroyWindow(menu);
    gui.destroyWindow(hud);
}

TEST(GuiInput, EventsReachTheGuiOnlyWhileEnabledAndInteractive)
{
    HeadlessGui fixture;
    Gui& gui = fixture.gui();
    const OIS::KeyEvent letter(nullptr, OIS::KC_A, 'a');
    const Motion still(0, 0, 0);

    // Shown but not yet evaluated: nothing is taken.
    fixture.console().getCEGUIWindow()->setVisible(true);
    EXPECT_FALSE(gui.keyPressed(letter));
    EXPECT_FALSE(gui.mouseMoved(still));

    fixture.frame();
    EXPECT_TRUE(gui.keyPressed(letter));
    EXPECT_TRUE(gui.keyReleased(letter));
    EXPECT_EQ("a", fixture.inputText());
    // Motion is always consumed while interactive, even when nothing moved.
    EXPECT_TRUE(gui.mouseMoved(still));
    EXPECT_TRUE(gui.mouseMoved(Motion(3, -2, 120)));
    // A key the GUI does not use, and a key whose press it never saw, go on to the game.
    EXPECT_FALSE(gui.keyPressed(OIS::KeyEvent(nullptr, OIS::KC_F5, 0)));
    EXPECT_FALSE(gui.keyReleased(OIS::KeyEvent(nullptr, OIS::KC_F5, 0)));
    EXPECT_FALSE(gui.keyReleased(OIS::KeyEvent(nullptr, OIS::KC_W, 'w')));
    EXPECT_FALSE(gui.keyReleased(OIS::KeyEvent(nullptr, OIS::KC_UP, 0))) << "the console uses arrow releases";

    // A click on a window is taken with its release; one beside every window goes to the game.
    const float height = CEGUI::System::getSingleton().getRenderer()->getDisplaySize().d_height;
    gui.mouseMoved(Motion(0, static_cast<int>(height / 4), 0));
    EXPECT_FALSE(gui.mousePressed(still, OIS::MB_Left));
    EXPECT_FALSE(gui.mouseReleased(still, OIS::MB_Left));
    // Pressed beside the console and released on it: the release belongs to the game as well.
    EXPECT_FALSE(gui.mousePressed(still, OIS::MB_Left));
    gui.mouseMoved(Motion(0, -static_cast<int>(height / 2), 0));
    EXPECT_FALSE(gui.mouseReleased(still, OIS::MB_Left));
    EXPECT_TRUE(gui.mousePressed(still, OIS::MB_Left));
    EXPECT_TRUE(gui.mouseReleased(still, OIS::MB_Left));
    EXPECT_FALSE(gui.mouseReleased(still, OIS::MB_Right));
    fixture.child("Console/Input")->activate();

    // A press taken while interactive keeps its release, even once the GUI no longer is.
    EXPECT_TRUE(gui.keyPressed(letter));
    gui.setEnabled(false);
    EXPECT_FALSE(gui.keyPressed(letter));
    EXPECT_FALSE(gui.mouseMoved(still));
    EXPECT_FALSE(gui.mousePressed(still, OIS::MB_Left));
    EXPECT_TRUE(gui.keyReleased(letter));
    EXPECT_FALSE(gui.keyReleased(letter));
}

TEST(GuiInput, OneWheelNotchScrollsTheWindowUnderTheCursorOneStep)
{
    HeadlessGui fixture;
    Gui& gui = fixture.gui();
    fixture.showConsole();
    std::string lines;
    for (int line = 0; line < 200; ++line) {
        lines += "line " + std::to_string(line) + "\n";
    }
    auto* output = static_cast<CEGUI::MultiLineEditbox*>(fixture.child("Console/Output"));
    output->setText(lines);
    fixture.frame();
    CEGUI::Scrollbar* bar = output->getVertScrollbar();
    ASSERT_GT(bar->getDocumentSize(), bar->getPageSize() + 10 * bar->getStepSize());
    ASSERT_GT(bar->getStepSize(), 0.0f);
    bar->setScrollPosition(bar->getDocumentSize() / 2 - bar->getPageSize() / 2);

    // The cursor onto the middle of the output box, by motion as the mouse reports it.
    const CEGUI::Rectf box = output->getUnclippedOuterRect().get();
    const CEGUI::Vector2f cursor = CEGUI::System::getSingleton().getDefaultGUIContext().getMouseCursor().getPosition();
    gui.mouseMoved(Motion(static_cast<int>(box.getPosition().d_x + box.getWidth() / 2 - cursor.d_x),
        static_cast<int>(box.getPosition().d_y + box.getHeight() / 2 - cursor.d_y), 0));

    // The mouse reports a notch as 120; turning it toward the user scrolls down.
    const struct {
        int wheel;
        float steps;
    } rows[] = {{-120, 1}, {240, -2}, {-360, 3}, {60, -0.5f}};
    for (const auto& row : rows) {
        const float before = bar->getScrollPosition();
        EXPECT_TRUE(gui.mouseMoved(Motion(0, 0, row.wheel))) << row.wheel;
        EXPECT_NEAR(row.steps * bar->getStepSize(), bar->getScrollPosition() - before, 0.01f) << row.wheel;
    }
}

TEST(GuiInput, MouseButtonsConvertByNumberUpToTheSecondExtraButton)
{
    HeadlessGui fixture(false);
    const Gui& gui = fixture.gui();
    for (int button = 0; button <= OIS::MB_Button7; ++button) {
        const int expected = button <= OIS::MB_Button4 ? button : CEGUI::NoButton;
        EXPECT_EQ(expected, gui.convertOISMouseButtonToCEGUI(static_cast<OIS::MouseButtonID>(button))) << button;
    }
    for (int button = 0; button <= CEGUI::NoButton; ++button) {
        const int expected = button <= CEGUI::X2Button ? button : OIS::MB_Button7;
        EXPECT_EQ(expected, gui.convertCEGUIMouseButtonToOIS(static_cast<CEGUI::MouseButton>(button))) << button;
    }
}

TEST(GuiWindows, RepeatedAndUnknownWindowsAreWarnedAbout)
{
    HeadlessGui fixture(false);
    Gui& gui = fixture.gui();
    gui.loadScheme("gui/schemes/Tolva2.scheme");
    CEGUI::Window* menu = gui.createMenu(MenuLayout, "");
    CEGUI::Window* button = gui.createWidget("Tolva2/Button", "Button", "Menu");
    EXPECT_EQ("MenuButton", std::string(button->getName().c_str()));

    gui.addChild(menu);
    gui.addChild(menu);
    gui.addChild(menu);
    EXPECT_EQ(2, fixture.log().count("Warning: Attempt to duplicately add a Gui Child."));
    EXPECT_EQ(1u, gui.getRootWindow()->getChildCount());
    EXPECT_THROW(gui.addChild(nullptr), InvalidArgumentException);

    // A second copy under the same name is refused by the root and left unwatched.
    CEGUI::Window* copy = gui.createMenu(MenuLayout, "");
    EXPECT_THROW(gui.addChild(copy), CEGUI::AlreadyExistsException);
    fixture.log().clear();
    gui.removeChild(copy);
    EXPECT_TRUE(fixture.log().contains("Warning: Attempt to remove child not previously added."));

    // An unwatched window is still detached from the root.
    gui.getRootWindow()->addChild(button);
    fixture.frame();
    gui.removeChild(button);
    EXPECT_FALSE(gui.getRootWindow()->isChild(button));
    EXPECT_EQ(2, fixture.log().count("Warning: Attempt to remove child not previously added."));

    gui.destroyWindow(menu);
    gui.destroyWindow(copy);
    gui.destroyWindow(button);
    EXPECT_EQ(0u, gui.getRootWindow()->getChildCount());
}

TEST(GuiSchemes, AFailedSchemeIsLoggedNotThrown)
{
    HeadlessGui fixture(false);
    Gui& gui = fixture.gui();
    gui.loadScheme("gui/schemes/Missing.scheme");
    EXPECT_TRUE(fixture.log().contains("Failed to load the defined CEGUI scheme: gui/schemes/Missing.scheme."));
    EXPECT_FALSE(gui.isSchemeLoaded("Missing"));
    gui.loadScheme("gui/schemes/Tolva2.scheme");
    EXPECT_TRUE(gui.isSchemeLoaded("Tolva2"));
}

TEST(GuiLogBridge, TheOneLoggerOfTheProcessPutsTheGuiLibrarysLinesInEveryEnginesLog)
{
    const CEGUI::Logger* first = nullptr;
    for (int engine = 0; engine < 3; ++engine) {
        HeadlessGui fixture;
        fixture.showConsole();
        fixture.engine().getLog()->logMessage("from the engine log\n");
        first = first ? first : CEGUI::Logger::getSingletonPtr();
        EXPECT_EQ(first, CEGUI::Logger::getSingletonPtr()) << engine;
        EXPECT_NE(std::string::npos,
            fixture.home().readEngineLog().find(
                "---- Successfully completed loading of GUI layout from 'gui/layouts/ConsoleWindow.layout' ----"));
        // The console shows only what is written through the engine log object.
        EXPECT_EQ("from the engine log\n", fixture.outputText()) << engine;
    }
    EXPECT_FALSE(std::filesystem::exists("CEGUI.log")) << "the GUI library wrote a log file of its own";
}

TEST(GuiLocale, TheGuiLibraryReadsItsFilesUnderACommaDecimalLocaleWithoutWarning)
{
    const std::string unavailable = takeCommaDecimalLocale();
    if (!unavailable.empty()) {
        GTEST_SKIP() << unavailable;
    }
    HeadlessGui fixture;
    const std::string log = fixture.home().readEngineLog();
    EXPECT_NE(std::string::npos, log.find("Successfully completed loading of GUI layout")) << log;
    EXPECT_EQ(std::string::npos, log.find("The C locale")) << log;
}

TEST(GuiText, Utf8BecomesCodePointsAndDamagedBytesBecomeReplacementCharacters)
{
    struct Row {
        const char* what;
        std::string utf8;
        std::vector<CEGUI::utf32> codePoints;
    };
    const CEGUI::utf32 bad = 0xFFFD;
    const std::vector<Row> rows = {
        {"ascii", "ok", {'o', 'k'}},
        {"two, three and four bytes", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82", {0xE9, 0x20AC, 0x1F642}},
        {"a Latin-1 byte", "Vorw\xe4rts", {'V', 'o', 'r', 'w', bad, 'r', 't', 's'}},
        {"a cut-off sequence at the end", "x\xe2\x82", {'x', bad, bad}},
        {"a stray continuation byte", "\x80y", {bad, 'y'}},
        {"an overlong form", "\xc0\xaf", {bad, bad}},
        {"a surrogate", "\xed\xa0\x80", {bad, bad, bad}},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", {bad, bad, bad, bad}},
        {"a zero byte", std::string("a\0b", 3), {'a', 0, 'b'}},
    };
    for (const Row& row : rows) {
        const CEGUI::String text = utf8ToGuiText(row.utf8);
        EXPECT_EQ(std::vector<CEGUI::utf32>(text.begin(), text.end()), row.codePoints) << row.what;
        // Whatever came in, what goes back out is well-formed and decodes to the same text.
        EXPECT_TRUE(utf8ToGuiText(guiTextToUtf8(text)) == text) << row.what;
    }
    EXPECT_EQ(
        "\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82", guiTextToUtf8(utf8ToGuiText("\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82")));
}

} // namespace
} // namespace tolva::test
