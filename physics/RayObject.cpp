#include "physics/RayObject.h"

#include "core/Exceptions.h"
#include "physics/Physics.h"
#include "platform/OdeRayGeometry.h"

namespace tolva {

namespace {

ode::Geometry* createRay(const Ogre::Vector3& direction)
{
    Physics* physics = PhysicalBase::getPhysicsModule();
    if (!physics) {
        throw IllegalStateException("Rays need the physics module.");
    }
    return physics->createRayGeometry(Ogre::Vector3::ZERO, direction);
}

} // namespace

RayObject::RayObject(const Ogre::Vector3& direction)
    : SinglePhysical(createRay(direction))
{
    setCollisionCategory(COLL_VIRTUAL);
    setCollisionPartners(COLL_FIXED | COLL_MOVABLE);
    setSolid(false);
}

ode::RayGeometry* RayObject::getRayGeometry() const
{
    return dynamic_cast<ode::RayGeometry*>(mGeometry);
}

Ogre::Vector3 RayObject::getDirection() const
{
    ode::RayGeometry* ray = getRayGeometry();
    return ray ? ray->getDirection() : Ogre::Vector3::ZERO;
}

float RayObject::getLength() const
{
    ode::RayGeometry* ray = getRayGeometry();
    return ray ? ray->getLength() : 0.0f;
}

void RayObject::setDirection(const Ogre::Vector3& direction)
{
    if (ode::RayGeometry* ray = getRayGeometry()) {
        // On a scene node the definition is taken in the node's frame, whose origin is already
        // the object's position.
        const Ogre::Vector3 start = ray->getParentNode() ? Ogre::Vector3::ZERO : getPosition();
        ray->setDefinition(start, direction * getScale());
    }
}

void RayObject::setLength(float length)
{
    if (ode::RayGeometry* ray = getRayGeometry()) {
        ray->setLength((length * getDirection() * getScale()).length());
    }
}

} // namespace tolva
