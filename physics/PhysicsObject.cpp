#include "physics/PhysicsObject.h"

#include "physics/PhysicalBase.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeGeometry.h"

#include <OgreSceneNode.h>

namespace tolva {

PhysicsObject::PhysicsObject() = default;

PhysicsObject::PhysicsObject(ode::Geometry* geometry)
{
    setBase(geometry);
}

PhysicsObject::PhysicsObject(PhysicalBase* base)
{
    setBase(base);
}

PhysicsObject::PhysicsObject(Ogre::SceneNode* node, PhysicalBase* base)
    : GameObject(node)
{
    setBase(base);
}

PhysicsObject::~PhysicsObject()
{
    release();
}

PhysicalBase* PhysicsObject::getBase() const
{
    return mOwned || !mBorrowed.expired() ? mBase : nullptr;
}

bool PhysicsObject::ownPartsFitAt(const WorldPose& pose) const
{
    const PhysicalBase* base = getBase();
    return !base || base->_fitsOnSceneNode(pose.position, pose.orientation, pose.scale);
}

void PhysicsObject::release()
{
    if (!getBase()) {
        mBase = nullptr;
        mBorrowed.reset();
        return;
    }
    for (unsigned int i = 0; i < mBase->getGeometryCount(); ++i) {
        GameObject::detachFromNode(mNode, mBase->getGeometry(i));
    }
    if (mOwned) {
        delete mBase;
    }
    mBase = nullptr;
    mBorrowed.reset();
    mOwned = false;
}

void PhysicsObject::carry(PhysicalBase* base, bool owned)
{
    mBase = base;
    mOwned = owned && base;
    if (!mBase) {
        return;
    }
    if (!mOwned) {
        mBorrowed = mBase->getLifetime();
    }
    for (unsigned int i = 0; i < mBase->getGeometryCount(); ++i) {
        GameObject::attachToNode(mNode, mBase->getGeometry(i));
    }
}

void PhysicsObject::setBase(PhysicalBase* base)
{
    // Releasing the object already carried would delete it before carrying it again.
    if (base && base == getBase()) {
        return;
    }
    release();
    carry(base, false);
}

void PhysicsObject::setBase(ode::Geometry* geometry)
{
    if (!geometry) {
        setBase(static_cast<PhysicalBase*>(nullptr));
        return;
    }
    // The geometry of the object already carried: releasing that object would delete the
    // geometry before it is wrapped again.
    if (mOwned && mBase && mBase->getGeometryCount() > 0 && mBase->getGeometry(0) == geometry) {
        return;
    }
    release();
    carry(new SinglePhysical(geometry), true);
}

} // namespace tolva
