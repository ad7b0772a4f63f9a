// Small pieces the value classes share: their text and the Python conventions they keep.
#pragma once

#include <boost/python/errors.hpp>
#include <boost/python/object.hpp>

#include <charconv>
#include <string>

namespace tolva::values {

/// The shortest text that reads back as the same float ("0.1", not "0.10000000149011612").
inline std::string realText(float value)
{
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

/// Division by zero raises ZeroDivisionError, as for Python's own numbers, instead of yielding
/// infinities that would travel on into the scene.
inline void checkDivisor(float divisor)
{
    if (divisor == 0.0f) {
        PyErr_SetString(PyExc_ZeroDivisionError, "division by zero");
        boost::python::throw_error_already_set();
    }
}

/// A class whose instances compare by value but can change must not be hashable: a value used as
/// a dictionary key would otherwise be lost when it changed. Python does this itself for classes
/// that define __eq__ in their body; the binding library adds __eq__ afterwards.
template <typename Class>
void makeUnhashable(Class& pythonClass)
{
    pythonClass.attr("__hash__") = boost::python::object();
}

} // namespace tolva::values
