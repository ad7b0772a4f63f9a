// A contact record that is also a physics-layer collision listener: handed to a one-off
// collision test, it keeps the last contact point found and answers with its accept value.
#pragma once

#include "physics/Contact.h"
#include "platform/OdeCollisionListener.h"

namespace tolva {

class ContactListener : public Contact, public ode::CollisionListener {
public:
    explicit ContactListener(bool returnValue = true)
        : returnValue(returnValue)
    {
    }
    ContactListener(const ContactListener&) = default;
    ContactListener& operator=(const ContactListener&) = default;

    bool collision(ode::Contact* contact) override;

    bool returnValue;
};

} // namespace tolva
