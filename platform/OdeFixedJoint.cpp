#include "platform/OdeFixedJoint.h"

#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

namespace tolva::ode {

namespace {

dJointID createFixed(World* world)
{
    initialiseLibrary();
    const ObjectPool::Scope pooled;
    return dJointCreateFixed(world->getWorldID(), nullptr);
}

} // namespace

FixedJoint::FixedJoint(World* world)
    : Joint(world, createFixed(world))
{
}

void FixedJoint::attach(Body* first, Body* second)
{
    Joint::attach(first, second);
    if (first || second) {
        dJointSetFixed(mId);
    }
}

} // namespace tolva::ode
