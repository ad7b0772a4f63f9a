// Recoverable misuse is reported with a "Warning: " line in the engine log and otherwise ignored.
#pragma once

#include <string>

namespace tolva {

/// Writes the text through the rendering engine's log manager at normal level, so it lands in
/// "engine.log" (not in the engine log's tail). Before a log manager exists the line goes to
/// standard error, so nothing is lost and nothing dereferences a missing manager.
/// The caller passes the whole line, "Warning: " included.
void logWarning(const std::string& line);

} // namespace tolva
