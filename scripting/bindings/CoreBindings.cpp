// Script classes of the engine core: exception translation, connections, the schedule and the log.
#include "scripting/bindings/Bindings.h"

#include "core/Exceptions.h"
#include "core/Log.h"
#include "core/Time.h"
#include "scripting/wrappers/ScheduleListenerWrap.h"
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
// learn that its listener will not be called.
void addSchedule(Time& time, float delaySeconds, ScheduleListener* listener)
{
    if (!listener) {
        throw InvalidArgumentException("Time.addSchedule needs a ScheduleListener, not None.");
    }
    time.addSchedule(delaySeconds, listener);
}

// Python's own streams are flushed by callers that expect one (print(..., flush=True)); every
// write already reached the log.
void flushLog(Log&) { }

} // namespace

namespace bindings {

void registerExceptionTranslators()
{
    bp::register_exception_translator<InvalidArgumentException>(&Exception_Translate_InvalidArgumentException);
    bp::register_exception_translator<NotFoundException>(&Exception_Translate_NotFoundException);
    bp::register_exception_translator<FileAccessException>(&Exception_Translate_FileAccessException);
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
        .def("isScheduled", &Time::isScheduled)
        .def("addSchedule", &addSchedule)
        .def("removeSchedule", &Time::removeSchedule);
}

void bindLog()
{
    bp::class_<Log, boost::noncopyable>("Log", bp::no_init)
        .def("write", static_cast<void (Log::*)(const std::string&)>(&Log::logMessage))
        .def("flush", &flushLog);
}

} // namespace bindings

} // namespace tolva
