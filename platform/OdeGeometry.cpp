#include "platform/OdeGeometry.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/SettingsRevision.h"
#include "platform/OdeBody.h"
#include "platform/OdeCollisionListener.h"
#include "platform/OdeContact.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeSpace.h"

#include <OgreNode.h>
#include <OgreSceneNode.h>
#include <OgreTagPoint.h>
#include <OgreEntity.h>

#include <cmath>
#include <string>

namespace tolva::ode {

namespace {

// Rendering-engine movable objects need names that are unique on their node (and for bones).
std::string nextName()
{
    static unsigned long counter = 0;
    return "tolva.ode.Geometry#" + std::to_string(++counter);
}

} // namespace

Geometry::Geometry(dGeomID id, Space* space)
    : InvisibleMovableObject(nextName(), "TolvaOdeGeometry")
    , mId(id)
    , mTag(GeometryTag::take(this))
    , mSpace(space)
{
    initialiseLibrary();
    dGeomSetData(mId, mTag);
    if (mSpace) {
        dSpaceAdd(mSpace->getSpaceID(), mId);
    }
}

Geometry::~Geometry()
{
    destroyGeometry();
    GeometryTag::give(mTag);
}

void Geometry::destroyGeometry()
{
    if (!mId) {
        return;
    }
    if (mParentNode) {
        if (mParentIsTagPoint) {
            static_cast<Ogre::TagPoint*>(mParentNode)->getParentEntity()->detachObjectFromBone(this);
        } else if (auto* node = getParentSceneNode()) {
            node->detachObject(this);
        }
    }
    if (mBody) {
        dGeomSetBody(mId, nullptr);
    }
    // Removes it from its space too, when the space still exists.
    dGeomDestroy(mId);
    mId = nullptr;
}

int Geometry::getClass() const
{
    return dGeomGetClass(mId);
}

void Geometry::setCategoryBitfield(unsigned long bits)
{
    dGeomSetCategoryBits(mId, bits);
    SettingsRevision::advance();
}
unsigned long Geometry::getCategoryBitfield() const
{
    return dGeomGetCategoryBits(mId);
}
void Geometry::setCollisionBitfield(unsigned long bits)
{
    dGeomSetCollideBits(mId, bits);
    SettingsRevision::advance();
}
unsigned long Geometry::getCollisionBitfield() const
{
    return dGeomGetCollideBits(mId);
}

void Geometry::enable()
{
    dGeomEnable(mId);
    SettingsRevision::advance();
}
void Geometry::disable()
{
    dGeomDisable(mId);
    SettingsRevision::advance();
}
bool Geometry::isEnabled() const
{
    return dGeomIsEnabled(mId) != 0;
}

Ogre::AxisAlignedBox Geometry::getAxisAlignedBox() const
{
    dReal aabb[6];
    dGeomGetAABB(mId, aabb);
    for (dReal value : aabb) {
        if (std::isinf(value)) {
            return Ogre::AxisAlignedBox(Ogre::AxisAlignedBox::EXTENT_INFINITE);
        }
    }
    return Ogre::AxisAlignedBox(Ogre::Vector3(aabb[0], aabb[2], aabb[4]), Ogre::Vector3(aabb[1], aabb[3], aabb[5]));
}

void Geometry::setPosition(const Ogre::Vector3& position)
{
    if (!isPlaceable(position)) {
        logWarning("Warning: Attempt to set a geometry position that is not finite or out of range.");
        return;
    }
    if (mBody) {
        mBody->setPosition(position);
        return;
    }
    mPosition = position;
    updatePose();
}

Ogre::Vector3 Geometry::getPosition() const
{
    return mBody ? mBody->getPosition() : mPosition;
}

void Geometry::setOrientation(const Ogre::Quaternion& orientation)
{
    if (!isRotation(orientation)) {
        logWarning("Warning: Attempt to set a geometry orientation that is not a rotation.");
        return;
    }
    Ogre::Quaternion unit = orientation;
    unit.normalise();
    if (mBody) {
        mBody->setOrientation(unit);
        return;
    }
    mOrientation = unit;
    updatePose();
}

Ogre::Quaternion Geometry::getOrientation() const
{
    return mBody ? mBody->getOrientation() : mOrientation;
}

Ogre::Vector3 Geometry::getWorldPosition() const
{
    return toOgre(dGeomGetPosition(mId));
}

Ogre::Quaternion Geometry::getWorldOrientation() const
{
    dQuaternion q;
    dGeomGetQuaternion(mId, q);
    return toOgreQuaternion(q);
}

void Geometry::setOffsetPosition(const Ogre::Vector3& offset)
{
    if (!isPlaceable(offset)) {
        logWarning("Warning: Attempt to set a geometry offset that is not finite or out of range.");
        return;
    }
    mOffsetPosition = offset;
    SettingsRevision::advance();
    if (mBody) {
        dGeomSetOffsetPosition(mId, offset.x, offset.y, offset.z);
    } else {
        updatePose();
    }
}

void Geometry::setOffsetOrientation(const Ogre::Quaternion& offset)
{
    if (!isRotation(offset)) {
        logWarning("Warning: Attempt to set a geometry offset orientation that is not a rotation.");
        return;
    }
    mOffsetOrientation = offset;
    mOffsetOrientation.normalise();
    if (mBody) {
        dQuaternion q;
        toOde(mOffsetOrientation, q);
        dGeomSetOffsetQuaternion(mId, q);
    } else {
        updatePose();
    }
}

bool Geometry::acceptsScale(const Ogre::Vector3& scale) const
{
    return isWithinExtent(scale) && scale.x >= 0 && scale.y >= 0 && scale.z >= 0 && fitsScale(scale);
}

void Geometry::setScale(const Ogre::Vector3& scale)
{
    if (!acceptsScale(scale)) {
        throw InvalidArgumentException("A geometry scale must not be negative, and must keep the shape finite "
                                       "and within 1e15.");
    }
    mScale = scale;
    applyScale(scale);
}

void Geometry::setBody(Body* body)
{
    if (body == mBody) {
        return;
    }
    if (body && mCarried) {
        logWarning("Warning: Attempt to hang a geometry carried by a transform geometry on a body.");
        return;
    }
    if (mBody) {
        // ODE leaves the geometry where it stands and forgets the offset; the layer keeps the
        // offset and takes the body's last pose as the base pose.
        mPosition = mBody->getPosition();
        mOrientation = mBody->getOrientation();
        dGeomSetBody(mId, nullptr);
        mBody = nullptr;
    }
    if (body) {
        dGeomSetBody(mId, body->getBodyID());
        mBody = body;
        if (mOffsetPosition != Ogre::Vector3::ZERO) {
            dGeomSetOffsetPosition(mId, mOffsetPosition.x, mOffsetPosition.y, mOffsetPosition.z);
        }
        if (mOffsetOrientation != Ogre::Quaternion::IDENTITY) {
            dQuaternion q;
            toOde(mOffsetOrientation, q);
            dGeomSetOffsetQuaternion(mId, q);
        }
    } else {
        updatePose();
    }
}

void Geometry::_bodyDestroyed()
{
    setBody(nullptr);
}

int Geometry::collide(Geometry* other, CollisionListener* listener)
{
    if (!other || other == this || !isEnabled() || !other->isEnabled()) {
        return 0;
    }
    const unsigned long cat1 = getCategoryBitfield(), col1 = getCollisionBitfield();
    const unsigned long cat2 = other->getCategoryBitfield(), col2 = other->getCollisionBitfield();
    if (!(cat1 & col2) && !(cat2 & col1)) {
        return 0;
    }
    if (mBody && mBody == other->mBody) {
        return 0;
    }
    dContact raw[MAX_CONTACTS];
    const int count = dCollide(mId, other->mId, MAX_CONTACTS, &raw[0].geom, sizeof(dContact));
    for (int i = 0; i < count; ++i) {
        Contact contact(raw[i], this, other);
        if (listener) {
            listener->collision(&contact);
        }
    }
    return count;
}

void Geometry::_notifyAttached(Ogre::Node* parent, bool isTagPoint)
{
    InvisibleMovableObject::_notifyAttached(parent, isTagPoint);
    if (parent && !mBody) {
        pullNodePose();
    }
}

void Geometry::_notifyMoved()
{
    Ogre::MovableObject::_notifyMoved();
    // A geometry on a body follows the body alone; a node must never fight the simulation.
    if (mParentNode && !mBody) {
        pullNodePose();
    }
}

void Geometry::pullNodePose()
{
    mPosition = mParentNode->_getDerivedPosition();
    mOrientation = mParentNode->_getDerivedOrientation();
    updatePose();
}

void Geometry::applyPose(const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    // A node far out (or a far offset turned with it) would file the geometry where the collision
    // space cannot count: the geometry stays where it was.
    if (!isPlaceable(position) || !isRotation(orientation)) {
        warnOutOfRange();
        return;
    }
    dGeomSetPosition(mId, position.x, position.y, position.z);
    dQuaternion q;
    toOde(orientation, q);
    dGeomSetQuaternion(mId, q);
}

void Geometry::warnOutOfRange()
{
    if (!mWarnedOutOfRange) {
        mWarnedOutOfRange = true;
        logWarning("Warning: A geometry was placed out of the range the physics can simulate; it stays where it was.");
    }
}

void Geometry::updatePose()
{
    if (mBody) {
        return;
    }
    applyPose(mPosition + mOrientation * mOffsetPosition, mOrientation * mOffsetOrientation);
}

} // namespace tolva::ode
