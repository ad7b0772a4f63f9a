#include "physics/ContactListener.h"

namespace tolva {

bool ContactListener::collision(ode::Contact* contact)
{
    setContact(contact);
    return returnValue;
}

} // namespace tolva
