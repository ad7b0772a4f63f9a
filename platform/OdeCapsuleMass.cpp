#include "platform/OdeCapsuleMass.h"

#include "platform/OdeAxis.h"

#include <cmath>

namespace tolva::ode {

CapsuleMass::CapsuleMass(float mass, float radius, const Ogre::Vector3& direction, float length)
{
    if (radius > 0 && std::isfinite(radius) && length >= 0 && std::isfinite(length) && mass > 0
        && std::isfinite(mass)) {
        dMassSetCapsuleTotal(&mMass, mass, axisOf(direction), radius, length);
    } else {
        dMassSetZero(&mMass);
        mMass.mass = mass;
    }
}

} // namespace tolva::ode
