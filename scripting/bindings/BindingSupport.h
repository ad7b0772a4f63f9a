// Small pieces the binding files share.
#pragma once

#include "core/Exceptions.h"

#include <string>

namespace tolva::bindings {

/// The object a member cannot do without: None from a script raises ValueError.
/// @param what how the message names the argument ("The geometry")
template <typename T>
T* require(T* object, const char* what)
{
    if (!object) {
        throw InvalidArgumentException(std::string(what) + " must not be None.");
    }
    return object;
}

} // namespace tolva::bindings
