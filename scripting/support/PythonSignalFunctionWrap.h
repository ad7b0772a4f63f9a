// The slot that carries a script's callable inside an engine signal: it turns the signal's
// arguments into Python objects, calls the callable, and hands back what the signal's slots return.
#pragma once

#include "scripting/support/RunningScript.h"
#include "scripting/support/ScriptSlotReference.h"
#include "scripting/support/TrackedReference.h"

#include <boost/python/call.hpp>
#include <boost/python/object.hpp>

namespace tolva {

/// Holds one strong reference to a Python callable (each copy holds its own), so a connected
/// callable lives as long as its slot, whatever the script does with its own references, or until
/// the interpreter ends: then the slot calls nothing and returns the result type's default (false:
/// not consumed).
///
/// `Result` is the result type of the signal's slots: `void` drops whatever the callable
/// returns; `bool` (the input signals) converts it with the binding library's rules for a
/// `bool` parameter: None, False and 0 are false, True and other ints count by their truth
/// value, anything else raises TypeError. A Python error in the call (including a callable that
/// is not callable or a result that cannot become the result type) leaves the slot as
/// boost::python::error_already_set with the error still set; nothing here catches it.
///
/// Pointers are lent to the script (lendToScript): they arrive as handles that refer to the
/// engine's own object and refuse use once it is gone (a null pointer arrives as None); a
/// contact arrives as a copy. Objects passed by reference (the input library's event records)
/// arrive as copies made by their registered conversion: the records live only while the signal
/// is emitted, and a script that kept one would otherwise read freed memory. Numbers and enums arrive by value. The
/// call operator is a template so that this header needs none of the argument types: they must be complete where a
/// signal is connected.
template <typename Result>
class PythonSignalFunctionWrap : public ScriptSlotReference {
public:
    explicit PythonSignalFunctionWrap(const boost::python::object& callable)
        : ScriptSlotReference(callable.ptr())
    {
    }

    template <typename... Args>
    Result operator()(const Args&... args) const
    {
        if (!get()) {
            return Result();
        }
        // The call may disconnect this slot and so release this copy: the call holds its own.
        const boost::python::object callable(boost::python::handle<>(boost::python::borrowed(get())));
        const RunningScript running;
        return boost::python::call<Result>(callable.ptr(), lend(args)...);
    }

private:
    template <typename T>
    static boost::python::object lend(T* pointer)
    {
        return lendToScript(pointer);
    }

    template <typename T>
    static const T& lend(const T& value)
    {
        return value;
    }
};

} // namespace tolva
