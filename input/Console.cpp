#include "input/Console.h"

#include <CEGUI/CEGUI.h>

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/Log.h"
#include "input/Gui.h"
#include "input/GuiText.h"
#include "scripting/Python.h"

namespace tolva {

namespace {

const char* const SchemeName = "Tolva2";
const char* const SchemeFile = "gui/schemes/Tolva2.scheme";
const char* const LayoutFile = "gui/layouts/ConsoleWindow.layout";
const char* const InputBoxPath = "Console/Input";
const char* const OutputBoxPath = "Console/Output";
// How far the output may run past its bound before the oldest lines are dropped: trimming moves
// the whole text, so it is done once for many lines rather than for each.
const std::size_t TrimChunk = Console::MaxOutputLength / 4;

template <typename Widget>
Widget* findChild(CEGUI::Window* window, const char* path)
{
    if (!window->isChild(path)) {
        return nullptr;
    }
    return dynamic_cast<Widget*>(window->getChild(path));
}

} // namespace

Console::Console()
    : mHistoryPosition(-1)
    , mWindow(nullptr)
    , mInputBox(nullptr)
    , mOutputBox(nullptr)
    , mOutputPending(false)
{
    Engine* engine = Engine::getInstance();
    Gui* gui = engine ? engine->getGui() : nullptr;
    if (!gui) {
        throw IllegalStateException("Console: the engine has no GUI.");
    }
    if (!gui->isSchemeLoaded(SchemeName)) {
        gui->loadScheme(SchemeFile);
    }
    mWindow = gui->createMenu(LayoutFile, "");
    mInputBox = findChild<CEGUI::Editbox>(mWindow, InputBoxPath);
    mOutputBox = findChild<CEGUI::MultiLineEditbox>(mWindow, OutputBoxPath);
    if (!mInputBox || !mOutputBox) {
        gui->destroyWindow(mWindow);
        throw InvalidArgumentException("Console: Layout supplied for construction is invalid.");
    }
    mWindow->setAlwaysOnTop(true);

    mSubscriptions.push_back(
        mInputBox->subscribeEvent(CEGUI::Window::EventKeyUp, CEGUI::Event::Subscriber(&Console::handleKeyUp, this)));
    mSubscriptions.push_back(mInputBox->subscribeEvent(
        CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&Console::handleKeyDown, this)));
    mSubscriptions.push_back(mInputBox->subscribeEvent(
        CEGUI::Editbox::EventTextAccepted, CEGUI::Event::Subscriber(&Console::handleCommandEntry, this)));
    // Keys reach only the active window: the input box takes them as soon as the console shows.
    mSubscriptions.push_back(
        mWindow->subscribeEvent(CEGUI::Window::EventShown, CEGUI::Event::Subscriber(&Console::handleShown, this)));

    if (Log* log = engine->getLog()) {
        mLogConnection = log->eventNewOutput().connect([this](const std::string& text) { handleCommandOutput(text); });
    }
}

Console::~Console()
{
    mLogConnection.disconnect();
    for (CEGUI::Event::Connection& subscription : mSubscriptions) {
        subscription->disconnect();
    }
}

bool Console::handleShown(const CEGUI::EventArgs&)
{
    flushOutput();
    mInputBox->activate();
    return false;
}

// ---------------------------------------------------------------------------------------------
// History

bool Console::handleKeyDown(const CEGUI::EventArgs& args)
{
    const CEGUI::Key::Scan key = static_cast<const CEGUI::KeyEventArgs&>(args).scancode;
    const int last = static_cast<int>(mHistory.size()) - 1;
    if (key == CEGUI::Key::ArrowUp) {
        if (mHistoryPosition == -1 && last >= 0) {
            showHistoryEntry(last);
        } else if (mHistoryPosition > 0) {
            showHistoryEntry(mHistoryPosition - 1);
        }
        return true;
    }
    if (key == CEGUI::Key::ArrowDown) {
        if (mHistoryPosition != -1 && mHistoryPosition < last) {
            showHistoryEntry(mHistoryPosition + 1);
        } else {
            mHistoryPosition = -1;
            setInputText(CEGUI::String());
        }
        return true;
    }
    return false;
}

bool Console::handleKeyUp(const CEGUI::EventArgs& args)
{
    const CEGUI::Key::Scan key = static_cast<const CEGUI::KeyEventArgs&>(args).scancode;
    return key == CEGUI::Key::ArrowUp || key == CEGUI::Key::ArrowDown;
}

void Console::showHistoryEntry(int position)
{
    mHistoryPosition = position;
    setInputText(utf8ToGuiText(mHistory[static_cast<std::size_t>(position)]));
}

void Console::setInputText(const CEGUI::String& text)
{
    // The box's renderer scrolls only as far as needed to keep the caret in view, starting from
    // where the previous text left it: after a long entry, a short one would sit scrolled out to
    // the left with only the caret showing. One pass of the renderer with the caret at the start
    // brings the view back to the text's beginning; the caret then goes to the end, so the entry
    // shows whole when it fits, else its end. (That pass only fills the box's geometry, which the
    // box refills before it is drawn.)
    mInputBox->setText(text);
    mInputBox->setCaretIndex(0);
    if (CEGUI::WindowRenderer* renderer = mInputBox->getWindowRenderer()) {
        renderer->render();
    }
    mInputBox->setCaretIndex(text.length());
    mInputBox->invalidate();
}

// ---------------------------------------------------------------------------------------------
// Statements and output

bool Console::handleCommandEntry(const CEGUI::EventArgs&)
{
    const std::string line = guiTextToUtf8(mInputBox->getText());
    mHistory.push_back(line);
    mHistoryPosition = -1;
    Engine* engine = Engine::getInstance();
    if (Python* python = engine ? engine->getScripting() : nullptr) {
        try {
            python->executeStatement(line);
        } catch (const ScriptingException&) {
            // Printing the error puts its traceback into the log, and so into the output box.
            python->getErrorString();
        }
    }
    mInputBox->setText(CEGUI::String());
    return true;
}

void Console::handleCommandOutput(const std::string& text)
{
    // Python writes a printed line in pieces (each value, each separator, the line feed): they
    // are joined exactly as written, so one print is one line.
    mOutput += utf8ToGuiText(text);
    mOutputPending = true;
    if (mOutput.length() > MaxOutputLength + TrimChunk) {
        trimOutput();
    }
}

void Console::flushOutput()
{
    if (!mOutputPending) {
        return;
    }
    mOutputPending = false;
    trimOutput();
    mOutputBox->setText(mOutput);
    mOutputBox->setCaretIndex(mOutputBox->getText().length());
    mOutputBox->ensureCaretIsVisible();
}

const CEGUI::String& Console::getOutputText()
{
    flushOutput();
    return mOutputBox->getText();
}

void Console::trimOutput()
{
    if (mOutput.length() <= MaxOutputLength) {
        return;
    }
    // Keep the longest run of whole newest lines that fits; when not even the newest line fits,
    // its end is kept.
    const CEGUI::String::size_type cut = mOutput.length() - MaxOutputLength;
    const CEGUI::String::size_type lineEnd = mOutput.find('\n', cut - 1);
    const bool wholeLines = lineEnd != CEGUI::String::npos && lineEnd + 1 < mOutput.length();
    mOutput.erase(0, wholeLines ? lineEnd + 1 : cut);
}

} // namespace tolva
