// The two script classes of one listener holder type: "InterfaceHolder_<name>" (connect and
// disconnect listeners) and "InterfaceHolderConnection_<name>" (the handle a connect returns).
#pragma once

#include "core/Connection.h"
#include "core/InterfaceHolder.h"
#include "scripting/support/ScriptOwnedHandles.h"

#include <boost/python.hpp>

#include <string>

namespace tolva {

namespace detail {

/// The handle refers to the engine's handle and keeps the holder's script object alive; the
/// handle itself stays valid after the script dropped it, so the listener stays connected.
template <typename T> Connection<T>* connectScriptListener(InterfaceHolder<T>& holder, T* listener)
{
    Connection<T>* connection = holder.connect(listener);
    ScriptOwnedHandles::adopt(connection);
    return connection;
}

} // namespace detail

/// @param name the listener's script class name ("CollisionListener", "Sound_Listener", ...)
template <typename T> void class_InterfaceHolder(const std::string& name)
{
    namespace bp = boost::python;
    const std::string holderName = "InterfaceHolder_" + name;
    bp::class_<InterfaceHolder<T>>(holderName.c_str(), bp::no_init)
        .def("connect", &detail::connectScriptListener<T>, bp::return_internal_reference<1>())
        .def("disconnect", &InterfaceHolder<T>::disconnect);

    const std::string connectionName = "InterfaceHolderConnection_" + name;
    bp::class_<Connection<T>, boost::noncopyable>(connectionName.c_str(), bp::no_init)
        .def("isConnected", &Connection<T>::isConnected)
        .def("disconnect", &Connection<T>::disconnect);
}

} // namespace tolva
