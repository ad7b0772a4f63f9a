#include "BareOdeWorld.h"

namespace tolva::bench {

namespace {

/// ODE wants its library opened before the first world; the bare side may come before the engine.
dWorldID createWorld()
{
    static const bool opened = dInitODE2(0) != 0 && dAllocateODEDataForThread(dAllocateMaskAll) != 0;
    (void)opened;
    return dWorldCreate();
}

} // namespace

BareOdeWorld::BareOdeWorld(float gravityY)
    : mWorld(createWorld())
    , mSpace(dHashSpaceCreate(nullptr))
    , mContacts(dJointGroupCreate(0))
{
    // The engine takes its settings as floats; the bare world gets the same float values.
    dWorldSetGravity(mWorld, 0, gravityY, 0);
    dWorldSetCFM(mWorld, 0.01f);
    dWorldSetERP(mWorld, 0.2f);
}

BareOdeWorld::~BareOdeWorld()
{
    dJointGroupDestroy(mContacts);
    dSpaceDestroy(mSpace);
    dWorldDestroy(mWorld);
}

void BareOdeWorld::addBox(float x, float y, float z, float sizeX, float sizeY, float sizeZ, unsigned long category)
{
    const dGeomID box = dCreateBox(mSpace, sizeX, sizeY, sizeZ);
    dGeomSetPosition(box, x, y, z);
    dGeomSetCategoryBits(box, category);
    dGeomSetCollideBits(box, ~0ul);
}

dBodyID BareOdeWorld::addSphere(float x, float y, float z, unsigned long category, unsigned long partners)
{
    const dBodyID body = dBodyCreate(mWorld);
    dMass mass;
    dMassSetSphereTotal(&mass, 1.0, 0.5);
    dBodySetMass(body, &mass);
    const dGeomID sphere = dCreateSphere(mSpace, 0.5);
    dGeomSetBody(sphere, body);
    dGeomSetCategoryBits(sphere, category);
    dGeomSetCollideBits(sphere, partners);
    dBodySetPosition(body, x, y, z);
    return body;
}

__attribute__((noinline)) void BareOdeWorld::step(float seconds)
{
    dSpaceCollide(mSpace, this, nearCallback);
    dWorldQuickStep(mWorld, seconds);
    dJointGroupEmpty(mContacts);
}

void BareOdeWorld::nearCallback(void* data, dGeomID o1, dGeomID o2)
{
    auto* bare = static_cast<BareOdeWorld*>(data);
    const dBodyID b1 = dGeomGetBody(o1), b2 = dGeomGetBody(o2);
    if (!b1 && !b2) {
        return;
    }
    dContact contact[8];
    const int n = dCollide(o1, o2, 8, &contact[0].geom, sizeof(dContact));
    for (int i = 0; i < n; ++i) {
        contact[i].surface.mode = 0;
        contact[i].surface.mu = dInfinity;
        const dJointID joint = dJointCreateContact(bare->mWorld, bare->mContacts, &contact[i]);
        dJointAttach(joint, b1, b2);
    }
}

} // namespace tolva::bench
