// The two script classes of one listener holder type: "InterfaceHolder_<name>" (connect and
// disconnect listeners) and "InterfaceHolderConnection_<name>" (the handle a connect returns).
#pragma once

#include "core/Connection.h"
#include "core/InterfaceHolder.h"
#include "scripting/support/ScriptKeepAlive.h"
#include "scripting/support/ScriptOwnedHandles.h"

#include <boost/python.hpp>

#include <string>

namespace tolva {

namespace detail {

/// The handle refers to the engine's handle and keeps the holder's script object alive; the
/// handle itself stays valid after the script dropped it, so the listener stays connected. The
/// listener's script object is kept alive for as long as the handle is connected.
template <typename T>
Connection<T>* connectScriptListener(InterfaceHolder<T>& holder, boost::python::back_reference<T*> listener)
{
    if (listener.get()) {
        ScriptKeepAlive::requireKeeping("The interpreter is ending: no listener can be connected any more.");
    }
    Connection<T>* connection = holder.connect(listener.get());
    ScriptOwnedHandles::adopt(connection);
    if (listener.get()) {
        ScriptKeepAlive::keep(
            connection, std::string(), listener.source(), [connection] { return connection->isConnected(); });
    }
    return connection;
}

/// Disconnecting lets the listener's script object go (when the script holds it no more).
template <typename T>
void disconnectScriptListener(InterfaceHolder<T>& holder, Connection<T>* connection)
{
    holder.disconnect(connection);
    ScriptKeepAlive::prune();
}

template <typename T>
void disconnectScriptHandle(Connection<T>& connection)
{
    connection.disconnect();
    ScriptKeepAlive::prune();
}

} // namespace detail

/// @param name the listener's script class name ("CollisionListener", "Sound_Listener", ...)
template <typename T>
void class_InterfaceHolder(const std::string& name)
{
    namespace bp = boost::python;
    const std::string holderName = "InterfaceHolder_" + name;
    bp::class_<InterfaceHolder<T>>(holderName.c_str(), bp::no_init)
        .def("connect", &detail::connectScriptListener<T>, bp::return_internal_reference<1>())
        .def("disconnect", &detail::disconnectScriptListener<T>);

    const std::string connectionName = "InterfaceHolderConnection_" + name;
    bp::class_<Connection<T>, boost::noncopyable>(connectionName.c_str(), bp::no_init)
        .def("isConnected", &Connection<T>::isConnected)
        .def("disconnect", &detail::disconnectScriptHandle<T>);
}

} // namespace tolva
