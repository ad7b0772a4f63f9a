// The script side of engine signals: connecting a Python callable to a PythonSignalDecorator,
// and the script class of one kind of signal (KeyEvent, CollisionEvent, ...), whose one member is
// connect(callable), returning a new Connection for the slot. Include this wherever a callable
// is connected.
#pragma once

#include "core/Exceptions.h"
#include "scripting/support/PythonSignalDecorator.h"
#include "scripting/support/PythonSignalFunctionWrap.h"

#include <boost/python/class.hpp>
#include <boost/python/init.hpp>
#include <boost/python/object.hpp>

namespace tolva {

template <typename S>
boost::signals2::connection PythonSignalDecorator<S>::connect(boost::python::api::object callable)
{
    if (callable.is_none()) {
        throw InvalidArgumentException("A signal needs a callable to connect, not None.");
    }
    if (!ScriptSlotReference::isConnectingAllowed()) {
        throw IllegalStateException("The interpreter is ending: no slot can be connected any more.");
    }
    return S::connect(typename S::slot_type(FunctionWrap(callable)), boost::signals2::at_back);
}

/// @param Decorated a PythonSignalDecorator<...> type
/// @param constructible whether scripts may make a free-standing signal with Name()
template <typename Decorated>
void class_PythonSignal(const char* name, bool constructible)
{
    namespace bp = boost::python;
    typedef boost::signals2::connection (Decorated::*Connect)(bp::object);
    if (constructible) {
        bp::class_<Decorated, boost::noncopyable>(name, bp::init<>())
            .def("connect", static_cast<Connect>(&Decorated::connect));
    } else {
        bp::class_<Decorated, boost::noncopyable>(name, bp::no_init)
            .def("connect", static_cast<Connect>(&Decorated::connect));
    }
}

} // namespace tolva
