// A cylinder-shaped geometry along its local Z axis, centred on its pose.
#pragma once

#include "platform/OdeRoundGeometry.h"

namespace tolva::ode {

class CylinderGeometry : public RoundGeometry {
public:
    /// @throws InvalidArgumentException when the radius or length is negative or not finite
    CylinderGeometry(float radius, float length, Space* space = nullptr);
};

} // namespace tolva::ode
