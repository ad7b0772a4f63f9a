// A locale that writes numbers with a decimal comma (German), compiled once into the build tree,
// taken by the test process in everything, as a desktop program that follows the player's locale
// takes it before it starts the engine.
#pragma once

#include <string>

namespace tolva::test {

/// Takes the locale; returns why it could not be taken (then the caller skips), or "".
std::string takeCommaDecimalLocale();

} // namespace tolva::test
