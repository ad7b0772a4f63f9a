// The mass of a solid box of the given side lengths.
#pragma once

#include "platform/OdeMass.h"

namespace tolva::ode {

class BoxMass : public Mass {
public:
    BoxMass(float mass, const Ogre::Vector3& size);
};

} // namespace tolva::ode
