// Text of any value a standard output stream can write, for assembling messages.
#pragma once

#include <sstream>
#include <string>

namespace tolva {

template <typename T>
std::string ToString(T value)
{
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

/// A null C string contributes nothing (streaming it would be undefined).
template <>
inline std::string ToString<const char*>(const char* value)
{
    return value ? std::string(value) : std::string();
}

template <>
inline std::string ToString<char*>(char* value)
{
    return value ? std::string(value) : std::string();
}

} // namespace tolva
