// An object framed once per frame by the game module, from its construction until its
// destruction. Scene and physical objects derive from it; they are created once the engine and
// its game module exist.
//
// Most scene and physical objects have nothing to do in a frame. A class says whether its frame
// does work with needsFrames(); the game module asks each object once, at the first frame after
// its construction (when the object is complete, so its own class answers), and lets those that
// answer false go: they cost nothing per frame from then on. A class that gives frame work to do
// must answer true.
#pragma once

#include "core/Connection.h"

namespace tolva {

class GameBase;

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

    /// Whether frame does anything for objects of this class. Asked once per object, never
    /// during its construction; the answer must not depend on the object's state.
    virtual bool needsFrames() const { return true; }

private:
    friend class GameBase;

    Connection<Updateable>* mConnection;
    /// Set once the game module has asked needsFrames().
    bool mFramesAsked = false;
};

} // namespace tolva
