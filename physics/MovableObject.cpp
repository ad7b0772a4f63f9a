#include "physics/MovableObject.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/SettingsRevision.h"
#include "platform/OdeBody.h"
#include "platform/OdeBoxMass.h"
#include "platform/OdeCapsuleMass.h"
#include "platform/OdeConvert.h"
#include "platform/OdeCylinderMass.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeSphereMass.h"
#include "scene/GameObject.h"

#include <OgreMath.h>
#include <OgreNode.h>

namespace tolva {

namespace {

Physics* requirePhysics()
{
    Physics* physics = PhysicalBase::getPhysicsModule();
    if (!physics) {
        throw IllegalStateException("Movable objects need the physics module.");
    }
    return physics;
}

/// The stored value is what getMassValue reads and what the next mass is built from: one that is
/// not finite would be read back while the body kept its old mass.
float requireMassValue(float massValue)
{
    ode::requireFinite(massValue, "A mass value");
    return massValue;
}

/// ODE scales the velocity by one minus the damping in every step: below 0 the body speeds up,
/// above 1 it swings through zero ever faster, until ODE's own checks abort.
void requireDamping(float damping)
{
    if (!(damping >= 0.0f && damping <= 1.0f)) {
        throw InvalidArgumentException("A damping must be within [0, 1].");
    }
}

} // namespace

MovableObject::MovableObject(ode::Geometry* geometry, float massValue)
    : SinglePhysical(nullptr)
    , mPhysics(requirePhysics())
    , mMassValue(requireMassValue(massValue))
{
    mBody = mPhysics->createBody();
    setGeometry(0, geometry);
    mPhysics->addObject(this);
    SettingsRevision::advance();
}

void MovableObject::_attachToSceneNode(Ogre::SceneNode* node)
{
    GameObject::attachToNode(node, mBody);
}

void MovableObject::_detachFromSceneNode(Ogre::SceneNode* node)
{
    GameObject::detachFromNode(node, mBody);
}

MovableObject::~MovableObject()
{
    // The module may already be gone when the engine was destroyed first.
    if (getPhysicsModule() == mPhysics) {
        mPhysics->removeObject(this);
    }
    // Whoever keeps data taken from this object's settings (the gravity manager's push targets,
    // which hold its body) takes it afresh before using it again.
    SettingsRevision::advance();
    delete mBody;
    mBody = nullptr;
    delete mMass;
    mMass = nullptr;
}

bool MovableObject::setGeometry(unsigned int index, ode::Geometry* geometry)
{
    const GeometryChange change = checkGeometryChange(index, geometry);
    if (change != GeometryChange::Replace) {
        return change == GeometryChange::Unchanged;
    }
    if (mGeometry) {
        mGeometry->setBody(nullptr);
    }
    delete mMass;
    mMass = nullptr;
    SinglePhysical::setGeometry(0, geometry);
    SettingsRevision::advance();
    if (geometry) {
        geometry->setBody(mBody);
        setMassType(Physics::MASS_AUTO);
        setCollisionCategory(COLL_MOVABLE);
        setCollisionPartners(COLL_FIXED | COLL_MOVABLE | COLL_SPHERE);
    }
    return true;
}

void MovableObject::requireFiniteVector(const Ogre::Vector3& vector, const char* what)
{
    ode::requireFinite(vector, what);
}

void MovableObject::setPosition(const Ogre::Vector3& position)
{
    ode::requirePlaceable(position, "A movable object's position");
    mBody->setPosition(position);
}
void MovableObject::translate(const Ogre::Vector3& offset)
{
    ode::requireFinite(offset, "A translation");
    setPosition(mBody->getPosition() + offset);
}
void MovableObject::setOrientation(const Ogre::Quaternion& orientation)
{
    ode::requireRotation(orientation, "A movable object's orientation");
    mBody->setOrientation(orientation);
}
Ogre::Vector3 MovableObject::getPosition() const
{
    return mBody->getPosition();
}
Ogre::Quaternion MovableObject::getOrientation() const
{
    return mBody->getOrientation();
}

void MovableObject::rotate(const Ogre::Vector3& axis, float degrees)
{
    rotate(axis, degrees, Ogre::Node::TS_LOCAL);
}

void MovableObject::rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space)
{
    ode::requireFinite(axis, "A rotation axis");
    ode::requireFinite(degrees, "A rotation angle");
    const Ogre::Radian angle(degrees * Ogre::Math::fDeg2Rad);
    Ogre::Vector3 turned = axis;
    switch (space) {
    case Ogre::Node::TS_LOCAL:
        turned = mBody->getOrientation() * axis;
        break;
    case Ogre::Node::TS_PARENT:
        if (mBody->getParentNode()) {
            turned = mBody->getParentNode()->_getDerivedOrientation() * axis;
        }
        break;
    case Ogre::Node::TS_WORLD:
        break;
    default:
        return;
    }
    const Ogre::Quaternion rotated = Ogre::Quaternion(angle, turned) * mBody->getOrientation();
    ode::requireRotation(rotated, "A rotation");
    mBody->setOrientation(rotated);
}

Ogre::Vector3 MovableObject::getAngularVelocity() const
{
    return mBody->getAngularVelocity();
}
void MovableObject::setAngularVelocity(const Ogre::Vector3& velocity)
{
    ode::requireFinite(velocity, "An angular velocity");
    mBody->setAngularVelocity(velocity);
}
void MovableObject::setAngularDamping(float damping)
{
    requireDamping(damping);
    mBody->setAngularDamping(damping);
}
float MovableObject::getAngularVelocityMax() const
{
    return mBody->getAngularVelocityMax();
}
void MovableObject::setAngularVelocityMax(float maximum)
{
    mBody->setAngularVelocityMax(maximum);
}
Ogre::Vector3 MovableObject::getLinearVelocity() const
{
    return mBody->getLinearVelocity();
}
void MovableObject::setLinearVelocity(const Ogre::Vector3& velocity)
{
    ode::requireFinite(velocity, "A velocity");
    mBody->setLinearVelocity(velocity);
}
void MovableObject::setLinearDamping(float damping)
{
    requireDamping(damping);
    mBody->setLinearDamping(damping);
}
void MovableObject::setUnidirectional(bool unidirectional)
{
    mUnidirectional = unidirectional;
    refreshContactFlags();
}

unsigned int MovableObject::getOwnContactFlags() const
{
    return CONTACT_MOVABLE | (mUnidirectional ? unsigned(CONTACT_UNIDIRECTIONAL) : 0u);
}

bool MovableObject::isAffectedByGravity() const
{
    return mBody->getAffectedByGravity();
}
void MovableObject::setAffectedByGravity(bool affected)
{
    mBody->setAffectedByGravity(affected);
}
bool MovableObject::isBodyEnabled() const
{
    return mBody->isAwake();
}

void MovableObject::setBodyEnabled(bool enabled)
{
    if (enabled == mBody->isAwake()) {
        return;
    }
    if (enabled) {
        mBody->wake();
        mBody->setForce(Ogre::Vector3::ZERO);
        mBody->setTorque(Ogre::Vector3::ZERO);
    } else {
        mBody->sleep();
    }
}

Physics::MassType MovableObject::getMassType() const
{
    if (!mMass) {
        return Physics::MASS_AUTO;
    }
    if (dynamic_cast<ode::BoxMass*>(mMass)) {
        return Physics::MASS_BOX;
    }
    if (dynamic_cast<ode::CapsuleMass*>(mMass)) {
        return Physics::MASS_CAPSULE;
    }
    if (dynamic_cast<ode::CylinderMass*>(mMass)) {
        return Physics::MASS_CYLINDER;
    }
    if (dynamic_cast<ode::SphereMass*>(mMass)) {
        return Physics::MASS_SPHERE;
    }
    return Physics::MASS;
}

void MovableObject::setMassType(int type)
{
    if (mMass && getMassType() == type) {
        return;
    }
    delete mMass;
    mMass = nullptr;
    if (!mGeometry) {
        return;
    }
    mMass = mPhysics->createMass(mGeometry, mMassValue, type, 1.0f, 1.0f, 1.0f);
    if (mMass) {
        mBody->setMass(*mMass);
    }
}

void MovableObject::setMassValue(float massValue)
{
    mMassValue = requireMassValue(massValue);
    if (mMass) {
        mMass->adjust(massValue);
    }
}

void MovableObject::translateMass(const Ogre::Vector3& offset)
{
    ode::requireFinite(offset, "A mass translation");
    if (mMass) {
        mMass->translate(offset);
    }
}

void MovableObject::setMass(ode::Mass* mass)
{
    if (!mass) {
        logWarning("Warning: Attempt to set invalid mass on movable.");
        return;
    }
    if (!mBody->setMass(*mass)) {
        // The body keeps the mass it had, and so does this object.
        if (mass != mMass) {
            delete mass;
        }
        return;
    }
    if (mass != mMass) {
        delete mMass;
        mMass = mass;
    }
    mMassValue = mass->getMassValue();
}

} // namespace tolva
