// The GUI log bridge: every line the GUI library logs goes into "engine.log" through the rendering
// engine's log manager, whatever its level, and the library writes no log file of its own.
//
// The GUI library allows one logger per process and aborts when a second one is made, so the
// logger is installed once, by the first GUI module, and stays installed until the process ends;
// later engines (after a restart) reuse it. Its lines never reach the developer console, which
// shows only what is written through the engine log object.
#pragma once

#include <CEGUI/Logger.h>

namespace tolva {

class GuiLogger : public CEGUI::Logger {
public:
    /// Makes the process's GUI logger unless the GUI library has one already. Call it before the
    /// GUI system is created, so the system takes it instead of making its own.
    static void install();

    /// Writes the message, as UTF-8, at normal level; nothing is filtered.
    void logEvent(const CEGUI::String& message, CEGUI::LoggingLevel level = CEGUI::Standard) override;
    /// The library names a log file; the bridge writes none.
    void setLogFilename(const CEGUI::String& filename, bool append = false) override;

private:
    GuiLogger() = default;
};

} // namespace tolva
