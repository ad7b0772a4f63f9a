// A capsule-shaped geometry along its local Z axis, centred on its pose.
#pragma once

#include "platform/OdeRoundGeometry.h"

namespace tolva::ode {

class CapsuleGeometry : public RoundGeometry {
public:
    /// @throws InvalidArgumentException when the radius or length is negative or not finite
    CapsuleGeometry(float radius, float length, Space* space = nullptr);
};

} // namespace tolva::ode
