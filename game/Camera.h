// The game camera: a scene object that carries the rendering engine's camera and orbits a focal
// object at a smoothed distance, pitch and yaw (degrees throughout).
//
// Each game frame (as an updateable) it applies the smoothed turns, pitch and zoom and places
// itself from the focal point position of the last physics frame. Around each physics frame it
// follows the focal object: after the step it optionally lets itself be dragged behind it (pull
// mode), pushes itself out of level geometry that its collision sphere touches, and then sets the
// position and orientation that are rendered. The collision sphere is not solid and as large as
// the distance from the eye to a corner of the near plane, so the near plane never enters a wall.
//
// In the local view the look commands turn and tilt the view about the camera itself instead of
// orbiting, and zoom is ignored. Leaving the local view, and lookAt, swing the view to a target
// rotation smoothly (a sling). The orbit orientation's z axis points from the focal point to the
// camera; the local orientation is applied after it.
//
// Settings read from and written to the section "Game" of "engine.cfg": "Local X Invert",
// "Local Y Invert", "Pull Camera" (bool) and "Smooth Exponent" (real).
//
// Numbers out of range are limited silently; the setters refuse (InvalidArgumentException) only
// non-finite numbers, turns beyond 1e15 degrees, points and directions with a component beyond
// 1e15, and a maximum distance that would carry the camera beyond 1e15 from the origin.
#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include "core/PropertyListener.h"
#include "game/ValueBucket.h"
#include "physics/PhysicsListener.h"
#include "physics/PhysicsObject.h"

namespace Ogre {
class Camera;
}

namespace tolva {

class Contact;
class MeshObject;

class Camera : public PhysicsObject, public PropertyListener, public PhysicsListener, private GameObject::Watcher {
public:
    /// Attaches the rendering camera to this object's node and joins the graphics module's
    /// property listeners and the physics module's listeners; no focal point, distance 10,
    /// pitch 0, at (0, 0, 10) looking along -z.
    explicit Camera(Ogre::Camera* camera);
    /// Leaves the listeners and detaches the rendering camera.
    ~Camera() override;

    /// Both forget the sky sphere when it is the child that leaves.
    void childDetaching(Hierarchical* child) override;
    bool removeChild(Hierarchical* child) override;
    /// Applies the smoothed changes and places the camera.
    void frame(float seconds) override;
    bool needsFrames() const override { return true; }
    /// "resolution": the aspect ratio and the collision sphere follow the window.
    void propertyChanged(const std::string& name) override;
    void prePhysicsFrame() override;
    void postPhysicsFrame() override;
    /// A contact of the collision sphere; accumulated until the next post-physics frame.
    void collision(PhysicalBase* partner, Contact* contact);

    float getFocalDistance() const { return mDistance.getValue(); }
    float getMinimumFocalDistance() const { return mDistance.getMinimum(); }
    float getMaximumFocalDistance() const { return mDistance.getMaximum(); }
    /// Ignored in the local view.
    void setFocalDistance(float distance);
    /// Smoothly; ignored in the local view.
    void addFocalDistance(float distance);
    /// A distance of 0 or less means 0.
    void setMinimumFocalDistance(float distance);
    void setMaximumFocalDistance(float distance);
    float getPitch() const { return mPitch.getValue(); }
    float getPitchLimit() const { return mPitch.getMaximum(); }
    /// The pitch stays within [-|limit|, |limit|], the limit no more than 90.
    void setPitchLimit(float limit);
    /// Orbit: sets the pitch at once. Local view: sets the local pitch value (without turning
    /// the view); ignored while slinging.
    void setPitch(float pitch);
    /// Orbit: pitches smoothly (positive lowers the camera). Local view: tilts the view;
    /// ignored while slinging.
    void addPitch(float pitch);
    /// Orbit: turns smoothly about the world up axis. Local view: turns the view; ignored while
    /// slinging.
    void rotate(float degrees);
    float getSmoothExponent() const { return mSmoothExponent; }
    float getSmoothCutoff() const { return mSmoothCutoff; }
    /// The share of a turn, pitch or zoom still to come after one second, within [2^-23, 1]
    /// (1 stops the camera); the argument is written to "Smooth Exponent" as given.
    void setSmoothExponent(float exponent);
    void setSmoothCutoff(float cutoff);

    GameObject* getFocalPoint() const { return mFocalPoint; }
    /// The object orbited (not owned; null orbits the world origin plus the offset). The
    /// camera forgets an object that is destroyed.
    void setFocalPoint(GameObject* focalPoint);
    const Ogre::Vector3& getFocalPointOffset() const { return mFocalPointOffset; }
    void setFocalPointOffset(const Ogre::Vector3& offset) { mFocalPointOffset = offset; }
    bool isPulled() const { return mPulled; }
    /// Pulled, the camera keeps its place in the world when the focal object moves, as far as
    /// its distance allows; otherwise it keeps its offset.
    void setPulled(bool pulled);
    /// Whether the collision sphere takes part in collisions.
    bool isPhysical() const;
    void setPhysical(bool physical);
    MeshObject* getSkySphere() const { return mSkySphere; }
    /// Made a child that keeps a fixed world orientation; not owned. Null removes it; a sphere
    /// that the hierarchy refuses as a child (an ancestor of the camera) leaves none.
    void setSkySphere(MeshObject* skySphere);
    /// Refuses NaN, infinite and zero quaternions (InvalidArgumentException).
    void setOrientation(const Ogre::Quaternion& orientation) override;

    /// Puts the camera at the world position, looking at the focal point, within the distance
    /// and pitch limits; a zero right vector derives it from the position.
    void place(const Ogre::Vector3& position, const Ogre::Vector3& right);
    void centralise() { centralise(Ogre::Vector3::ZERO); }
    /// Rebuilds orientation, pitch and distance from the offset.
    void centralise(const Ogre::Vector3& right);
    /// Removes roll from the orbit orientation.
    void orthogonalise();

    bool isLocal() const { return mLocal; }
    void setLocal(bool local);
    bool isLocalXInverted() const { return mLocalXInverted; }
    void setLocalXInverted(bool inverted);
    bool isLocalYInverted() const { return mLocalYInverted; }
    void setLocalYInverted(bool inverted);
    /// Swings the view toward a world point (local view on or off); look commands in the local
    /// view wait until it is there.
    void lookAt(const Ogre::Vector3& target);
    bool isSlinging() const { return mSlinging; }
    /// Degrees of the local view's turn and tilt.
    float getCurrentLocalRotation() const;
    float getCurrentLocalPitch() const;

    /// Axes of the rendered orientation (orbit orientation, then local view).
    Ogre::Vector3 getDirection() const;
    /// The negated x axis, which with getDirection spans the torques that roll a sphere
    /// forward and sideways.
    Ogre::Vector3 getRight() const;
    Ogre::Vector3 getUp() const;
    /// The orbit orientation without pitch and roll.
    const Ogre::Quaternion& getXZOrientation() const { return mXZOrientation; }
    Ogre::Vector3 getXZDirection() const;
    Ogre::Vector3 getXZRight() const;
    Ogre::Vector3 getXZUp() const;

    const Ogre::Quaternion& getOrbitOrientation() const { return mOrientation; }
    const Ogre::Quaternion& getLocalOrientation() const { return mLocalOrientation; }
    const Ogre::Vector3& getOffset() const { return mOffset; }
    const Ogre::Vector3& getFocalPointPosition() const { return mFocalPointPosition; }
    float getCollisionRadius() const;
    // The smoothed values themselves, for tests and tools.
    const ValueBucket& getYawBucket() const { return mYaw; }
    const ValueBucket& getDistanceBucket() const { return mDistance; }
    const ValueBucket& getPitchBucket() const { return mPitch; }
    const ValueBucket& getLocalYawBucket() const { return mLocalYaw; }
    const ValueBucket& getLocalPitchBucket() const { return mLocalPitch; }
    const ValueBucket& getSlingBucket() const { return mSling; }

private:
    void gameObjectDestroyed(GameObject* object) override;
    void updateFocalPointPosition();
    void recalculateParameters();
    float getCurrentPitch() const;
    void followFocalPoint();
    void performDistance(float seconds);
    void performPitch(float seconds);
    void performRotation(float seconds);
    void setupLocalSling(const Ogre::Quaternion& target);
    void orthogonaliseLocal();
    void performLocalRotation(float seconds);
    void performLocalPitch(float seconds);
    void performLocalSling(float seconds);
    void writeSetting(const char* key, bool value);

    bool mLocal = false;
    bool mLocalXInverted = false;
    bool mLocalYInverted = false;
    Ogre::Camera* mCamera;
    Ogre::Vector3 mOffset = Ogre::Vector3(0, 0, 10);
    float mNearDistance = 0.0f;
    float mNearWidth = 0.0f;
    float mNearHeight = 0.0f;
    float mNearHalfWidth = 0.0f;
    float mNearHalfHeight = 0.0f;
    GameObject* mFocalPoint = nullptr;
    Ogre::Vector3 mFocalPointOffset = Ogre::Vector3::ZERO;
    bool mPulled = false;
    Ogre::Vector3 mFocalPointPosition = Ogre::Vector3::ZERO;
    Ogre::Vector3 mPreviousFocalPointPosition = Ogre::Vector3::ZERO;
    MeshObject* mSkySphere = nullptr;
    bool mCollided = false;
    float mCollisionDepth = 0.0f;
    const float mCollisionPushFactor = 2.0f;
    Ogre::Vector3 mCollisionNormal = Ogre::Vector3::ZERO;
    Ogre::Quaternion mOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::Quaternion mXZOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::Quaternion mLocalOrientation = Ogre::Quaternion::IDENTITY;
    bool mSlinging = false;
    Ogre::Quaternion mSlingStart = Ogre::Quaternion::IDENTITY;
    Ogre::Quaternion mSlingTarget = Ogre::Quaternion::IDENTITY;
    float mSmoothExponent = 0.01f;
    float mSmoothCutoff = 0.0001f;
    ValueBucket mYaw;
    ValueBucket mDistance;
    ValueBucket mPitch;
    ValueBucket mLocalYaw;
    ValueBucket mLocalPitch;
    ValueBucket mSling;
};

} // namespace tolva
