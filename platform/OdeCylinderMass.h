// The mass of a solid cylinder along one local axis.
#pragma once

#include "platform/OdeMass.h"

namespace tolva::ode {

class CylinderMass : public Mass {
public:
    /// @param direction axis of the cylinder: the one of X, Y, Z closest to it
    CylinderMass(float mass, float radius, const Ogre::Vector3& direction, float length);
};

} // namespace tolva::ode
