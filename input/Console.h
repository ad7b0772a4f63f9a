// The developer console: a window of the GUI with a one-line input box and a multi-line output
// box. A line entered in the input box is kept in a history and run as a Python statement in the
// interpreter's main namespace; everything written through the engine log object (which is where
// scripts print, and where a failing statement's traceback goes) appears in the output box, which
// scrolls to the newest line. Arrow up and down in the input box walk the history.
//
// The output box lays out its whole text again on every change (about 1.5 ms with a full box),
// so output is collected as it is written and handed to the box once per frame, before the GUI
// is drawn, when the console is shown, and when the output is read through getOutputText().
//
// The engine creates one console after the GUI, hides its window and attaches it to the GUI; the
// grave key shows and hides it. The window belongs to the GUI library, not to the console. Text
// is UTF-8 throughout: what is typed, kept, recalled and shown.
#pragma once

#include <CEGUI/Event.h>
#include <CEGUI/ForwardRefs.h>
#include <CEGUI/String.h>

#include <boost/signals2/connection.hpp>

#include <string>
#include <vector>

namespace tolva {

class Console {
public:
    /// The output box keeps at most this many characters; older lines are dropped first.
    static constexpr std::size_t MaxOutputLength = 65536;

    /// Loads the scheme "Tolva2" if needed and the layout "gui/layouts/ConsoleWindow.layout"
    /// through the engine's GUI, and listens to the engine log.
    /// @throw InvalidArgumentException "Console: Layout supplied for construction is invalid."
    ///        when the layout lacks the editbox "Console/Input" or the multi-line editbox
    ///        "Console/Output"
    /// @throw IllegalStateException when the engine has no GUI
    Console();
    /// Stops listening to the log and to the window; the window stays with the GUI.
    virtual ~Console();

    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    /// The console's top window.
    CEGUI::Window* getCEGUIWindow() const { return mWindow; }

    /// Arrow up and down walk the history (reported handled); other keys are left to the box.
    bool handleKeyDown(const CEGUI::EventArgs& args);
    /// Reports the release of the two arrow keys handled, nothing else.
    bool handleKeyUp(const CEGUI::EventArgs& args);
    /// Keeps the entered line, runs it, and clears the input box.
    bool handleCommandEntry(const CEGUI::EventArgs& args);
    /// Appends text written through the engine log to the output, exactly as written; the box
    /// shows it, scrolled to its end, from the next flushOutput() on.
    void handleCommandOutput(const std::string& text);
    /// Puts the output written since the last flush into the box. The engine calls it every frame
    /// before the GUI is drawn; it costs nothing when no output arrived.
    void flushOutput();
    /// The output box's text, with everything written so far.
    const CEGUI::String& getOutputText();

    const std::vector<std::string>& getHistory() const { return mHistory; }
    /// -1 while no history entry is shown.
    int getHistoryPosition() const { return mHistoryPosition; }

private:
    bool handleShown(const CEGUI::EventArgs& args);
    void showHistoryEntry(int position);
    void setInputText(const CEGUI::String& text);
    /// Drops the oldest lines until the output is within MaxOutputLength.
    void trimOutput();

    std::vector<std::string> mHistory;
    int mHistoryPosition;
    CEGUI::Window* mWindow;
    CEGUI::Editbox* mInputBox;
    CEGUI::MultiLineEditbox* mOutputBox;
    boost::signals2::connection mLogConnection;
    std::vector<CEGUI::Event::Connection> mSubscriptions;
    /// Everything the output box is to show, as written (the box adds a line feed of its own).
    /// It may run past MaxOutputLength between flushes, so that it is trimmed in chunks.
    CEGUI::String mOutput;
    /// Output arrived that the box does not show yet.
    bool mOutputPending;
};

} // namespace tolva
