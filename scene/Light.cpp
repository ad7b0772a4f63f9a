#include "scene/Light.h"

#include <OgreLight.h>

#include "core/Engine.h"
#include "scene/Graphics.h"

namespace tolva {

Light::Light(const std::string& name)
    : RenderableObject(nullptr)
    , mLight(Engine::getInstance()->getGraphics()->createLight(name))
{
    setObject(mLight, true);
}

Light::~Light()
{
    setObject(nullptr, true);
    Engine::getInstance()->getGraphics()->destroyLight(mLight);
}

void Light::makeWhite(int type)
{
    mLight->setType(static_cast<Ogre::Light::LightTypes>(type));
    mLight->setDiffuseColour(1, 1, 1);
    mLight->setSpecularColour(1, 1, 1);
}

Ogre::ColourValue Light::getDiffuse() const
{
    return mLight->getDiffuseColour();
}

void Light::setDiffuse(float red, float green, float blue)
{
    mLight->setDiffuseColour(red, green, blue);
}

Ogre::ColourValue Light::getSpecular() const
{
    return mLight->getSpecularColour();
}

void Light::setSpecular(float red, float green, float blue)
{
    mLight->setSpecularColour(red, green, blue);
}

void Light::setAttenuation(float range, float constant, float linear, float quadratic)
{
    mLight->setAttenuation(range, constant, linear, quadratic);
}

float Light::getAttenuationRange() const
{
    return mLight->getAttenuationRange();
}

float Light::getAttenuationConstant() const
{
    return mLight->getAttenuationConstant();
}

float Light::getAttenuationLinear() const
{
    return mLight->getAttenuationLinear();
}

float Light::getAttenuationQuadric() const
{
    return mLight->getAttenuationQuadric();
}

float Light::getPowerScale() const
{
    return mLight->getPowerScale();
}

void Light::setPowerScale(float scale)
{
    mLight->setPowerScale(scale);
}

} // namespace tolva
