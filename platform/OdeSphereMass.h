// The mass of a solid sphere.
#pragma once

#include "platform/OdeMass.h"

namespace tolva::ode {

class SphereMass : public Mass {
public:
    SphereMass(float mass, float radius);
};

} // namespace tolva::ode
