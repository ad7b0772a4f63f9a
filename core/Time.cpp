#include "core/Time.h"

#include "core/ScheduleListener.h"
#include "core/LogLine.h"

#include <cmath>
#include <limits>

namespace tolva {

Time::Time()
    : mFrameDepth(0)
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
    // A callback that raises leaves the pass: what it added still joins the schedule.
    struct PassEnd {
        Time& time;
        ~PassEnd()
        {
            if (--time.mFrameDepth == 0) {
                time.admitAdded();
            }
        }
    };
    ++mFrameDepth;
    const PassEnd passEnd{*this};
    for (;;) {
        const std::uint64_t now = readClock();
        // Entries added during the pass wait apart in mAdded: only what was pending when the pass
        // began is looked at here, and the earliest of it is always the first.
        const std::set<Entry>::iterator due = mSchedule.begin();
        if (due == mSchedule.end() || now <= due->first) {
            return;
        }
        // The entry leaves the pass before it fires, so that a frame run from inside the callback
        // cannot fire it again, but it stays scheduled until the call is over: the listener still
        // sees itself scheduled from inside. It goes afterwards also when the callback raises,
        // so that a one-shot entry never fires twice; one the callback re-adds is a new entry
        // for a later pass.
        struct Fired {
            Time& time;
            ListenerEntry entry;
            ~Fired() { time.mByListener.erase(entry); }
        };
        ScheduleListener* listener = due->second;
        const Fired fired{*this, ListenerEntry(listener, due->first)};
        mSchedule.erase(due);
        listener->scheduled();
    }
}

void Time::admitAdded()
{
    mSchedule.insert(mAdded.begin(), mAdded.end());
    mAdded.clear();
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
    // An identical (due time, listener) pair is held once and keeps its place: one already
    // pending stays pending.
    if (!mByListener.insert(ListenerEntry(listener, now + delay)).second) {
        return;
    }
    (mFrameDepth > 0 ? mAdded : mSchedule).insert(Entry(now + delay, listener));
}

void Time::removeSchedule(ScheduleListener* listener)
{
    std::set<ListenerEntry>::iterator it = mByListener.lower_bound(ListenerEntry(listener, 0));
    while (it != mByListener.end() && it->first == listener) {
        const Entry entry(it->second, listener);
        mSchedule.erase(entry);
        mAdded.erase(entry);
        it = mByListener.erase(it);
    }
}

bool Time::isScheduled(const ScheduleListener* listener) const
{
    const std::set<ListenerEntry>::const_iterator it = mByListener.lower_bound(ListenerEntry(listener, 0));
    return it != mByListener.end() && it->first == listener;
}

void Time::clearSchedule()
{
    mSchedule.clear();
    mAdded.clear();
    mByListener.clear();
}

} // namespace tolva
