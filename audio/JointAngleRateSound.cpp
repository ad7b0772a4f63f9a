#include "audio/JointAngleRateSound.h"

#include "platform/OdeJoint.h"

#include <cmath>

namespace tolva {

JointAngleRateSound::JointAngleRateSound(const std::string& name, const std::string& fileName, ode::Joint* joint)
    : GainControlSound(name, fileName)
    , mJoint(joint)
{
}

float JointAngleRateSound::getGainControl()
{
    return mJoint ? std::fabs(mJoint->getAngleRate()) : 0.0f;
}

} // namespace tolva
