// An object framed once per frame by the game module, from its construction until its
// destruction. Scene and physical objects derive from it; they are created once the engine and
// its game module exist.
#pragma once

#include "core/Connection.h"

namespace tolva {

class Updateable {
public:
    /// Joins the game module's updateables. Without an engine or a game module the object is
    /// never framed (a warning says so).
    Updateable();
    /// Leaves the updateables, if they still exist.
    virtual ~Updateable();

    Updateable(const Updateable&) = delete;
    Updateable& operator=(const Updateable&) = delete;

    /// @param seconds time since the previous frame
    virtual void frame(float seconds) = 0;

private:
    Connection<Updateable>* mConnection;
};

} // namespace tolva
