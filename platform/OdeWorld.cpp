#include "platform/OdeWorld.h"

#include "platform/OdeBody.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeSpace.h"

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
    if (quick) {
        dWorldQuickStep(mCore->world, seconds);
    } else {
        dWorldStep(mCore->world, seconds);
    }
    dJointGroupEmpty(mCore->contacts);
}

void World::synchronise()
{
    for (Body* body : mCore->bodiesOnNodes) {
        body->synchronise();
    }
}

} // namespace tolva::ode
