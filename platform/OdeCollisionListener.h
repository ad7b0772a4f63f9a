// Receiver of every contact point that a collision test finds.
#pragma once

namespace tolva::ode {

class Contact;

class CollisionListener {
public:
    virtual ~CollisionListener() = default;
    /// Called once per contact point, during a step or a one-off collision test.
    /// @return true to make the contact a constraint between the bodies (only inside a step);
    ///         false lets the bodies pass through each other.
    virtual bool collision(Contact* contact) = 0;
};

} // namespace tolva::ode
