#include "platform/OdeBoxMass.h"

#include <cmath>

namespace tolva::ode {

BoxMass::BoxMass(float mass, const Ogre::Vector3& size)
{
    const bool valid = size.x > 0 && size.y > 0 && size.z > 0 && std::isfinite(size.x) && std::isfinite(size.y)
        && std::isfinite(size.z) && mass > 0 && std::isfinite(mass);
    if (valid) {
        dMassSetBoxTotal(&mMass, mass, size.x, size.y, size.z);
    } else {
        // Kept as an invalid description that bodies refuse, rather than handing ODE bad values.
        dMassSetZero(&mMass);
        mMass.mass = mass;
    }
}

} // namespace tolva::ode
