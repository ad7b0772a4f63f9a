#include "platform/OdeSphereMass.h"

#include <cmath>

namespace tolva::ode {

SphereMass::SphereMass(float mass, float radius)
{
    if (radius > 0 && std::isfinite(radius) && mass > 0 && std::isfinite(mass)) {
        dMassSetSphereTotal(&mMass, mass, radius);
    } else {
        dMassSetZero(&mMass);
        mMass.mass = mass;
    }
}

} // namespace tolva::ode
