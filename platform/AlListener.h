// The one place sound is heard from. As a rendering-engine movable object it hangs on a scene
// node (the sound listener's, which the game hangs on its camera); the manager's update() hands
// the node's position and orientation to OpenAL once per frame. Without a node it stays where it
// was, facing the direction last set.
#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include "platform/InvisibleMovableObject.h"

namespace tolva::al {

class SoundManager;

class Listener : public platform::InvisibleMovableObject {
public:
    ~Listener() override = default;
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    /// The master gain. A negative or non-finite gain is refused with a warning (the old gain
    /// stays); above 1 amplifies.
    void setGain(float gain);
    float getGain() const { return mGain; }
    /// The way the listener faces: its node's forward axis (-Z) while it hangs on a node,
    /// otherwise the direction last set.
    Ogre::Vector3 getDirection() const;
    /// Takes effect while the listener hangs on no node. A zero or non-finite direction is
    /// refused with a warning.
    void setDirection(const Ogre::Vector3& direction);
    /// Used for the Doppler shift only.
    const Ogre::Vector3& getVelocity() const { return mVelocity; }
    void setVelocity(const Ogre::Vector3& velocity);
    /// Where the listener was at the last update.
    const Ogre::Vector3& getPosition() const { return mPosition; }

    // Ogre::MovableObject
    void _notifyAttached(Ogre::Node* parent, bool isTagPoint = false) override;

private:
    friend class SoundManager;
    /// Made by the manager, once its context is current.
    Listener();

    /// Takes the node's pose (called by the manager's update).
    void update();
    void sendOrientation(const Ogre::Vector3& at, const Ogre::Vector3& up);

    float mGain = 1.0f;
    Ogre::Vector3 mDirection = Ogre::Vector3::NEGATIVE_UNIT_Z;
    Ogre::Vector3 mVelocity = Ogre::Vector3::ZERO;
    Ogre::Vector3 mPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion mOrientation = Ogre::Quaternion::IDENTITY;
    /// The node's pose was sent at least once since the listener was (re)attached.
    bool mPoseSent = false;
};

} // namespace tolva::al
