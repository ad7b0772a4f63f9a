// The mass of a solid capsule along one local axis.
#pragma once

#include "platform/OdeMass.h"

namespace tolva::ode {

class CapsuleMass : public Mass {
public:
    /// @param direction axis of the capsule: the one of X, Y, Z closest to it
    CapsuleMass(float mass, float radius, const Ogre::Vector3& direction, float length);
};

} // namespace tolva::ode
