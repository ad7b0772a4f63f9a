// Receiver of the collisions of one physical object (with one partner, or with any partner
// through a compound object's geometry holders). Game, sound and script classes implement it.
#pragma once

namespace tolva {

class Contact;
class PhysicalBase;

class CollisionListener {
public:
    virtual ~CollisionListener() = default;
    /// @param partner the other physical object of the contact
    /// @param contact valid during this call only
    virtual void collision(PhysicalBase* partner, Contact* contact) = 0;
};

} // namespace tolva
