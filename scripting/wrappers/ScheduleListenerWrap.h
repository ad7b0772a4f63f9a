// A schedule listener implemented by a script: the time module's call reaches the script's
// "scheduled" method.
#pragma once

#include "core/ScheduleListener.h"

#include <boost/noncopyable.hpp>
#include <boost/python/wrapper.hpp>

#include "scripting/support/RunningScript.h"

namespace tolva {

/// Lives inside the Python object that a script made from `ScheduleListener` (or a subclass).
/// The time module keeps only a plain pointer: the script keeps the object referenced until its
/// schedule has run or was removed.
class ScheduleListenerWrap : public ScheduleListener,
                             public boost::python::wrapper<ScheduleListener>,
                             private boost::noncopyable {
public:
    /// A class without "scheduled" raises TypeError; a script error leaves the call as
    /// boost::python::error_already_set with the error still set.
    void scheduled() override
    {
        const RunningScript running;
        get_override("scheduled")();
    }
};

} // namespace tolva
