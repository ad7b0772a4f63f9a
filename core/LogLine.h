// Lines written to "engine.log" by code that does not hold the engine log object. Recoverable
// misuse is reported with a "Warning: " line and otherwise ignored.
#pragma once

#include <string>

namespace tolva {

/// Writes the whole line through the rendering engine's log manager at normal level, so it lands
/// in "engine.log" and the console echo (not in the engine log's tail). Before a log manager or
/// its default log exists the line goes to standard error, so nothing is lost.
void logLine(const std::string& line);

/// logLine for a warning; the caller passes the whole line, "Warning: " included.
void logWarning(const std::string& line);

} // namespace tolva
