#include "platform/OdeWorld.h"

#include "core/LogLine.h"
#include "platform/OdeBody.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeSpace.h"

#include <algorithm>
#include <cmath>

namespace tolva::ode {

World::Core::Core()
{
    world = dWorldCreate();
    contacts = dJointGroupCreate(0);
}

World::Core::~Core()
{
    dJointGroupDestroy(contacts);
    dWorldDestroy(world);
}

World::World(Ogre::SceneManager* sceneManager)
    : mSceneManager(sceneManager)
{
    initialiseLibrary();
    mCore = std::make_shared<Core>();
    mSpace = std::make_unique<Space>();
}

World::~World() = default;

void World::setGravity(const Ogre::Vector3& gravity)
{
    mGravity = gravity;
    dWorldSetGravity(mCore->world, gravity.x, gravity.y, gravity.z);
}

void World::setERP(float erp)
{
    dWorldSetERP(mCore->world, erp);
}
float World::getERP() const
{
    return float(dWorldGetERP(mCore->world));
}
void World::setCFM(float cfm)
{
    dWorldSetCFM(mCore->world, cfm);
}
float World::getCFM() const
{
    return float(dWorldGetCFM(mCore->world));
}

void World::setContactCorrectionVelocity(float velocity)
{
    dWorldSetContactMaxCorrectingVel(mCore->world, velocity);
}

void World::collideForStep()
{
    mSpace->collide(mListener, mCore->world, mCore->contacts);
}

void World::integrate(float seconds, bool quick)
{
    recordPoses();
    // Velocities a script set far out of range would throw the body out within this step.
    stopBodiesOutOfRange();
    if (quick) {
        dWorldQuickStep(mCore->world, seconds);
    } else {
        dWorldStep(mCore->world, seconds);
    }
    dJointGroupEmpty(mCore->contacts);
    stopBodiesOutOfRange();
}

void World::recordPoses()
{
    std::vector<dReal>& poses = mCore->poses;
    poses.resize(mCore->bodies.size() * 7);
    dReal* pose = poses.data();
    for (Body* body : mCore->bodies) {
        const dReal* position = dBodyGetPosition(body->getBodyID());
        const dReal* orientation = dBodyGetQuaternion(body->getBodyID());
        std::copy(position, position + 3, pose);
        std::copy(orientation, orientation + 4, pose + 3);
        pose += 7;
    }
}

void World::stopBodiesOutOfRange()
{
    const dReal* pose = mCore->poses.data();
    for (Body* body : mCore->bodies) {
        const dBodyID id = body->getBodyID();
        const dReal* orientation = dBodyGetQuaternion(id);
        const dReal* linear = dBodyGetLinearVel(id);
        const dReal* angular = dBodyGetAngularVel(id);
        const bool inRange = isPlaceable(dBodyGetPosition(id)) && std::isfinite(linear[0]) && std::isfinite(linear[1])
            && std::isfinite(linear[2]) && std::isfinite(angular[0]) && std::isfinite(angular[1])
            && std::isfinite(angular[2]) && std::isfinite(orientation[0]) && std::isfinite(orientation[1])
            && std::isfinite(orientation[2]) && std::isfinite(orientation[3]);
        if (!inRange) {
            dBodySetPosition(id, pose[0], pose[1], pose[2]);
            dBodySetQuaternion(id, pose + 3);
            dBodySetLinearVel(id, 0, 0, 0);
            dBodySetAngularVel(id, 0, 0, 0);
            dBodySetForce(id, 0, 0, 0);
            dBodySetTorque(id, 0, 0, 0);
            dBodyDisable(id);
            if (!mWarnedOutOfRange) {
                mWarnedOutOfRange = true;
                logWarning("Warning: A body was thrown out of the range the physics can simulate; it was stopped "
                           "and disabled.");
            }
        }
        pose += 7;
    }
}

void World::synchronise()
{
    for (Body* body : mCore->bodiesOnNodes) {
        body->synchronise();
    }
}

} // namespace tolva::ode
