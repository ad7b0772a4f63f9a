// A collision shape. It may hang on a rigid body (it then moves with the body, at an optional
// offset) or stand on its own; a geometry without a body can hang on a scene node, whose pose it
// then follows (with the same optional offset). As a rendering-engine movable object it draws
// nothing; it only rides on nodes.
#pragma once

#include <ode/ode.h>
#include <OgreAxisAlignedBox.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include "platform/InvisibleMovableObject.h"
#include "platform/OdeGeometryTag.h"

namespace tolva::ode {

class Body;
class CollisionListener;
class Space;
class UserObject;

class Geometry : public platform::InvisibleMovableObject {
public:
    /// ODE's geometry class numbers.
    enum Class {
        CLASS_SPHERE = dSphereClass,
        CLASS_BOX = dBoxClass,
        CLASS_CAPSULE = dCapsuleClass,
        CLASS_CYLINDER = dCylinderClass,
        CLASS_RAY = dRayClass,
        CLASS_CONVEX = dConvexClass,
        CLASS_TRANSFORM = dGeomTransformClass,
        CLASS_TRIANGLE_MESH = dTriMeshClass
    };

    ~Geometry() override;
    Geometry(const Geometry&) = delete;
    Geometry& operator=(const Geometry&) = delete;

    dGeomID getGeometryID() const { return mId; }
    /// The geometry wrapper of an ODE geometry made by this layer, or null.
    static Geometry* fromId(dGeomID id)
    {
        const GeometryTag* tag = tagOf(id);
        return tag ? tag->geometry : nullptr;
    }
    /// What a contact needs of an ODE geometry made by this layer, or null.
    static GeometryTag* tagOf(dGeomID id) { return id ? static_cast<GeometryTag*>(dGeomGetData(id)) : nullptr; }
    GeometryTag* getTag() const { return mTag; }
    int getClass() const;
    Space* getSpace() const { return mSpace; }

    UserObject* getUserObject() const { return mTag->userObject; }
    /// Also clears the user flags, which described the previous user object.
    void setUserObject(UserObject* object)
    {
        if (object != mTag->userObject || mTag->userFlags != 0) {
            ++sUserRevision;
        }
        mTag->userObject = object;
        mTag->userFlags = 0;
    }
    /// Bits that the user object keeps on each of its geometries, so that whoever handles a
    /// contact learns what it needs of the owners without reaching them. The layer never reads
    /// them.
    unsigned int getUserFlags() const { return mTag->userFlags; }
    void setUserFlags(unsigned int flags)
    {
        if (flags != mTag->userFlags) {
            mTag->userFlags = flags;
            ++sUserRevision;
        }
    }
    /// Changes whenever any geometry's user object or user flags change: while it stays, what
    /// was read of them still holds.
    static unsigned long getUserRevision() { return sUserRevision; }

    void setCategoryBitfield(unsigned long bits);
    unsigned long getCategoryBitfield() const;
    void setCollisionBitfield(unsigned long bits);
    unsigned long getCollisionBitfield() const;

    void enable();
    void disable();
    bool isEnabled() const;

    /// World-space bounding box of the shape as it stands now.
    Ogre::AxisAlignedBox getAxisAlignedBox() const;

    /// The pose the geometry's offset is relative to: its body's pose, else the pose set here or
    /// taken from its scene node.
    void setPosition(const Ogre::Vector3& position);
    Ogre::Vector3 getPosition() const;
    void setOrientation(const Ogre::Quaternion& orientation);
    Ogre::Quaternion getOrientation() const;
    /// Where the shape itself stands in the world (pose and offset combined).
    Ogre::Vector3 getWorldPosition() const;
    Ogre::Quaternion getWorldOrientation() const;

    /// Offsets work with and without a body (ODE itself only allows them with one).
    void setOffsetPosition(const Ogre::Vector3& offset);
    const Ogre::Vector3& getOffsetPosition() const { return mOffsetPosition; }
    void setOffsetOrientation(const Ogre::Quaternion& offset);
    const Ogre::Quaternion& getOffsetOrientation() const { return mOffsetOrientation; }

    /// Scales the shape against the size it was made with.
    /// @throw InvalidArgumentException for a negative or non-finite scale, or one that would make
    ///        the shape larger than the simulation can hold (nothing changes)
    void setScale(const Ogre::Vector3& scale);
    /// Whether setScale takes the scale.
    bool acceptsScale(const Ogre::Vector3& scale) const;
    const Ogre::Vector3& getScale() const { return mScale; }

    /// Hangs the geometry on a body (null takes it off and leaves it where it stands). A geometry
    /// that a transform geometry carries is refused with a warning: ODE would abort at its first
    /// collision.
    void setBody(Body* body);
    Body* getBody() const { return mBody; }

    /// Tests this geometry against another when both are enabled and their bits match; contacts
    /// reach the listener but never become constraints. @return the number of contact points found
    int collide(Geometry* other, CollisionListener* listener);

    // Ogre::MovableObject
    void _notifyAttached(Ogre::Node* parent, bool isTagPoint = false) override;
    void _notifyMoved() override;

    /// Called by a body that is being destroyed.
    void _bodyDestroyed();
    /// Called by a space that is being destroyed.
    void _spaceDestroyed() { mSpace = nullptr; }
    /// Called by a transform geometry that takes the geometry on or lets it go.
    void _setCarried(bool carried) { mCarried = carried; }
    bool isCarried() const { return mCarried; }

    /// Largest number of contact points reported for one pair of geometries.
    static const int MAX_CONTACTS = 8;

protected:
    /// Takes ownership of the ODE geometry and puts it into the space (which may be null).
    Geometry(dGeomID id, Space* space);
    /// Rescales the primitive; the default does nothing.
    virtual void applyScale(const Ogre::Vector3& scale) { }
    /// Whether the primitive rescaled by the scale stays within the simulation's extent.
    virtual bool fitsScale(const Ogre::Vector3& scale) const { return true; }
    /// Sets the ODE pose of a geometry without a body.
    virtual void applyPose(const Ogre::Vector3& position, const Ogre::Quaternion& orientation);
    /// Sets the ODE pose from the base pose and the offset.
    void updatePose();
    /// Logs, once per geometry, that a pose was refused.
    void warnOutOfRange();
    /// Takes the geometry off its node and body and destroys the ODE geometry; for derived
    /// destructors whose data must outlive it.
    void destroyGeometry();

    dGeomID mId;

private:
    void pullNodePose();

    inline static unsigned long sUserRevision = 0;

    bool mWarnedOutOfRange = false;

    /// What a contact reads, in the tag table.
    GeometryTag* mTag;
    bool mCarried = false;
    Space* mSpace;
    Body* mBody = nullptr;
    Ogre::Vector3 mPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion mOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::Vector3 mOffsetPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion mOffsetOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::Vector3 mScale = Ogre::Vector3::UNIT_SCALE;
};

} // namespace tolva::ode
