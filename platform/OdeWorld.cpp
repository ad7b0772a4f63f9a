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

namespace {

bool inRange(const dReal* position, const dReal* orientation, const dReal* linear, const dReal* angular)
{
    return isPlaceable(position) && allFinite(orientation, 4) && allFinite(linear, 3) && allFinite(angular, 3);
}

/// Where the step being taken gathers the bodies it throws out of range; null outside a step.
std::vector<dBodyID>* gThrown = nullptr;

} // namespace

void World::integrate(float seconds, bool quick)
{
    // Velocities a script set far out of range would throw the body out within this step.
    recordPoses();
    mCore->thrown.clear();
    gThrown = &mCore->thrown;
    if (quick) {
        dWorldQuickStep(mCore->world, seconds);
    } else {
        dWorldStep(mCore->world, seconds);
    }
    gThrown = nullptr;
    dJointGroupEmpty(mCore->contacts);
    stopThrownBodies();
}

void World::_bodyMoved(dBodyID id)
{
    // A step moves only the bodies that are awake: the others stay as the check before the step
    // left them.
    if (gThrown
        && !inRange(dBodyGetPosition(id), dBodyGetQuaternion(id), dBodyGetLinearVel(id), dBodyGetAngularVel(id))) {
        gThrown->push_back(id);
    }
}

void World::recordPoses()
{
    std::vector<dReal>& poses = mCore->poses;
    poses.resize(mCore->bodyIds.size() * 7);
    dReal* pose = poses.data();
    for (const dBodyID id : mCore->bodyIds) {
        const dReal* position = dBodyGetPosition(id);
        const dReal* orientation = dBodyGetQuaternion(id);
        std::copy(position, position + 3, pose);
        std::copy(orientation, orientation + 4, pose + 3);
        // Velocities are checked where they change: their setters refuse what is not finite, and
        // the step's own results are checked as it moves each body.
        if (!isPlaceable(position) || !allFinite(orientation, 4)) {
            stopBody(id, pose);
        }
        pose += 7;
    }
}

void World::stopThrownBodies()
{
    const std::vector<dBodyID>& ids = mCore->bodyIds;
    for (const dBodyID id : mCore->thrown) {
        const auto place = std::find(ids.begin(), ids.end(), id);
        if (place != ids.end()) {
            stopBody(id, mCore->poses.data() + 7 * (place - ids.begin()));
        }
    }
}

void World::stopBody(dBodyID id, const dReal* pose)
{
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

void World::synchronise()
{
    for (Body* body : mCore->bodiesOnNodes) {
        body->synchronise();
    }
}

} // namespace tolva::ode
