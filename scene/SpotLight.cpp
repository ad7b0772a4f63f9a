#include "scene/SpotLight.h"

#include <OgreLight.h>

namespace tolva {

SpotLight::SpotLight(const std::string& name)
    : DirectionalLight(name)
{
    makeWhite(Ogre::Light::LT_SPOTLIGHT);
}

float SpotLight::getFalloff() const
{
    return mLight->getSpotlightFalloff();
}

void SpotLight::setFalloff(float falloff)
{
    mLight->setSpotlightFalloff(falloff);
}

void SpotLight::setOuterAngle(float degrees)
{
    mLight->setSpotlightOuterAngle(Ogre::Radian(degrees * Ogre::Math::fDeg2Rad));
}

Ogre::Radian SpotLight::getOuterAngle() const
{
    return mLight->getSpotlightOuterAngle();
}

} // namespace tolva
