#include "platform/OdeHingeJoint.h"

#include "core/LogLine.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

namespace tolva::ode {

namespace {

dJointID createHinge(World* world)
{
    initialiseLibrary();
    const ObjectPool::Scope pooled;
    return dJointCreateHinge(world->getWorldID(), nullptr);
}

} // namespace

HingeJoint::HingeJoint(World* world)
    : Joint(world, createHinge(world))
{
}

void HingeJoint::setAnchor(const Ogre::Vector3& anchor)
{
    if (!isFinite(anchor)) {
        logWarning("Warning: Attempt to set a hinge anchor that is not finite.");
        return;
    }
    dJointSetHingeAnchor(mId, anchor.x, anchor.y, anchor.z);
}

Ogre::Vector3 HingeJoint::getAnchor() const
{
    dVector3 anchor;
    dJointGetHingeAnchor(mId, anchor);
    return toOgre(anchor);
}

void HingeJoint::setAxis(const Ogre::Vector3& axis)
{
    if (!isFinite(axis) || axis.isZeroLength()) {
        logWarning("Warning: Attempt to set a hinge axis that is zero or not finite.");
        return;
    }
    dJointSetHingeAxis(mId, axis.x, axis.y, axis.z);
}

Ogre::Vector3 HingeJoint::getAxis() const
{
    dVector3 axis;
    dJointGetHingeAxis(mId, axis);
    return toOgre(axis);
}

float HingeJoint::getAngle() const
{
    return float(dJointGetHingeAngle(mId));
}

} // namespace tolva::ode
