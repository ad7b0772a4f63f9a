#include "platform/OdeBody.h"

#include "core/LogLine.h"
#include "platform/OdeConvert.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeMass.h"
#include "platform/OdeObjectPool.h"

#include <OgreSceneNode.h>
#include <OgreTagPoint.h>
#include <OgreEntity.h>

#include <algorithm>
#include <cmath>

namespace tolva::ode {

namespace {

std::string bodyName(const std::string& name)
{
    static unsigned long counter = 0;
    ++counter;
    // Names must be unique on a node; an empty name still gets one of its own.
    return (name.empty() ? std::string("tolva.ode.Body#") : name + "#") + std::to_string(counter);
}

bool checkVector(const Ogre::Vector3& v, const char* what)
{
    if (isFinite(v)) {
        return true;
    }
    logWarning(std::string("Warning: Attempt to set a body ") + what + " that is not finite.");
    return false;
}

} // namespace

Body::Body(World* world, const std::string& name)
    : InvisibleMovableObject(bodyName(name), "TolvaOdeBody")
{
    initialiseLibrary();
    mCore = world->_getCore();
    {
        const ObjectPool::Scope pooled;
        mId = dBodyCreate(mCore->world);
    }
    dBodySetData(mId, this);
    dBodySetMovedCallback(mId, &World::_bodyMoved);
    mCore->bodies.push_back(this);
    mCore->bodyIds.push_back(mId);
}

Body::~Body()
{
    if (mParentNode) {
        if (mParentIsTagPoint) {
            static_cast<Ogre::TagPoint*>(mParentNode)->getParentEntity()->detachObjectFromBone(this);
        } else if (auto* node = getParentSceneNode()) {
            node->detachObject(this);
        }
    }
    while (dGeomID id = dBodyGetFirstGeom(mId)) {
        if (Geometry* geometry = Geometry::fromId(id)) {
            geometry->_bodyDestroyed();
        } else {
            dGeomSetBody(id, nullptr);
        }
    }
    auto& bodies = mCore->bodies;
    const auto place = std::find(bodies.begin(), bodies.end(), this) - bodies.begin();
    bodies.erase(bodies.begin() + place);
    mCore->bodyIds.erase(mCore->bodyIds.begin() + place);
    auto& onNodes = mCore->bodiesOnNodes;
    onNodes.erase(std::remove(onNodes.begin(), onNodes.end(), this), onNodes.end());
    dBodyDestroy(mId);
}

Body* Body::fromId(dBodyID id)
{
    return id ? static_cast<Body*>(dBodyGetData(id)) : nullptr;
}

bool Body::setMass(const Mass& mass)
{
    Mass installed = mass;
    const Ogre::Vector3 centre = installed.getCentre();
    if (isFinite(centre) && centre.squaredLength() > 1e-12f) {
        logWarning("Warning: A mass whose centre is away from the body's origin was installed with "
                   "its centre at the origin.");
        installed.translate(-centre);
    }
    const std::string problem = installed.getProblem();
    if (!problem.empty()) {
        logWarning("Warning: Attempt to set an invalid mass on a body: " + problem + ".");
        return false;
    }
    dMass raw = installed.getOdeMass();
    // Rounding of the translation may leave a trace of a centre, which ODE refuses.
    raw.c[0] = raw.c[1] = raw.c[2] = 0;
    dBodySetMass(mId, &raw);
    return true;
}

float Body::getMassValue() const
{
    dMass raw;
    dBodyGetMass(mId, &raw);
    return float(raw.mass);
}

void Body::addForce(const Ogre::Vector3& f)
{
    if (checkVector(f, "force")) {
        dBodyAddForce(mId, f.x, f.y, f.z);
    }
}

void Body::addTorque(const Ogre::Vector3& t)
{
    if (checkVector(t, "torque")) {
        dBodyAddTorque(mId, t.x, t.y, t.z);
    }
}

void Body::setForce(const Ogre::Vector3& f)
{
    if (checkVector(f, "force")) {
        dBodySetForce(mId, f.x, f.y, f.z);
    }
}

void Body::setTorque(const Ogre::Vector3& t)
{
    if (checkVector(t, "torque")) {
        dBodySetTorque(mId, t.x, t.y, t.z);
    }
}

Ogre::Vector3 Body::getForce() const
{
    return toOgre(dBodyGetForce(mId));
}
Ogre::Vector3 Body::getTorque() const
{
    return toOgre(dBodyGetTorque(mId));
}

void Body::wake()
{
    dBodyEnable(mId);
}
void Body::sleep()
{
    dBodyDisable(mId);
}
bool Body::isAwake() const
{
    return dBodyIsEnabled(mId) != 0;
}

void Body::setPosition(const Ogre::Vector3& p)
{
    if (!isPlaceable(p)) {
        logWarning("Warning: Attempt to set a body position that is not finite or out of range.");
        return;
    }
    dBodySetPosition(mId, p.x, p.y, p.z);
    synchronise();
}

const Ogre::Vector3& Body::getPosition() const
{
    mPosition = toOgre(dBodyGetPosition(mId));
    return mPosition;
}

void Body::setOrientation(const Ogre::Quaternion& q)
{
    if (!isRotation(q)) {
        logWarning("Warning: Attempt to set a body orientation that is not a rotation.");
        return;
    }
    Ogre::Quaternion unit = q;
    unit.normalise();
    dQuaternion raw;
    toOde(unit, raw);
    dBodySetQuaternion(mId, raw);
    synchronise();
}

const Ogre::Quaternion& Body::getOrientation() const
{
    mOrientation = toOgreQuaternion(dBodyGetQuaternion(mId));
    return mOrientation;
}

void Body::setLinearVelocity(const Ogre::Vector3& v)
{
    if (checkVector(v, "velocity")) {
        dBodySetLinearVel(mId, v.x, v.y, v.z);
    }
}

const Ogre::Vector3& Body::getLinearVelocity() const
{
    mLinearVelocity = toOgre(dBodyGetLinearVel(mId));
    return mLinearVelocity;
}

void Body::setAngularVelocity(const Ogre::Vector3& v)
{
    if (checkVector(v, "angular velocity")) {
        dBodySetAngularVel(mId, v.x, v.y, v.z);
    }
}

const Ogre::Vector3& Body::getAngularVelocity() const
{
    mAngularVelocity = toOgre(dBodyGetAngularVel(mId));
    return mAngularVelocity;
}

void Body::setLinearDamping(float damping)
{
    if (!(damping >= 0 && damping <= 1)) {
        logWarning("Warning: Attempt to set a damping outside [0, 1] on a body.");
        return;
    }
    dBodySetLinearDamping(mId, damping);
}

float Body::getLinearDamping() const
{
    return float(dBodyGetLinearDamping(mId));
}

void Body::setAngularDamping(float damping)
{
    if (!(damping >= 0 && damping <= 1)) {
        logWarning("Warning: Attempt to set a damping outside [0, 1] on a body.");
        return;
    }
    dBodySetAngularDamping(mId, damping);
}

float Body::getAngularDamping() const
{
    return float(dBodyGetAngularDamping(mId));
}

void Body::setAngularVelocityMax(float maximum)
{
    if (!(maximum >= 0)) {
        logWarning("Warning: Attempt to set a negative maximum angular velocity on a body.");
        return;
    }
    dBodySetMaxAngularSpeed(mId, std::isinf(maximum) ? dInfinity : dReal(maximum));
}

float Body::getAngularVelocityMax() const
{
    return float(dBodyGetMaxAngularSpeed(mId));
}

void Body::setAffectedByGravity(bool affected)
{
    dBodySetGravityMode(mId, affected ? 1 : 0);
}
bool Body::getAffectedByGravity() const
{
    return dBodyGetGravityMode(mId) != 0;
}

void Body::synchronise()
{
    if (!mParentNode || mParentIsTagPoint) {
        return;
    }
    // The node's place is the body's brought into the parent's space, through the inverse of the
    // parent's world scale: under a scale that counts as zero the node keeps its place.
    if (const Ogre::Node* parent = mParentNode->getParent()) {
        if (!isInvertibleScale(parent->_getDerivedScale())) {
            return;
        }
    }
    mParentNode->_setDerivedPosition(getPosition());
    mParentNode->_setDerivedOrientation(getOrientation());
}

void Body::_notifyAttached(Ogre::Node* parent, bool isTagPoint)
{
    InvisibleMovableObject::_notifyAttached(parent, isTagPoint);
    auto& onNodes = mCore->bodiesOnNodes;
    const auto it = std::find(onNodes.begin(), onNodes.end(), this);
    const bool onNode = parent && !isTagPoint;
    if (onNode && it == onNodes.end()) {
        onNodes.push_back(this);
    } else if (!onNode && it != onNodes.end()) {
        onNodes.erase(it);
    }
    synchronise();
}

} // namespace tolva::ode
