// Script classes of the engine core: exception translation, the engine and its singletons, the
// configuration, connections, the schedule, the log and the game base.
#include "scripting/bindings/Bindings.h"

#include "audio/Audio.h"
#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/GameBase.h"
#include "core/Log.h"
#include "core/Time.h"
#include "input/Gui.h"
#include "input/Input.h"
#include "physics/Physics.h"
#include "scene/Graphics.h"
#include "scripting/Python.h"
#include "scripting/wrappers/ScheduleListenerWrap.h"
#include "scripting/support/ScriptKeepAlive.h"
#include "scripting/support/SignalConnectionBlocks.h"

#include <boost/python.hpp>
#include <boost/signals2/connection.hpp>

namespace bp = boost::python;

namespace tolva {

namespace {

void Exception_Translate_InvalidArgumentException(const InvalidArgumentException& e)
{
    PyErr_SetString(PyExc_ValueError, e.what());
}

void Exception_Translate_NotFoundException(const NotFoundException& e)
{
    PyErr_SetString(PyExc_KeyError, e.what());
}

void Exception_Translate_FileAccessException(const FileAccessException& e)
{
    PyErr_SetString(PyExc_IOError, e.what());
}

void blockConnection(boost::signals2::connection& connection, bool shouldBlock)
{
    SignalConnectionBlocks::block(connection, shouldBlock);
}

void unblockConnection(boost::signals2::connection& connection)
{
    SignalConnectionBlocks::unblock(connection);
}

bool isConnectionBlocked(const boost::signals2::connection& connection)
{
    return SignalConnectionBlocks::isBlocked(connection);
}

// None from a script would otherwise only be refused with a warning, and the script would never
// learn that its listener will not be called. The time module keeps a plain pointer: the
// listener's script object is kept alive while it has a pending schedule, so a script may hand
// over a listener it keeps no reference to itself.
void addSchedule(Time& time, float delaySeconds, bp::back_reference<ScheduleListener*> listener)
{
    ScheduleListener* scheduled = listener.get();
    if (!scheduled) {
        throw InvalidArgumentException("Time.addSchedule needs a ScheduleListener, not None.");
    }
    ScriptKeepAlive::requireKeeping("The interpreter is ending: no listener can be scheduled any more.");
    time.addSchedule(delaySeconds, scheduled);
    ScriptKeepAlive::keep(
        scheduled, "schedule", listener.source(), [&time, scheduled] { return time.isScheduled(scheduled); });
}

// Listeners whose schedules ran or went are let go whenever a script looks at the schedule.
void removeSchedule(Time& time, ScheduleListener* listener)
{
    time.removeSchedule(listener);
    ScriptKeepAlive::prune();
}

bool isScheduled(const Time& time, const ScheduleListener* listener)
{
    ScriptKeepAlive::prune();
    return time.isScheduled(listener);
}

// Python's own streams are flushed by callers that expect one (print(..., flush=True)); every
// write already reached the log.
void flushLog(Log&) { }

// Resources are bytes (pickles, images): as text, any byte that is not UTF-8 would fail.
bp::object getResourceData(Engine& engine, const std::string& name)
{
    const std::string data = engine.getResourceData(name);
    return bp::object(bp::handle<>(PyBytes_FromStringAndSize(data.data(), static_cast<Py_ssize_t>(data.size()))));
}

} // namespace

namespace bindings {

void registerExceptionTranslators()
{
    bp::register_exception_translator<InvalidArgumentException>(&Exception_Translate_InvalidArgumentException);
    bp::register_exception_translator<NotFoundException>(&Exception_Translate_NotFoundException);
    bp::register_exception_translator<FileAccessException>(&Exception_Translate_FileAccessException);
}

void bindSingletons()
{
    bp::class_<Singleton<Engine>, boost::noncopyable>("TolvaSingleton", bp::no_init)
        .def("getInstance", &Singleton<Engine>::getInstance, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getInstance");
    bp::class_<Singleton<GameBase>, boost::noncopyable>("GameSingleton", bp::no_init)
        .def("getInstance", &Singleton<GameBase>::getInstance, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getInstance");
}

// The accessors hand out the engine's modules without ownership. Every module outlives the
// interpreter except the game module, which is deleted first, once no script runs any more.
void bindEngine()
{
    typedef bp::return_internal_reference<1> Module;
    bp::class_<Engine, bp::bases<Singleton<Engine>>, boost::noncopyable>("Engine", bp::no_init)
        .def("stop", &Engine::stop, (bp::arg("restart") = false))
        .def("getDataDirectory", &Engine::getDataDirectory, bp::return_value_policy<bp::copy_const_reference>())
        .def("getConfigFile", &Engine::getConfigFile, Module())
        .def("getGraphics", &Engine::getGraphics, Module())
        .def("getAudio", &Engine::getAudio, Module())
        .def("getInput", &Engine::getInput, Module())
        .def("getPhysics", &Engine::getPhysics, Module())
        .def("getTime", &Engine::getTime, Module())
        .def("getScripting", &Engine::getScripting, Module())
        .def("getGui", &Engine::getGui, Module())
        .def("getGame", &Engine::getGame, Module())
        .def("isResourceAvailable", &Engine::isResourceAvailable)
        .def("getResourceData", &getResourceData);
}

void bindConfigFile()
{
    bp::class_<ConfigFile, boost::noncopyable>("ConfigFile", bp::no_init)
        .def("getValueString", &ConfigFile::getValueString, bp::return_value_policy<bp::copy_const_reference>())
        .def("setValueString", &ConfigFile::setValueString);
}

void bindConnection()
{
    typedef boost::signals2::connection Connection;
    bp::class_<Connection>("Connection", bp::init<>())
        .def("disconnect", &Connection::disconnect)
        .def("connected", &Connection::connected)
        .def("block", &blockConnection)
        .def("unblock", &unblockConnection)
        .def("blocked", &isConnectionBlocked)
        .def("swap", static_cast<void (Connection::*)(Connection&)>(&Connection::swap));
}

void bindScheduleListener()
{
    bp::class_<ScheduleListenerWrap, boost::noncopyable>("ScheduleListener")
        .def("scheduled", bp::pure_virtual(&ScheduleListener::scheduled));
}

void bindTime()
{
    bp::class_<Time, boost::noncopyable>("Time", bp::no_init)
        .def("isScheduled", &isScheduled)
        .def("addSchedule", &addSchedule)
        .def("removeSchedule", &removeSchedule);
}

void bindLog()
{
    bp::class_<Log, boost::noncopyable>("Log", bp::no_init)
        .def("write", static_cast<void (Log::*)(const std::string&)>(&Log::logMessage))
        .def("flush", &flushLog);
}

void bindGameBase()
{
    bp::class_<GameBase, bp::bases<Singleton<GameBase>>, boost::noncopyable>("GameBase", bp::no_init);
}

} // namespace bindings

} // namespace tolva
