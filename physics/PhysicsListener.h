// Code that runs around every physics frame (the game camera follows its target this way).
#pragma once

namespace tolva {

class PhysicsListener {
public:
    virtual ~PhysicsListener() = default;
    /// Before the world steps (after the scene nodes were brought up to date).
    virtual void prePhysicsFrame() = 0;
    /// After the frame's contacts were dispatched and the accumulators cleared.
    virtual void postPhysicsFrame() = 0;
};

} // namespace tolva
