// A non-solid volume that keeps the list of physical objects touching it and signals when the
// first object enters and when the last one has left. By default it senses only objects of the
// sphere category.
//
// A frame in which the physics module took no step says nothing about what touches the trigger,
// so the trigger keeps its occupants then; it signals "exited" only after a physics frame that
// stepped without touching it. The occupants are those of the latest step that touched it, so a
// frame of several steps (a low frame rate) does not list an object once per step.
//
// A slot of the entered or exited event may destroy the trigger; the later slots are not called.
#pragma once

#include <boost/signals2/connection.hpp>

#include <vector>

#include "physics/SinglePhysical.h"

namespace tolva {

namespace ode {
class BoxGeometry;
}

class Trigger : public SinglePhysical {
public:
    typedef PythonSignalDecorator<boost::signals2::signal<void()>> OccupancyEvent;

    /// A box of that size.
    /// @throws IllegalStateException when the engine has no physics module
    explicit Trigger(const Ogre::Vector3& size);
    /// Takes ownership of the geometry.
    explicit Trigger(ode::Geometry* geometry);
    ~Trigger() override;

    /// One entry per contact point of the latest physics step that touched the trigger.
    const std::vector<PhysicalBase*>& getOccupants() const { return mOccupants; }
    bool isOccupied() const { return mOccupied; }
    OccupancyEvent& eventEntered() { return mEntered; }
    OccupancyEvent& eventExited() { return mExited; }

    /// Null when the geometry is not a box.
    ode::BoxGeometry* getBoxGeometry() const;
    /// The box's size; zero when the geometry is not a box.
    virtual Ogre::Vector3 getSize() const;
    /// Resizes the box; nothing when the geometry is not a box.
    virtual void setSize(const Ogre::Vector3& size);

    void frame(float seconds) override;
    bool needsFrames() const override { return true; }

    /// Drops every entry of an object that is being destroyed (called by the physics module).
    void forgetOccupant(const PhysicalBase* object);

private:
    void setUp();
    void onCollision(PhysicalBase* partner, Contact* contact);

    std::vector<PhysicalBase*> mOccupants;
    /// The physics step whose contacts the occupants are.
    unsigned long mOccupantStep = 0;
    bool mOccupied = false;
    bool mTouched = false;
    OccupancyEvent mEntered;
    OccupancyEvent mExited;
    boost::signals2::connection mHandler;
    Physics* mPhysics = nullptr;
};

} // namespace tolva
