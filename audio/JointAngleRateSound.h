// A gain-controlled sound following how fast a joint moves (a door's hinge creaking, say). The
// joint is not owned and must outlive the sound.
#pragma once

#include "audio/GainControlSound.h"

namespace tolva {

namespace ode {
class Joint;
}

class JointAngleRateSound : public GainControlSound {
public:
    JointAngleRateSound(const std::string& name, const std::string& fileName, ode::Joint* joint);

    /// The absolute angle rate of the joint; 0 without a joint.
    float getGainControl() override;

private:
    ode::Joint* mJoint;
};

} // namespace tolva
