// A particle system of the rendering engine, made from a particle template, on its own scene
// node. Switching it off stops every emitter; particles already out live on.
//
// The rendering engine keeps the particles in world space and brings their bounds back into the
// node's space through the inverse of its world scale: while a scale component (the node's own or
// an ancestor's) counts as zero, the system holds no particles and emits none.
#pragma once

#include <OgreFrameListener.h>
#include <OgreVector.h>

#include <string>

#include "scene/RenderableObject.h"

namespace Ogre {
class ParticleSystem;
}

namespace tolva {

class ParticleSystem : public RenderableObject, private Ogre::FrameListener {
public:
    /// @throws InvalidArgumentException when a particle system of that name exists; the
    ///         rendering engine's exception for an unknown template passes on
    ParticleSystem(const std::string& name, const std::string& templateName);
    ~ParticleSystem() override;

    Ogre::ParticleSystem* getParticleSystem() const { return mSystem; }
    /// The last value given to setEnabled (true at first).
    bool isEnabled() const { return mEnabled; }
    /// Enables or disables every emitter.
    void setEnabled(bool enabled);
    /// The direction of every emitter, in the particle system's own space.
    void setEmittersDirection(const Ogre::Vector3& direction);

private:
    /// Before the rendering engine moves the particles, each frame.
    bool frameStarted(const Ogre::FrameEvent& event) override;

    Ogre::ParticleSystem* mSystem;
    bool mEnabled = true;
    /// Whether the world scale could be divided by at the last frame.
    bool mScaleInvertible = true;
    /// Whether the system emitted when its scale stopped being invertible.
    bool mWasEmitting = true;
};

} // namespace tolva
