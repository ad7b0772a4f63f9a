#include "platform/AlListener.h"

#include "core/LogLine.h"

#include <AL/al.h>
#include <OgreNode.h>

#include <cmath>

namespace tolva::al {

namespace {

bool isFinite(const Ogre::Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

Listener::Listener()
    : InvisibleMovableObject("tolva.al.Listener", "TolvaAlListener")
{
    alListenerf(AL_GAIN, mGain);
    alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
    alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    sendOrientation(mDirection, Ogre::Vector3::UNIT_Y);
}

void Listener::_notifyAttached(Ogre::Node* parent, bool isTagPoint)
{
    InvisibleMovableObject::_notifyAttached(parent, isTagPoint);
    mPoseSent = false;
    if (!parent) {
        sendOrientation(mDirection, Ogre::Vector3::UNIT_Y);
    }
}

void Listener::setGain(float gain)
{
    if (!(gain >= 0.0f) || !std::isfinite(gain)) {
        logWarning("Warning: The listener's gain must be zero or more.");
        return;
    }
    mGain = gain;
    alListenerf(AL_GAIN, gain);
}

Ogre::Vector3 Listener::getDirection() const
{
    if (const Ogre::Node* node = getParentNode()) {
        return node->_getDerivedOrientation() * Ogre::Vector3::NEGATIVE_UNIT_Z;
    }
    return mDirection;
}

void Listener::setDirection(const Ogre::Vector3& direction)
{
    if (!isFinite(direction) || direction.isZeroLength()) {
        logWarning("Warning: The listener's direction must be a finite vector other than zero.");
        return;
    }
    mDirection = direction.normalisedCopy();
    if (!getParentNode()) {
        sendOrientation(mDirection, Ogre::Vector3::UNIT_Y);
    }
}

void Listener::setVelocity(const Ogre::Vector3& velocity)
{
    if (!isFinite(velocity)) {
        logWarning("Warning: The listener's velocity must be finite.");
        return;
    }
    mVelocity = velocity;
    alListener3f(AL_VELOCITY, velocity.x, velocity.y, velocity.z);
}

void Listener::update()
{
    const Ogre::Node* node = getParentNode();
    if (!node) {
        return;
    }
    const Ogre::Vector3& position = node->_getDerivedPosition();
    if (!mPoseSent || position != mPosition) {
        mPosition = position;
        alListener3f(AL_POSITION, position.x, position.y, position.z);
    }
    const Ogre::Quaternion& orientation = node->_getDerivedOrientation();
    if (!mPoseSent || orientation != mOrientation) {
        mOrientation = orientation;
        sendOrientation(orientation * Ogre::Vector3::NEGATIVE_UNIT_Z, orientation * Ogre::Vector3::UNIT_Y);
    }
    mPoseSent = true;
}

void Listener::sendOrientation(const Ogre::Vector3& at, const Ogre::Vector3& up)
{
    // OpenAL needs an up vector that is not parallel to the direction.
    Ogre::Vector3 upward = up;
    if (at.crossProduct(upward).isZeroLength()) {
        upward = Ogre::Vector3::UNIT_Z;
    }
    const ALfloat values[6] = {at.x, at.y, at.z, upward.x, upward.y, upward.z};
    alListenerfv(AL_ORIENTATION, values);
}

} // namespace tolva::al
