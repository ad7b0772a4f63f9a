#include "platform/OdeJoint.h"

#include "core/LogLine.h"
#include "platform/OdeBody.h"

namespace tolva::ode {

Joint::Joint(World* world, dJointID id)
    : mCore(world->_getCore())
    , mId(id)
{
}

Joint::~Joint()
{
    dJointDestroy(mId);
}

void Joint::attach(Body* first, Body* second)
{
    if (first && first == second) {
        // ODE aborts on it.
        logWarning("Warning: Attempt to attach a joint to the same body twice.");
        return;
    }
    dJointAttach(mId, first ? first->getBodyID() : nullptr, second ? second->getBodyID() : nullptr);
}

Body* Joint::getFirstBody() const
{
    return Body::fromId(dJointGetBody(mId, 0));
}

Body* Joint::getSecondBody() const
{
    return Body::fromId(dJointGetBody(mId, 1));
}

float Joint::getAngleRate() const
{
    switch (dJointGetType(mId)) {
    case dJointTypeHinge:
        return float(dJointGetHingeAngleRate(mId));
    case dJointTypeSlider:
        return float(dJointGetSliderPositionRate(mId));
    case dJointTypeHinge2:
        return float(dJointGetHinge2Angle1Rate(mId));
    case dJointTypeUniversal:
        return float(dJointGetUniversalAngle1Rate(mId));
    default:
        return 0.0f;
    }
}

} // namespace tolva::ode
