#include "scene/RibbonTrailEffect.h"

#include <OgreRibbonTrail.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <cmath>

#include "core/Engine.h"
#include "scene/Graphics.h"
#include "scene/SceneNames.h"
#include "scene/SceneValueCheck.h"

#include "core/Exceptions.h"

namespace tolva {

namespace {

// The trail cuts its length into elements of length / maximum elements and walks a moving node's
// path in steps of one element: a length that is not positive and finite never ends that walk.
float requireTrailLength(float length)
{
    if (!(length > 0.0f) || !std::isfinite(length)) {
        throw InvalidArgumentException("A ribbon trail's length must be positive and finite (scale included).");
    }
    return length;
}

} // namespace

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
    const Ogre::Vector3 before = getScale();
    BillboardChainEffect::setScale(scale);
    applyScaleOrRestore(before);
}

void RibbonTrailEffect::scale(const Ogre::Vector3& factors)
{
    const Ogre::Vector3 before = getScale();
    BillboardChainEffect::scale(factors);
    applyScaleOrRestore(before);
}

void RibbonTrailEffect::applyScaleOrRestore(const Ogre::Vector3& before)
{
    const Ogre::Vector3 worldScale = getWorldScale();
    const float length = mLength * worldScale.z;
    const float width = mInitialWidth * worldScale.y;
    if (!(length > 0.0f) || !std::isfinite(length) || !std::isfinite(width)) {
        BillboardChainEffect::setScale(before);
        requireTrailLength(length);
        SceneValueCheck::requireFinite(width, "A ribbon trail's width (scale included)");
    }
    mTrail->setTrailLength(length);
    mTrail->setInitialWidth(0, width);
}

float RibbonTrailEffect::getLength() const
{
    return mTrail->getTrailLength();
}

void RibbonTrailEffect::setLength(float length)
{
    requireTrailLength(length * getWorldScale().z);
    mLength = length;
    mTrail->setTrailLength(mLength * getWorldScale().z);
}

float RibbonTrailEffect::getInitialWidth() const
{
    return mTrail->getInitialWidth(0);
}

void RibbonTrailEffect::setInitialWidth(float width)
{
    SceneValueCheck::requireFinite(width * getWorldScale().y, "A ribbon trail's width (scale included)");
    mInitialWidth = width;
    mTrail->setInitialWidth(0, mInitialWidth * getWorldScale().y);
}

Ogre::ColourValue RibbonTrailEffect::getInitialColour() const
{
    return mTrail->getInitialColour(0);
}

void RibbonTrailEffect::setInitialColour(const Ogre::ColourValue& colour)
{
    SceneValueCheck::requireFinite(colour, "The initial colour");
    mTrail->setInitialColour(0, colour);
}

void RibbonTrailEffect::setInitialColour(float red, float green, float blue, float alpha)
{
    SceneValueCheck::requireFinite(Ogre::ColourValue(red, green, blue, alpha), "The initial colour");
    mTrail->setInitialColour(0, red, green, blue, alpha);
}

Ogre::ColourValue RibbonTrailEffect::getColourChange() const
{
    return mTrail->getColourChange(0);
}

void RibbonTrailEffect::setColourChange(const Ogre::ColourValue& change)
{
    SceneValueCheck::requireFinite(change, "The colour change");
    mTrail->setColourChange(0, change);
}

void RibbonTrailEffect::setColourChange(float red, float green, float blue, float alpha)
{
    SceneValueCheck::requireFinite(Ogre::ColourValue(red, green, blue, alpha), "The colour change");
    mTrail->setColourChange(0, red, green, blue, alpha);
}

float RibbonTrailEffect::getWidthChange() const
{
    return mTrail->getWidthChange(0);
}

void RibbonTrailEffect::setWidthChange(float change)
{
    SceneValueCheck::requireFinite(change, "The width change");
    mTrail->setWidthChange(0, change);
}

} // namespace tolva
