// Code that must act in every fixed step of the world rather than once per frame (gravity
// fields, whose force depends on where a body is at that step).
#pragma once

namespace tolva {

class PhysicsStepListener {
public:
    virtual ~PhysicsStepListener() = default;
    /// At the start of every fixed step, before the collision pass and before the movables'
    /// accumulated forces reach their bodies. A force added to a body here acts in this step
    /// only. Must not create or destroy physical objects.
    /// @param seconds the step's length
    virtual void physicsStep(float seconds) = 0;
};

} // namespace tolva
