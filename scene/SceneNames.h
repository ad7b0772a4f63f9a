// Scene objects name the rendering engine objects they create after themselves; a name that is
// taken is refused before anything is created, with a message that says which name and kind.
#pragma once

#include <string>

#include "core/Exceptions.h"

namespace tolva {

/// @throws InvalidArgumentException "A <kind> named '<name>' already exists." when taken
inline void requireFreeName(bool taken, const std::string& kind, const std::string& name)
{
    if (taken) {
        throw InvalidArgumentException("A " + kind + " named '" + name + "' already exists.");
    }
}

} // namespace tolva
