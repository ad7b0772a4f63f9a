// ODE's axis numbers (1 = X, 2 = Y, 3 = Z) for shapes made along a direction vector.
#pragma once

#include <OgreVector.h>

#include <cmath>

namespace tolva::ode {

/// The axis along the direction's largest component; Z for a zero direction.
inline int axisOf(const Ogre::Vector3& direction)
{
    const float x = std::fabs(direction.x), y = std::fabs(direction.y), z = std::fabs(direction.z);
    if (x > y && x > z) {
        return 1;
    }
    if (y > x && y > z) {
        return 2;
    }
    return 3;
}

} // namespace tolva::ode
