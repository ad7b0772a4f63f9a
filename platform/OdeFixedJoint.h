// A fixed joint: holds two bodies (or a body and the world) in their relative pose at attach time.
#pragma once

#include "platform/OdeJoint.h"

namespace tolva::ode {

class FixedJoint : public Joint {
public:
    explicit FixedJoint(World* world);
    /// Attaches and fixes the bodies' current relative pose.
    void attach(Body* first, Body* second) override;
};

} // namespace tolva::ode
