// A constraint between two bodies (or a body and the static world), outside any joint group.
// Like bodies, joints keep the world's ODE state alive while they exist.
#pragma once

#include <ode/ode.h>

#include <memory>

#include "platform/OdeWorld.h"

namespace tolva::ode {

class Body;

class Joint {
public:
    virtual ~Joint();
    Joint(const Joint&) = delete;
    Joint& operator=(const Joint&) = delete;

    dJointID getJointID() const { return mId; }
    /// Joins two bodies; a null body means the static world. A body joined to itself is refused
    /// with a warning.
    virtual void attach(Body* first, Body* second);
    Body* getFirstBody() const;
    Body* getSecondBody() const;
    /// How fast the joint's main degree of freedom moves (radians or metres per second); 0 for
    /// joints without one.
    virtual float getAngleRate() const;

protected:
    Joint(World* world, dJointID id);

    std::shared_ptr<World::Core> mCore;
    dJointID mId;
};

} // namespace tolva::ode
