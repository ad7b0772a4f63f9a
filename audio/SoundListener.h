// The scene object that carries the sound layer's listener: sound is heard from where its node
// is and the way it faces. The audio module makes it in initialise() and deletes it in
// shutdown(); the game makes it a child of its camera object, so the listener follows the camera.
// Its gain is the master volume, "Volume Master" in the section "Audio" of "engine.cfg".
#pragma once

#include <OgreVector.h>

#include "scene/GameObject.h"

namespace tolva {

namespace al {
class Listener;
}

class SoundListener : public GameObject {
public:
    /// Hangs the layer listener (not owned) on a new scene node and sets the gain read from
    /// "Volume Master" (default 1).
    explicit SoundListener(al::Listener* listener);
    /// Takes the layer listener off the node.
    ~SoundListener() override;

    SoundListener(const SoundListener&) = delete;
    SoundListener& operator=(const SoundListener&) = delete;

    virtual float getGain() const;
    /// Hands the gain to the layer unchanged (which refuses one below zero, keeping the old
    /// gain), then stores the layer's gain as "Volume Master".
    virtual void setGain(float gain);
    virtual Ogre::Vector3 getDirection() const;
    virtual void setDirection(const Ogre::Vector3& direction);
    virtual Ogre::Vector3 getVelocity() const;
    virtual void setVelocity(const Ogre::Vector3& velocity);

private:
    al::Listener* mListener;
};

} // namespace tolva
