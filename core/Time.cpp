#include "core/Time.h"

#include "core/ScheduleListener.h"
#include "core/LogLine.h"

#include <cmath>
#include <limits>

namespace tolva {

Time::Time()
    : mPass(0)
{
    mClock.reset();
}

Time::~Time() = default;

void Time::initialise() { }

void Time::shutdown() { }

std::uint64_t Time::readClock()
{
    return mClock.getMilliseconds();
}

void Time::frame(float)
{
    const std::uint64_t pass = ++mPass;
    for (;;) {
        const std::uint64_t now = readClock();
        // The earliest entry that was already pending when this pass began. Entries added during
        // the pass may sort before it (a delay of zero), but they are left for a later frame.
        Schedule::iterator due = mSchedule.begin();
        while (due != mSchedule.end() && due->second >= pass) {
            ++due;
        }
        if (due == mSchedule.end() || now <= due->first.first) {
            return;
        }
        // Leaves before it fires: a one-shot entry whose callback raises must not fire again
        // every frame, and one the callback re-adds is a new entry for a later pass.
        ScheduleListener* listener = due->first.second;
        mSchedule.erase(due);
        listener->scheduled();
    }
}

void Time::addSchedule(float delaySeconds, ScheduleListener* listener)
{
    if (!listener) {
        logWarning("Warning: Attempt to schedule a null listener.");
        return;
    }
    const std::uint64_t now = readClock();
    // Truncated toward zero; negative and NaN delays mean "now", huge ones "never" in practice.
    const double milliseconds = std::trunc(static_cast<double>(delaySeconds) * 1000.0);
    std::uint64_t delay = 0;
    if (milliseconds >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        delay = std::numeric_limits<std::uint32_t>::max();
    } else if (milliseconds > 0.0) {
        delay = static_cast<std::uint64_t>(milliseconds);
    }
    // An identical (due time, listener) pair is held once and keeps its original pass number.
    mSchedule.emplace(Entry(now + delay, listener), mPass);
}

void Time::removeSchedule(ScheduleListener* listener)
{
    for (Schedule::iterator it = mSchedule.begin(); it != mSchedule.end();) {
        if (it->first.second == listener) {
            it = mSchedule.erase(it);
        } else {
            ++it;
        }
    }
}

bool Time::isScheduled(const ScheduleListener* listener) const
{
    for (const auto& entry : mSchedule) {
        if (entry.first.second == listener) {
            return true;
        }
    }
    return false;
}

void Time::clearSchedule()
{
    mSchedule.clear();
}

} // namespace tolva
