#include "scene/DirectionalLight.h"

#include <OgreLight.h>

namespace tolva {

DirectionalLight::DirectionalLight(const std::string& name)
    : Light(name)
{
    makeWhite(Ogre::Light::LT_DIRECTIONAL);
}

// The rendering engine would rather have nodes turn lights; a direction of the light's own is
// still honoured and turned by the node.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

Ogre::Vector3 DirectionalLight::getDirection() const
{
    return mLight->getDirection();
}

void DirectionalLight::setDirection(const Ogre::Vector3& direction)
{
    mLight->setDirection(direction);
}

#pragma GCC diagnostic pop

} // namespace tolva
