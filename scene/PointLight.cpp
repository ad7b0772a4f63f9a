#include "scene/PointLight.h"

#include <OgreLight.h>

namespace tolva {

PointLight::PointLight(const std::string& name)
    : Light(name)
{
    makeWhite(Ogre::Light::LT_POINT);
}

} // namespace tolva
