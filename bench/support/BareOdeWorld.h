// The bare library's side of a physics benchmark: a world, a hash space and a contact group made
// and stepped by direct ODE calls, the way a program without the engine would, with the same
// contact surface the engine gives (infinite friction, no bounce) and, like the engine, no
// constraint between two static geometries.
#pragma once

#include <ode/ode.h>

namespace tolva::bench {

class BareOdeWorld {
public:
    /// The engine's world settings: CFM 0.01, ERP 0.2, the given gravity.
    explicit BareOdeWorld(float gravityY);
    ~BareOdeWorld();
    BareOdeWorld(const BareOdeWorld&) = delete;
    BareOdeWorld& operator=(const BareOdeWorld&) = delete;

    /// A static box in the space.
    void addBox(float x, float y, float z, float sizeX, float sizeY, float sizeZ, unsigned long category);
    /// A sphere of mass 1 and radius 0.5 on a body of its own.
    dBodyID addSphere(float x, float y, float z, unsigned long category, unsigned long partners);

    /// One collision pass and one quick step. Kept out of line, so that a profiler's inclusive
    /// count of it is what the bare library costs per step.
    void step(float seconds);

private:
    static void nearCallback(void* data, dGeomID o1, dGeomID o2);

    dWorldID mWorld;
    dSpaceID mSpace;
    dJointGroupID mContacts;
};

} // namespace tolva::bench
