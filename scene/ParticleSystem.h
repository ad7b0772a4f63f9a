// A particle system of the rendering engine, made from a particle template, on its own scene
// node. Switching it off stops every emitter; particles already out live on.
#pragma once

#include <OgreVector.h>

#include <string>

#include "scene/RenderableObject.h"

namespace Ogre {
class ParticleSystem;
}

namespace tolva {

class ParticleSystem : public RenderableObject {
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
    Ogre::ParticleSystem* mSystem;
    bool mEnabled = true;
};

} // namespace tolva
