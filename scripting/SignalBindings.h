// The script class of one kind of engine signal (KeyEvent, CollisionEvent, ...): its one member
// is connect(callable), which returns a new Connection for the slot.
#pragma once

#include "scripting/PythonSignalDecorator.h"

#include <boost/python/class.hpp>
#include <boost/python/init.hpp>

namespace tolva {

/// @param Decorated a PythonSignalDecorator<...> type
/// @param constructible whether scripts may make a free-standing signal with Name()
template <typename Decorated> void class_PythonSignal(const char* name, bool constructible)
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
