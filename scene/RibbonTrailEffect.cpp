#include "scene/RibbonTrailEffect.h"

#include <OgreRibbonTrail.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "core/Engine.h"
#include "scene/Graphics.h"
#include "scene/SceneNames.h"

namespace tolva {

RibbonTrailEffect::RibbonTrailEffect(const std::string& name, const std::string& materialName)
    : BillboardChainEffect(nullptr)
{
    Graphics* graphics = Engine::getInstance()->getGraphics();
    Ogre::SceneManager* scene = graphics->getSceneManager();
    requireFreeName(scene->hasRibbonTrail(name), "ribbon trail", name);
    mTrail = dynamic_cast<Ogre::RibbonTrail*>(
        scene->createMovableObject(name, Ogre::RibbonTrailFactory::FACTORY_TYPE_NAME));
    setChain(mTrail, false);
    mTrailNode = graphics->createNode();
    mTrailNode->attachObject(mTrail);
    mTrail->addNode(mNode);
    setChainMaterial("Ribbon Trail", name, materialName);
    mLength = mTrail->getTrailLength();
    mInitialWidth = mTrail->getInitialWidth(0);
}

RibbonTrailEffect::~RibbonTrailEffect()
{
    setChain(nullptr, true);
    mTrail->removeNode(mNode);
    mTrailNode->detachObject(mTrail);
    Ogre::SceneManager* scene = Engine::getInstance()->getGraphics()->getSceneManager();
    scene->destroySceneNode(mTrailNode);
    scene->destroyMovableObject(mTrail);
}

void RibbonTrailEffect::setScale(const Ogre::Vector3& scale)
{
    BillboardChainEffect::setScale(scale);
    applyScale();
}

void RibbonTrailEffect::scale(const Ogre::Vector3& factors)
{
    BillboardChainEffect::scale(factors);
    applyScale();
}

void RibbonTrailEffect::applyScale()
{
    const Ogre::Vector3 worldScale = getWorldScale();
    mTrail->setTrailLength(mLength * worldScale.z);
    mTrail->setInitialWidth(0, mInitialWidth * worldScale.y);
}

float RibbonTrailEffect::getLength() const
{
    return mTrail->getTrailLength();
}

void RibbonTrailEffect::setLength(float length)
{
    mLength = length;
    mTrail->setTrailLength(mLength * getWorldScale().z);
}

float RibbonTrailEffect::getInitialWidth() const
{
    return mTrail->getInitialWidth(0);
}

void RibbonTrailEffect::setInitialWidth(float width)
{
    mInitialWidth = width;
    mTrail->setInitialWidth(0, mInitialWidth * getWorldScale().y);
}

Ogre::ColourValue RibbonTrailEffect::getInitialColour() const
{
    return mTrail->getInitialColour(0);
}

void RibbonTrailEffect::setInitialColour(const Ogre::ColourValue& colour)
{
    mTrail->setInitialColour(0, colour);
}

void RibbonTrailEffect::setInitialColour(float red, float green, float blue, float alpha)
{
    mTrail->setInitialColour(0, red, green, blue, alpha);
}

Ogre::ColourValue RibbonTrailEffect::getColourChange() const
{
    return mTrail->getColourChange(0);
}

void RibbonTrailEffect::setColourChange(const Ogre::ColourValue& change)
{
    mTrail->setColourChange(0, change);
}

void RibbonTrailEffect::setColourChange(float red, float green, float blue, float alpha)
{
    mTrail->setColourChange(0, red, green, blue, alpha);
}

float RibbonTrailEffect::getWidthChange() const
{
    return mTrail->getWidthChange(0);
}

void RibbonTrailEffect::setWidthChange(float change)
{
    mTrail->setWidthChange(0, change);
}

} // namespace tolva
