#include "physics/CollisionSignal.h"

#include "physics/PhysicalBase.h"

namespace tolva {

void CollisionSignal::slotConnected()
{
    if (mOwner) {
        mOwner->_collisionSlotConnected();
    }
}

} // namespace tolva
