#include "input/GuiLogger.h"

#include "core/LogLine.h"
#include "input/GuiText.h"

namespace tolva {

void GuiLogger::install()
{
    if (!CEGUI::Logger::getSingletonPtr()) {
        // Kept by the library's logger pointer until the process ends; never deleted.
        new GuiLogger();
    }
}

void GuiLogger::logEvent(const CEGUI::String& message, CEGUI::LoggingLevel)
{
    logLine(guiTextToUtf8(message));
}

void GuiLogger::setLogFilename(const CEGUI::String&, bool) { }

} // namespace tolva
