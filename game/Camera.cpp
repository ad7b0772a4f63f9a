#include "game/Camera.h"

#include <OgreCamera.h>
#include <OgreMath.h>
#include <OgreSceneNode.h>

#include <boost/any.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "game/GameMath.h"
#include "physics/Contact.h"
#include "physics/PhysicalBase.h"
#include "physics/Physics.h"
#include "platform/OdeSphereGeometry.h"
#include "scene/Graphics.h"
#include "scene/MeshObject.h"
#include "scene/SceneValueCheck.h"

namespace tolva {

namespace {

const char* const GameSection = "Game";
const float Smooth = 0.01f;
const float Cutoff = 0.0001f;
const float SmallestSmooth = std::numeric_limits<float>::epsilon();

ConfigFile* configuration()
{
    Engine* engine = Engine::getInstance();
    return engine ? engine->getConfigFile() : nullptr;
}

template <typename T>
T readSetting(ConfigFile::ParamType type, const char* key, T defaultValue)
{
    ConfigFile* config = configuration();
    if (!config) {
        return defaultValue;
    }
    const boost::any value = config->getValueDefault(GameSection, type, key, boost::any(defaultValue));
    const T* typed = boost::any_cast<T>(&value);
    return typed ? *typed : defaultValue;
}

float clampedCosine(float cosine)
{
    return std::max(-1.0f, std::min(1.0f, cosine));
}

float acosDegrees(float cosine)
{
    return Ogre::Math::ACos(clampedCosine(cosine)).valueDegrees();
}

// Values reach the rendering engine's nodes, whose assertions abort on NaN: refused at the door,
// before a frame places the camera. Any finite distance, pitch or limit is taken and limited as
// the buckets limit it; only what would overflow before any limit applies, or would carry the
// camera's node out of the scene, is refused.
const float SceneBound = SceneValueCheck::MaxMagnitude;

float finite(float value, const char* member)
{
    if (!std::isfinite(value)) {
        throw InvalidArgumentException(std::string("Camera.") + member + " needs a finite number.");
    }
    return value;
}

/// Turns have no limits: their pending and applied sums grow with every turn.
float turn(float degrees, const char* member)
{
    if (!(std::fabs(degrees) <= SceneBound)) {
        throw InvalidArgumentException(std::string("Camera.") + member + " needs a finite turn of at most 1e15 degrees.");
    }
    return degrees;
}

/// Points and directions: their lengths are taken, which overflows long before the float limit.
const Ogre::Vector3& bounded(const Ogre::Vector3& value, const char* member)
{
    if (!(std::fabs(value.x) <= SceneBound && std::fabs(value.y) <= SceneBound && std::fabs(value.z) <= SceneBound)) {
        throw InvalidArgumentException(
            std::string("Camera.") + member + " needs a vector of finite components of at most 1e15.");
    }
    return value;
}

} // namespace

Camera::Camera(Ogre::Camera* camera)
    : mCamera(camera)
    , mYaw(Smooth, Cutoff)
    , mDistance(Smooth, Cutoff, 1.0f, 100.0f)
    , mPitch(Smooth, Cutoff, -85.0f, 85.0f)
    , mLocalYaw(Smooth, Cutoff)
    , mLocalPitch(Smooth, Cutoff, -85.0f, 85.0f)
    , mSling(Smooth, Cutoff, 0.0f, 1.0f)
{
    setLocalXInverted(readSetting<bool>(ConfigFile::PT_BOOL, "Local X Invert", false));
    setLocalYInverted(readSetting<bool>(ConfigFile::PT_BOOL, "Local Y Invert", false));
    setPulled(readSetting<bool>(ConfigFile::PT_BOOL, "Pull Camera", false));
    setSmoothExponent(readSetting<float>(ConfigFile::PT_REAL, "Smooth Exponent", 0.01f));

    attachToNode(mNode, mCamera);
    Engine* engine = Engine::getInstance();
    Graphics* graphics = engine->getGraphics();
    Physics* physics = engine->getPhysics();
    // Registered last, and left again when a later step fails, so that no module keeps a
    // pointer to a camera that was never built.
    graphics->addPropertyListener(this);
    physics->addPhysicsListener(this);
    try {
        setBase(physics->createSphereGeometry(1.0f));
        getBase()->setCollisionCategory(PhysicalBase::COLL_CAMERA);
        getBase()->setCollisionPartners(
            PhysicalBase::COLL_FIXED | PhysicalBase::COLL_MOVABLE | PhysicalBase::COLL_SPHERE);
        getBase()->setSolid(false);
        getBase()->eventCollision().connect(
            [this](PhysicalBase* partner, Contact* contact) { collision(partner, contact); });
        recalculateParameters();
    } catch (...) {
        physics->removePhysicsListener(this);
        graphics->removePropertyListener(this);
        detachFromNode(mNode, mCamera);
        throw;
    }
    mDistance.setValue(10.0f);
    setPosition(mOffset);
    setOrientation(mXZOrientation);
}

Camera::~Camera()
{
    if (mFocalPoint) {
        mFocalPoint->_removeWatcher(this);
    }
    Engine* engine = Engine::getInstance();
    if (engine && engine->getPhysics()) {
        engine->getPhysics()->removePhysicsListener(this);
    }
    if (engine && engine->getGraphics()) {
        engine->getGraphics()->removePropertyListener(this);
    }
    detachFromNode(mNode, mCamera);
}

void Camera::childDetaching(Hierarchical* child)
{
    PhysicsObject::childDetaching(child);
    if (mSkySphere && child == static_cast<Hierarchical*>(mSkySphere)) {
        mSkySphere = nullptr;
    }
}

bool Camera::removeChild(Hierarchical* child)
{
    if (mSkySphere && child == static_cast<Hierarchical*>(mSkySphere)) {
        mSkySphere = nullptr;
    }
    return PhysicsObject::removeChild(child);
}

// ---------------------------------------------------------------------------------------------
// Frame

void Camera::frame(float seconds)
{
    mOrientation = mXZOrientation;
    performDistance(seconds);
    performPitch(seconds);
    performRotation(seconds);
    orthogonalise();
    if (mSlinging) {
        performLocalSling(seconds);
    } else if (mLocal) {
        performLocalRotation(seconds);
        performLocalPitch(seconds);
    }
    mOffset = mOrientation.zAxis() * mDistance.getValue();
    followFocalPoint();
}

void Camera::followFocalPoint()
{
    // The camera moves itself from inside the frame, where nobody could catch a refusal: a place
    // the scene cannot take (a focal point near its edge, or an object under the camera that
    // would leave it) keeps the camera where it was until the place is usable again.
    try {
        setPosition(mFocalPointPosition + mOffset);
    } catch (const InvalidArgumentException&) {
    }
}

void Camera::performDistance(float seconds)
{
    mDistance.transfer(seconds);
}

void Camera::performPitch(float seconds)
{
    mPitch.transfer(seconds);
    if (mPitch.getValue() != 0.0f) {
        mOrientation = rotationAbout(mPitch.getValue(), mXZOrientation.xAxis()) * mOrientation;
    }
}

void Camera::performRotation(float seconds)
{
    mYaw.transfer(seconds);
    if (mYaw.getValue() != 0.0f) {
        mOrientation = rotationAbout(mYaw.getValueIncrement(), Ogre::Vector3::UNIT_Y) * mOrientation;
    }
}

void Camera::orthogonalise()
{
    Ogre::Vector3 x = mOrientation.xAxis();
    x.y = 0.0f;
    x = normalisedOrSame(x);
    const Ogre::Vector3 z = mOrientation.zAxis();
    const Ogre::Vector3 y = z.crossProduct(x);
    mOrientation.FromAxes(x, y, x.crossProduct(y));
    mXZOrientation.FromAxes(x, Ogre::Vector3::UNIT_Y, x.crossProduct(Ogre::Vector3::UNIT_Y));
}

// ---------------------------------------------------------------------------------------------
// Physics

void Camera::prePhysicsFrame()
{
    mCollided = false;
    mCollisionDepth = 0.0f;
    mCollisionNormal = Ogre::Vector3::ZERO;
}

void Camera::collision(PhysicalBase* partner, Contact* contact)
{
    // The record is shared by both objects, its normal pointing toward whichever the physics
    // layer named first: turned toward the camera, it always pushes the camera out.
    const Ogre::Vector3 normal = contact->getNormalFor(getBase());
    const float depth = contact->penetrationDepth;
    if (!mCollided) {
        mCollisionDepth = depth;
        mCollisionNormal = normal * depth;
    } else {
        mCollisionDepth = std::max(mCollisionDepth, depth);
        mCollisionNormal += normal * depth;
    }
    mCollided = true;
}

void Camera::postPhysicsFrame()
{
    updateFocalPointPosition();
    Ogre::Vector3 delta = Ogre::Vector3::ZERO;
    bool moved = false;
    if (mPulled && mFocalPointPosition != mPreviousFocalPointPosition) {
        delta = mPreviousFocalPointPosition - mFocalPointPosition;
        mPreviousFocalPointPosition = mFocalPointPosition;
        moved = true;
    }
    Ogre::Vector3 push = Ogre::Vector3::ZERO;
    if (mCollided) {
        mCollisionNormal = normalisedOrSame(mCollisionNormal);
        mYaw.emptyBucket();
        mDistance.emptyBucket();
        mPitch.emptyBucket();
        push = mCollisionNormal * mCollisionDepth * mCollisionPushFactor;
    }
    if (moved || mCollided) {
        const Ogre::Vector3 pushed = mOffset + push;
        const Ogre::Vector3 dragged = pushed + delta;
        const float draggedLength = dragged.length();
        // A camera dragged exactly onto its focal point has no direction to keep.
        if (draggedLength > 0.0f) {
            mOffset = dragged * (pushed.length() / draggedLength);
        }
        centralise(Ogre::Vector3::ZERO);
    }
    followFocalPoint();
    GameObject::setOrientation(mOrientation * mLocalOrientation);
    if (mSkySphere) {
        mSkySphere->setOrientation(getOrientation().Inverse());
    }
}

// ---------------------------------------------------------------------------------------------
// Window

void Camera::propertyChanged(const std::string& name)
{
    if (name == "resolution") {
        recalculateParameters();
    }
}

void Camera::recalculateParameters()
{
    const Graphics::Resolution resolution = Engine::getInstance()->getGraphics()->getResolution();
    const float aspect = resolution.second == 0
        ? mCamera->getAspectRatio()
        : static_cast<float>(resolution.first) / static_cast<float>(resolution.second);
    mNearDistance = mCamera->getNearClipDistance();
    mNearHalfHeight = std::tan(0.5f * mCamera->getFOVy().valueRadians()) * mNearDistance;
    mNearHeight = 2.0f * mNearHalfHeight;
    mNearWidth = mNearHeight * aspect;
    mNearHalfWidth = mNearWidth * 0.5f;
    mCamera->setAspectRatio(aspect);
    const float radius = static_cast<float>(
        Graphics::getNearCornerDistance(mNearDistance, mCamera->getFOVy().valueRadians(), aspect));
    if (auto* sphere = dynamic_cast<ode::SphereGeometry*>(getBase()->getGeometry(0))) {
        sphere->setRadius(radius);
    }
}

float Camera::getCollisionRadius() const
{
    auto* sphere = dynamic_cast<ode::SphereGeometry*>(getBase()->getGeometry(0));
    return sphere ? sphere->getRadius() : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Orbit parameters

void Camera::setFocalDistance(float distance)
{
    finite(distance, "setFocalDistance");
    if (!mLocal) {
        mDistance.setValue(distance);
    }
}

void Camera::addFocalDistance(float distance)
{
    finite(distance, "addFocalDistance");
    if (!mLocal) {
        mDistance.addToBucket(distance);
    }
}

void Camera::setMinimumFocalDistance(float distance)
{
    finite(distance, "setMinimumFocalDistance");
    mDistance.setMinimum(distance <= 0.0f ? 0.0f : distance);
}

void Camera::setMaximumFocalDistance(float distance)
{
    // The camera may end this far from its focal point in any direction.
    const Ogre::Vector3 focalPoint
        = (mFocalPoint ? mFocalPoint->getWorldPosition() : Ogre::Vector3::ZERO) + mFocalPointOffset;
    const float room = SceneBound
        - std::max(std::fabs(focalPoint.x), std::max(std::fabs(focalPoint.y), std::fabs(focalPoint.z)));
    if (finite(distance, "setMaximumFocalDistance") > room) {
        throw InvalidArgumentException(
            "Camera.setMaximumFocalDistance needs a distance that keeps the camera within 1e15 in every component.");
    }
    mDistance.setMaximum(distance <= 0.0f ? 0.0f : distance);
}

void Camera::setPitchLimit(float limit)
{
    finite(limit, "setPitchLimit");
    const float absolute = std::min(std::fabs(limit), 90.0f);
    mPitch.setMinimum(-absolute);
    mPitch.setMaximum(absolute);
}

void Camera::setPitch(float pitch)
{
    finite(pitch, "setPitch");
    if (!mLocal) {
        mPitch.setValue(pitch);
    } else if (!mSlinging) {
        mLocalPitch.setValue(-pitch * (mLocalYInverted ? -1.0f : 1.0f));
    }
}

void Camera::addPitch(float pitch)
{
    finite(pitch, "addPitch");
    if (!mLocal) {
        mPitch.addToBucket(pitch);
    } else if (!mSlinging) {
        mLocalPitch.addToBucket(pitch * (mLocalYInverted ? -1.0f : 1.0f));
    }
}

void Camera::rotate(float degrees)
{
    turn(degrees, "rotate");
    if (!mLocal) {
        mYaw.addToBucket(degrees);
    } else if (!mSlinging) {
        mLocalYaw.addToBucket(-degrees * (mLocalXInverted ? -1.0f : 1.0f));
    }
}

void Camera::setSmoothExponent(float exponent)
{
    finite(exponent, "setSmoothExponent");
    mSmoothExponent = std::max(SmallestSmooth, std::min(exponent, 1.0f));
    mYaw.setSmooth(exponent);
    mDistance.setSmooth(exponent);
    mPitch.setSmooth(exponent);
    if (ConfigFile* config = configuration()) {
        config->setValue(GameSection, ConfigFile::PT_REAL, "Smooth Exponent", boost::any(exponent));
    }
}

void Camera::setSmoothCutoff(float cutoff)
{
    finite(cutoff, "setSmoothCutoff");
    mSmoothCutoff = cutoff <= SmallestSmooth ? SmallestSmooth : cutoff;
    mYaw.setSmoothCutoff(cutoff);
    mDistance.setSmoothCutoff(cutoff);
    mPitch.setSmoothCutoff(cutoff);
}

// ---------------------------------------------------------------------------------------------
// Focal point, placing and appearance

void Camera::setFocalPoint(GameObject* focalPoint)
{
    if (mFocalPoint) {
        mFocalPoint->_removeWatcher(this);
    }
    mFocalPoint = focalPoint;
    if (mFocalPoint) {
        mFocalPoint->_addWatcher(this);
    }
    updateFocalPointPosition();
    mPreviousFocalPointPosition = mFocalPointPosition;
}

void Camera::gameObjectDestroyed(GameObject* object)
{
    // From now on the camera orbits what a null focal point means: the origin plus the offset.
    if (object == mFocalPoint) {
        mFocalPoint = nullptr;
    }
}

void Camera::updateFocalPointPosition()
{
    mFocalPointPosition = (mFocalPoint ? mFocalPoint->getWorldPosition() : Ogre::Vector3::ZERO) + mFocalPointOffset;
}

void Camera::setPulled(bool pulled)
{
    mPulled = pulled;
    writeSetting("Pull Camera", pulled);
}

bool Camera::isPhysical() const
{
    return getBase()->isEnabled();
}

void Camera::setPhysical(bool physical)
{
    getBase()->setEnabled(physical);
}

void Camera::setSkySphere(MeshObject* skySphere)
{
    if (mSkySphere) {
        removeChild(mSkySphere);
    }
    // The hierarchy refuses (with its warning) a sphere that cannot be a child here, such as an
    // ancestor of the camera: such a sphere does not become the sky sphere.
    if (skySphere && addChild(skySphere)) {
        mSkySphere = skySphere;
    }
}

void Camera::setOrientation(const Ogre::Quaternion& orientation)
{
    // NaN or infinite components, and a zero (or overflowing) length, which normalising turns
    // into no rotation at all.
    const float norm = orientation.Norm();
    if (!(norm >= std::numeric_limits<float>::min()) || !std::isfinite(norm)) {
        throw InvalidArgumentException("Camera.setOrientation needs a finite quaternion that is not zero.");
    }
    PhysicsObject::setOrientation(orientation);
}

void Camera::place(const Ogre::Vector3& position, const Ogre::Vector3& right)
{
    bounded(position, "place");
    bounded(right, "place");
    updateFocalPointPosition();
    mPreviousFocalPointPosition = mFocalPointPosition;
    mOffset = position - mFocalPointPosition;
    centralise(right);
    frame(0.0f);
}

void Camera::centralise(const Ogre::Vector3& right)
{
    const Ogre::Vector3 z = normalisedOrSame(mOffset);
    Ogre::Vector3 r = right == Ogre::Vector3::ZERO ? Ogre::Vector3(z.z, 0.0f, -z.x) : right;
    const float length = r.length();
    if (std::fabs(length - 1.0f) > 1e-6f) {
        r = normalisedOrSame(r);
        if (r.length() == length) {
            r = Ogre::Vector3::UNIT_X;
        }
    }
    mOrientation.FromAxes(r, z.crossProduct(r), z);
    mXZOrientation.FromAxes(r, Ogre::Vector3::UNIT_Y, r.crossProduct(Ogre::Vector3::UNIT_Y));
    mPitch.setValue(getCurrentPitch());
    mDistance.setValue(mOffset.length());
}

float Camera::getCurrentPitch() const
{
    return acosDegrees(normalisedOrSame(mOffset).dotProduct(Ogre::Vector3::UNIT_Y)) - 90.0f;
}

// ---------------------------------------------------------------------------------------------
// Local view

void Camera::setLocal(bool local)
{
    if (local && !mLocal) {
        mYaw.emptyBucket();
        mDistance.emptyBucket();
        mPitch.emptyBucket();
        mYaw.setValue(0.0f);
        const float pitch = mPitch.getValue();
        mLocalPitch.setMinimum(pitch - mPitch.getMaximum());
        mLocalPitch.setMaximum(pitch - mPitch.getMinimum());
        if (mSlinging) {
            mSlinging = false;
            mSling.setValue(0.0f);
            mSling.emptyBucket();
            orthogonaliseLocal();
        }
        mLocal = true;
    } else if (!local && mLocal) {
        mLocalYaw.setValue(0.0f);
        mLocalYaw.emptyBucket();
        mLocalPitch.setValue(0.0f);
        mLocalPitch.emptyBucket();
        setupLocalSling(Ogre::Quaternion::IDENTITY);
        mLocal = false;
    }
}

void Camera::setLocalXInverted(bool inverted)
{
    mLocalXInverted = inverted;
    writeSetting("Local X Invert", inverted);
}

void Camera::setLocalYInverted(bool inverted)
{
    mLocalYInverted = inverted;
    writeSetting("Local Y Invert", inverted);
}

void Camera::lookAt(const Ogre::Vector3& target)
{
    bounded(target, "lookAt");
    const Ogre::Vector3 direction = normalisedOrSame(mFocalPointPosition + mOffset - target);
    const Ogre::Quaternion inverse = mOrientation.Inverse();
    const Ogre::Vector3 up = inverse * Ogre::Vector3::UNIT_Y;
    const Ogre::Vector3 z = inverse * direction;
    // Unit axes, so that the rotation built from them is one: the view then ends looking at
    // the target whatever its height.
    const Ogre::Vector3 x = normalisedOrSame(up.crossProduct(z));
    const Ogre::Vector3 y = normalisedOrSame(z.crossProduct(x));
    // A target straight above or below the camera leaves no horizontal axis: the view stays.
    if (x.isZeroLength()) {
        return;
    }
    Ogre::Quaternion rotation;
    rotation.FromAxes(x, y, z);
    setupLocalSling(rotation);
}

void Camera::setupLocalSling(const Ogre::Quaternion& target)
{
    mSlinging = true;
    mSling.setValue(0.0f);
    mSling.emptyBucket();
    mSling.addToBucket(1.0f);
    mLocalYaw.setValue(0.0f);
    mLocalYaw.emptyBucket();
    mLocalPitch.setValue(0.0f);
    mLocalPitch.emptyBucket();
    mSlingStart = mLocalOrientation;
    mSlingTarget = target;
}

void Camera::performLocalSling(float seconds)
{
    if (mSling.getBucket() == 0.0f) {
        mSlinging = false;
        mLocalOrientation = mSlingTarget;
        return;
    }
    mSling.transfer(seconds);
    mLocalOrientation = Ogre::Quaternion::Slerp(mSling.getValue(), mSlingStart, mSlingTarget, true);
}

void Camera::performLocalRotation(float seconds)
{
    mLocalYaw.transfer(seconds);
    if (mLocalYaw.getValue() != 0.0f) {
        const Ogre::Quaternion turn = rotationAbout(mLocalYaw.getValueIncrement(), Ogre::Vector3::UNIT_Y);
        const Ogre::Quaternion scene = mOrientation * mLocalOrientation;
        mLocalOrientation = mLocalOrientation * scene.Inverse() * turn * scene;
    }
}

void Camera::performLocalPitch(float seconds)
{
    mLocalPitch.transfer(seconds);
    if (mLocalPitch.getValue() != 0.0f) {
        mLocalOrientation = mLocalOrientation * rotationAbout(-mLocalPitch.getValueIncrement(), Ogre::Vector3::UNIT_X);
    }
}

void Camera::orthogonaliseLocal()
{
    const Ogre::Quaternion inverse = mOrientation.Inverse();
    const Ogre::Vector3 a = inverse * Ogre::Vector3::UNIT_X;
    const Ogre::Vector3 b = inverse * Ogre::Vector3::UNIT_Z;
    const Ogre::Vector3 normal = normalisedOrSame(a.crossProduct(b));
    Ogre::Vector3 x = mLocalOrientation.xAxis();
    x = normalisedOrSame(x - normal * normal.dotProduct(x));
    const Ogre::Vector3 z = mLocalOrientation.zAxis();
    const Ogre::Vector3 y = z.crossProduct(x);
    mLocalOrientation.FromAxes(x, y, x.crossProduct(y));
}

float Camera::getCurrentLocalRotation() const
{
    const Ogre::Vector3 x = mLocalOrientation.xAxis();
    const float angle = acosDegrees(x.dotProduct(Ogre::Vector3::UNIT_X));
    return x.z >= 0.0f ? angle : -angle;
}

float Camera::getCurrentLocalPitch() const
{
    const Ogre::Vector3 x = mLocalOrientation.xAxis();
    const Ogre::Vector3 z = mLocalOrientation.zAxis();
    const float angle = acosDegrees(x.crossProduct(Ogre::Vector3::UNIT_Y).dotProduct(z));
    return z.y >= 0.0f ? angle : -angle;
}

// ---------------------------------------------------------------------------------------------
// Axes

Ogre::Vector3 Camera::getDirection() const
{
    return -(mOrientation * mLocalOrientation).zAxis();
}

Ogre::Vector3 Camera::getRight() const
{
    return -(mOrientation * mLocalOrientation).xAxis();
}

Ogre::Vector3 Camera::getUp() const
{
    return (mOrientation * mLocalOrientation).yAxis();
}

Ogre::Vector3 Camera::getXZDirection() const
{
    return -mXZOrientation.zAxis();
}

Ogre::Vector3 Camera::getXZRight() const
{
    return -mXZOrientation.xAxis();
}

Ogre::Vector3 Camera::getXZUp() const
{
    return mXZOrientation.yAxis();
}

void Camera::writeSetting(const char* key, bool value)
{
    if (ConfigFile* config = configuration()) {
        config->setValue(GameSection, ConfigFile::PT_BOOL, key, boost::any(value));
    }
}

} // namespace tolva
