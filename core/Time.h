// The engine's millisecond clock and its one-shot schedule. A caller asks to be called back once
// after a delay in seconds; the module calls it on the first frame whose clock reading is past
// that moment. The module is framed first in every frame. Listeners are not owned: one that goes
// away must remove its entries first.
#pragma once

#include <OgreTimer.h>

#include <cstdint>
#include <set>
#include <utility>

#include "core/EngineModule.h"

namespace tolva {

class ScheduleListener;

class Time : public EngineModule {
public:
    /// Starts the clock (it is never reset); the schedule is empty.
    Time();
    /// Drops the schedule without calling anyone.
    ~Time() override;

    Time(const Time&) = delete;
    Time& operator=(const Time&) = delete;

    void initialise() override;
    /// Calls every entry that was pending when the frame began and whose due time the clock has
    /// passed, earliest first (equal due times in ascending listener address). Entries added
    /// during this pass, from a callback or otherwise, wait for a later frame, so a listener that
    /// keeps rescheduling itself for "now" cannot hold a frame forever. Each call costs
    /// O(log n) in the number of entries.
    /// @param seconds unused: the module reads its own clock
    void frame(float seconds) override;
    void shutdown() override;

    /// Calls the listener once after the delay. The delay is truncated to whole milliseconds; a
    /// negative one counts as zero. Adding the same listener for the same due time again changes
    /// nothing; for different due times it fires once for each. A null listener is refused with
    /// a warning. O(log n).
    void addSchedule(float delaySeconds, ScheduleListener* listener);
    /// Removes every entry of the listener; a listener without entries is no error. O(k log n)
    /// for the listener's k entries.
    void removeSchedule(ScheduleListener* listener);
    /// An entry counts until its call is over: a listener sees itself scheduled from inside
    /// scheduled(). O(log n).
    bool isScheduled(const ScheduleListener* listener) const;
    /// Removes every entry without calling anyone.
    void clearSchedule();

protected:
    /// The clock reading in milliseconds since construction. Virtual so that tests can drive the
    /// schedule with a clock of their own.
    virtual std::uint64_t readClock();

private:
    /// (due time, listener): the firing order.
    typedef std::pair<std::uint64_t, ScheduleListener*> Entry;
    /// (listener, due time): the same entries found by listener.
    typedef std::pair<const ScheduleListener*, std::uint64_t> ListenerEntry;

    /// Moves the entries added during the frame pass into the schedule.
    void admitAdded();

    Ogre::Timer mClock;
    /// Entries that may fire in the current (or next) frame pass.
    std::set<Entry> mSchedule;
    /// Entries added while a frame pass runs; they join the schedule when the pass ends.
    std::set<Entry> mAdded;
    /// Every entry of both sets, by listener.
    std::set<ListenerEntry> mByListener;
    /// How many frame passes are running (a callback may run a frame of its own).
    unsigned int mFrameDepth;
};

} // namespace tolva
