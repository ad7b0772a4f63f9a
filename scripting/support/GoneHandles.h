// Why a call through a handle of a gone object fails. The binding library refuses such a handle
// as it refuses an argument of the wrong class, with a TypeError listing the C++ signatures, which
// sends a script writer looking for a wrong argument. A handle notes here each time it is refused
// for a class it is of; every bound function's call (in every script module, the game's too)
// then reports that refusal as ReferenceError naming what is gone ("The SinglePhysical no longer
// exists."). Main thread only, like the interpreter.
#pragma once

#include <boost/python/type_id.hpp>

namespace tolva {

class HandleLifeHolder;

class GoneHandles {
public:
    /// Puts the refusal report around the call of every function of the binding library, those
    /// bound before and after alike. Once per process is enough; later calls change nothing.
    static void install();

    /// Called by the holder of a handle whose object is gone when a bound function's argument
    /// conversion asked it for an object of the given type.
    static void _noteRefusal(const HandleLifeHolder* holder, boost::python::type_info type);
};

} // namespace tolva
