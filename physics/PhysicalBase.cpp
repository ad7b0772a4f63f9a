#include "physics/PhysicalBase.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "physics/EmissionGuard.h"
#include "physics/Physics.h"
#include "platform/OdeConvert.h"
#include "platform/OdeGeometry.h"
#include "scene/GameObject.h"

#include <OgreMath.h>
#include <OgreNode.h>

namespace tolva {

PhysicalBase::PhysicalBase() = default;

PhysicalBase::~PhysicalBase()
{
    mLifetime.reset();
    EmissionGuard::keepSignal(mEmission, mCollisionEvent);
    mProperties.clear();
    mPartnerListeners.clear();
    if (Physics* physics = getPhysicsModule()) {
        physics->forgetObject(this);
    }
}

std::weak_ptr<PhysicalBase> PhysicalBase::getLifetime()
{
    if (!mLifetime) {
        // Owns nothing: it only tells borrowers whether the object is still there.
        mLifetime = std::shared_ptr<PhysicalBase>(this, [](PhysicalBase*) {});
    }
    return mLifetime;
}

unsigned int PhysicalBase::getContactFlags() const
{
    unsigned int flags = CONTACT_PHYSICAL | getOwnContactFlags();
    if (mCollidable) {
        flags |= CONTACT_COLLIDABLE;
    }
    if (mSolid) {
        flags |= CONTACT_SOLID;
    }
    if (mSlotsConnected || !mPartnerListeners.empty() || hasOwnCollisionReceivers()) {
        flags |= CONTACT_LISTENED;
    }
    return flags;
}

PhysicalBase* PhysicalBase::fromGeometry(const ode::Geometry* geometry)
{
    if (!geometry) {
        return nullptr;
    }
    if (geometry->getUserFlags() & CONTACT_PHYSICAL) {
        return static_cast<PhysicalBase*>(geometry->getUserObject());
    }
    // A geometry whose owner was set on it directly, not through a physical object.
    return dynamic_cast<PhysicalBase*>(geometry->getUserObject());
}

unsigned int PhysicalBase::getContactFlags(const ode::Geometry* geometry)
{
    if (!geometry) {
        return 0;
    }
    const unsigned int flags = geometry->getUserFlags();
    if (flags & CONTACT_PHYSICAL) {
        return flags;
    }
    const PhysicalBase* owner = dynamic_cast<PhysicalBase*>(geometry->getUserObject());
    return owner ? owner->getContactFlags() : 0;
}

void PhysicalBase::refreshContactFlags()
{
    const unsigned int flags = getContactFlags();
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        ode::Geometry* geometry = getGeometry(i);
        if (geometry && geometry->getUserObject() == this) {
            geometry->setUserFlags(flags);
        }
    }
}

void PhysicalBase::adoptGeometry(ode::Geometry* geometry)
{
    geometry->setUserObject(this);
    geometry->setUserFlags(getContactFlags());
}

void PhysicalBase::deleteGeometry(ode::Geometry* geometry)
{
    if (!geometry) {
        return;
    }
    geometry->setUserObject(nullptr);
    if (Physics* physics = getPhysicsModule()) {
        physics->forgetGeometry(geometry);
    }
    delete geometry;
}

void PhysicalBase::_collisionSlotConnected()
{
    if (!mSlotsConnected) {
        mSlotsConnected = true;
        refreshContactFlags();
    }
}

void PhysicalBase::setCollidable(bool collidable)
{
    mCollidable = collidable;
    SettingsRevision::advance();
    refreshContactFlags();
}

void PhysicalBase::setSolid(bool solid)
{
    mSolid = solid;
    refreshContactFlags();
}

void PhysicalBase::_attachToSceneNode(Ogre::SceneNode* node)
{
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        GameObject::attachToNode(node, getGeometry(i));
    }
}

void PhysicalBase::_detachFromSceneNode(Ogre::SceneNode* node)
{
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        GameObject::detachFromNode(node, getGeometry(i));
    }
}

bool PhysicalBase::_fitsOnSceneNode(
    const Ogre::Vector3& position, const Ogre::Quaternion& orientation, const Ogre::Vector3& scale) const
{
    // A scaled offset must itself stay an offset the geometry takes, wherever the node stands.
    const Ogre::Vector3 scaledOffset = scale * mUnscaledOffset;
    if (mOffsetFollowsNodeScale && !ode::isPlaceable(scaledOffset)) {
        return false;
    }
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        const ode::Geometry* geometry = getGeometry(i);
        if (!geometry || geometry->getBody()) {
            continue;
        }
        const Ogre::Vector3 offset = mOffsetFollowsNodeScale ? scaledOffset : geometry->getOffsetPosition();
        if (!ode::isPlaceable(position + orientation * offset)) {
            return false;
        }
    }
    return true;
}

Physics* PhysicalBase::getPhysicsModule()
{
    Engine* engine = Engine::getInstance();
    return engine ? engine->getPhysics() : nullptr;
}

void PhysicalBase::setEnabled(bool enabled)
{
    mEnabled = enabled;
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            enabled ? geometry->enable() : geometry->disable();
        }
    }
}

ContactListener PhysicalBase::collide(ode::Geometry* other)
{
    ContactListener listener(true);
    ode::Geometry* own = getGeometryCount() > 0 ? getGeometry(0) : nullptr;
    if (own && other) {
        own->collide(other, &listener);
    }
    return listener;
}

void PhysicalBase::dispatchCollisionEvent(PhysicalBase* partner, Contact* contact)
{
    EmissionGuard guard(mEmission);
    if (mSlotsConnected) {
        // Emitting a signal without slots still costs an allocation per call in this signal
        // library; once every slot has gone, the object stops asking.
        if (mCollisionEvent.empty()) {
            mSlotsConnected = false;
            refreshContactFlags();
        } else {
            mCollisionEvent(partner, contact);
            // A slot may have destroyed either object; the physics module then blanked the record.
            if (guard.isOwnerGone() || (contact && !contact->isValid())) {
                return;
            }
        }
    }
    auto it = mPartnerListeners.find(partner);
    if (it == mPartnerListeners.end()) {
        return;
    }
    it->second.forEach([&](CollisionListener* listener) {
        if (!guard.isOwnerGone() && (!contact || contact->isValid())) {
            listener->collision(partner, contact);
        }
    });
}

PhysicalBase::CollidableType PhysicalBase::getCollisionCategory() const
{
    ode::Geometry* geometry = getGeometryCount() > 0 ? getGeometry(0) : nullptr;
    return geometry ? CollidableType(geometry->getCategoryBitfield()) : COLL_NONE;
}

void PhysicalBase::setCollisionCategory(unsigned int category)
{
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setCategoryBitfield(category);
        }
    }
}

unsigned int PhysicalBase::getCollisionPartners() const
{
    unsigned long partners = 0;
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            partners |= geometry->getCollisionBitfield();
        }
    }
    return static_cast<unsigned int>(partners);
}

void PhysicalBase::setCollisionPartners(unsigned int partners)
{
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setCollisionBitfield(partners);
        }
    }
}

void PhysicalBase::setPosition(const Ogre::Vector3& position)
{
    ode::requirePlaceable(position, "A physical object's position");
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setPosition(position);
        }
    }
}

void PhysicalBase::translate(const Ogre::Vector3& offset)
{
    ode::requireFinite(offset, "A translation");
    setPosition(getPosition() + offset);
}

void PhysicalBase::setOrientation(const Ogre::Quaternion& orientation)
{
    ode::requireRotation(orientation, "A physical object's orientation");
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setOrientation(orientation);
        }
    }
}

void PhysicalBase::rotate(const Ogre::Vector3& axis, float degrees)
{
    rotate(axis, degrees, Ogre::Node::TS_LOCAL);
}

void PhysicalBase::rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space)
{
    ode::requireFinite(axis, "A rotation axis");
    ode::requireFinite(degrees, "A rotation angle");
    const Ogre::Radian angle(degrees * Ogre::Math::fDeg2Rad);
    Ogre::Vector3 turned = axis;
    switch (space) {
    case Ogre::Node::TS_LOCAL:
        turned = getOrientation() * axis;
        break;
    case Ogre::Node::TS_PARENT: {
        // The derived orientation of the node holding the first geometry.
        ode::Geometry* geometry = getGeometryCount() > 0 ? getGeometry(0) : nullptr;
        if (geometry && geometry->getParentNode()) {
            turned = geometry->getParentNode()->_getDerivedOrientation() * axis;
        }
        break;
    }
    case Ogre::Node::TS_WORLD:
        break;
    default:
        return;
    }
    const Ogre::Quaternion rotated = Ogre::Quaternion(angle, turned) * getOrientation();
    ode::requireRotation(rotated, "A rotation");
    setOrientation(rotated);
}

void PhysicalBase::setScale(const Ogre::Vector3& scale)
{
    // Every geometry takes the scale, or none does.
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        ode::Geometry* geometry = getGeometry(i);
        if (geometry && !geometry->acceptsScale(scale)) {
            throw InvalidArgumentException("A physical object's scale must not be negative, and must keep its "
                                           "shapes finite and within 1e15.");
        }
    }
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setScale(scale);
        }
    }
}

void PhysicalBase::scale(const Ogre::Vector3& factors)
{
    ode::requireFinite(factors, "Scale factors");
    setScale(getScale() * factors);
}

Ogre::Vector3 PhysicalBase::getOffsetPosition() const
{
    ode::Geometry* geometry = getGeometryCount() > 0 ? getGeometry(0) : nullptr;
    return geometry ? geometry->getOffsetPosition() : Ogre::Vector3::ZERO;
}

void PhysicalBase::setOffsetPosition(const Ogre::Vector3& offset)
{
    ode::requirePlaceable(offset, "A geometry offset");
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setOffsetPosition(offset);
        }
    }
}

void PhysicalBase::setOffsetPosition(const Ogre::Vector3& offset, unsigned int index)
{
    ode::requirePlaceable(offset, "A geometry offset");
    if (index < getGeometryCount()) {
        if (ode::Geometry* geometry = getGeometry(index)) {
            geometry->setOffsetPosition(offset);
        }
    }
}

Ogre::Quaternion PhysicalBase::getOffsetOrientation() const
{
    ode::Geometry* geometry = getGeometryCount() > 0 ? getGeometry(0) : nullptr;
    return geometry ? geometry->getOffsetOrientation() : Ogre::Quaternion::IDENTITY;
}

void PhysicalBase::setOffsetOrientation(const Ogre::Quaternion& offset)
{
    ode::requireRotation(offset, "A geometry offset orientation");
    for (unsigned int i = 0; i < getGeometryCount(); ++i) {
        if (ode::Geometry* geometry = getGeometry(i)) {
            geometry->setOffsetOrientation(offset);
        }
    }
}

void PhysicalBase::setOffsetOrientation(const Ogre::Quaternion& offset, unsigned int index)
{
    ode::requireRotation(offset, "A geometry offset orientation");
    if (index < getGeometryCount()) {
        if (ode::Geometry* geometry = getGeometry(index)) {
            geometry->setOffsetOrientation(offset);
        }
    }
}

PhysicalBase::CollisionListenerHolder& PhysicalBase::eventPhysicalCollision(PhysicalBase* partner)
{
    const bool first = mPartnerListeners.empty();
    CollisionListenerHolder& holder = mPartnerListeners[partner];
    if (first) {
        refreshContactFlags();
    }
    return holder;
}

const std::string& PhysicalBase::getProperty(const std::string& name) const
{
    auto it = mProperties.find(name);
    if (it == mProperties.end()) {
        throw NotFoundException("PhysicalBase: The " + name + " property was not found.");
    }
    return it->second;
}

} // namespace tolva
