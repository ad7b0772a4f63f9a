// Receiver of a one-shot call from the time module: called once for every schedule entry of the
// listener when it falls due.
#pragma once

namespace tolva {

class ScheduleListener {
public:
    /// Leaves the engine's schedule, so an entry can never call a listener that is gone (a script
    /// may drop its listener while it is still scheduled). A time module built apart from the
    /// engine is the caller's to clear.
    virtual ~ScheduleListener();

    /// Called from the time module's frame. May add or remove schedule entries, its own included;
    /// an entry added here waits for a later frame.
    virtual void scheduled() = 0;
};

} // namespace tolva
