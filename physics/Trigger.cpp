#include "physics/Trigger.h"

#include "core/Exceptions.h"
#include "physics/Contact.h"
#include "physics/EmissionGuard.h"
#include "physics/Physics.h"
#include "platform/OdeBoxGeometry.h"

#include <algorithm>

namespace tolva {

namespace {

ode::Geometry* createBox(const Ogre::Vector3& size)
{
    Physics* physics = PhysicalBase::getPhysicsModule();
    if (!physics) {
        throw IllegalStateException("Triggers need the physics module.");
    }
    return physics->createBoxGeometry(size);
}

} // namespace

Trigger::Trigger(const Ogre::Vector3& size)
    : SinglePhysical(createBox(size))
{
    setUp();
}

Trigger::Trigger(ode::Geometry* geometry)
    : SinglePhysical(geometry)
{
    setUp();
}

void Trigger::setUp()
{
    if (mGeometry) {
        setCollisionCategory(COLL_TRIGGER);
        setCollisionPartners(COLL_SPHERE);
    }
    setSolid(false);
    mHandler
        = mCollisionEvent.connect([this](PhysicalBase* partner, Contact* contact) { onCollision(partner, contact); });
    mPhysics = getPhysicsModule();
    if (mPhysics) {
        mPhysics->addTrigger(this);
    }
}

Trigger::~Trigger()
{
    mHandler.disconnect();
    EmissionGuard::keepSignal(mEmission, mEntered);
    EmissionGuard::keepSignal(mEmission, mExited);
    if (mPhysics && getPhysicsModule() == mPhysics) {
        mPhysics->removeTrigger(this);
    }
}

ode::BoxGeometry* Trigger::getBoxGeometry() const
{
    return dynamic_cast<ode::BoxGeometry*>(mGeometry);
}

Ogre::Vector3 Trigger::getSize() const
{
    ode::BoxGeometry* box = getBoxGeometry();
    return box ? box->getSize() : Ogre::Vector3::ZERO;
}

void Trigger::setSize(const Ogre::Vector3& size)
{
    if (ode::BoxGeometry* box = getBoxGeometry()) {
        box->setSize(size * getScale());
    }
}

void Trigger::onCollision(PhysicalBase* partner, Contact* contact)
{
    const unsigned long step = contact ? contact->step : mOccupantStep;
    if (!mTouched || step != mOccupantStep) {
        mOccupants.clear();
        mOccupantStep = step;
    }
    mOccupants.push_back(partner);
    mTouched = true;
    if (!mOccupied) {
        mOccupied = true;
        EmissionGuard guard(mEmission);
        mEntered();
    }
}

void Trigger::frame(float)
{
    Physics* physics = getPhysicsModule();
    if (physics && !physics->hasStepped()) {
        return;
    }
    if (mOccupied && !mTouched) {
        mOccupants.clear();
        mOccupied = false;
        mTouched = false;
        // Every exited slot runs, even after an earlier one dropped the trigger.
        const KeptAlive kept(this);
        EmissionGuard guard(mEmission);
        mExited();
    } else {
        mTouched = false;
    }
}

void Trigger::forgetOccupant(const PhysicalBase* object)
{
    mOccupants.erase(std::remove(mOccupants.begin(), mOccupants.end(), object), mOccupants.end());
}

} // namespace tolva
