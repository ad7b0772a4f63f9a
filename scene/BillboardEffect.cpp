#include "scene/BillboardEffect.h"

#include <OgreBillboard.h>
#include <OgreException.h>
#include <OgreMaterialManager.h>
#include <OgreMath.h>
#include <OgreSceneNode.h>

#include "core/Engine.h"
#include "core/LogLine.h"
#include "scene/Graphics.h"
#include "scene/RenderableObject.h"
#include "scene/SceneValueCheck.h"

namespace tolva {

BillboardEffect::BillboardEffect(const std::string& name, const std::string& materialName)
    : mSet(Engine::getInstance()->getGraphics()->createBillboardSet(name, 1))
{
    mSet->setBillboardRotationType(Ogre::BBR_VERTEX);
    mFirst = mSet->createBillboard(Ogre::Vector3::ZERO, Ogre::ColourValue::White);
    mNode->attachObject(mSet);
    try {
        mSet->setMaterialName(materialName);
    } catch (const Ogre::ItemIdentityException& e) {
        logWarning("Warning: Billboard " + name + ": " + e.getDescription());
        // The failed lookup left the set without any material.
        mSet->setMaterial(Ogre::MaterialManager::getSingleton().getDefaultMaterial());
    }
}

BillboardEffect::~BillboardEffect()
{
    if (mHost) {
        mHost->_effectDetached(this);
        mHost = nullptr;
    }
    // Wherever it hangs: after attachEffect that is not this object's node.
    if (Ogre::SceneNode* node = mSet->getParentSceneNode()) {
        node->detachObject(mSet);
    }
    Engine::getInstance()->getGraphics()->destroyBillboardSet(mSet);
}

void BillboardEffect::_hangOn(RenderableObject* host)
{
    if (host == mHost) {
        return;
    }
    if (mHost) {
        mHost->_effectDetached(this);
    }
    mHost = host;
    attachToNode(host ? host->getNode() : mNode, mSet);
    if (mHost) {
        mHost->_effectAttached(this);
    }
}

float BillboardEffect::getRotation() const
{
    return mFirst->getRotation().valueRadians() * Ogre::Math::fRad2Deg;
}

void BillboardEffect::setRotation(float degrees)
{
    SceneValueCheck::requireFinite(degrees, "The rotation");
    mFirst->setRotation(Ogre::Radian(degrees * Ogre::Math::fDeg2Rad));
}

void BillboardEffect::rotate(float degrees)
{
    SceneValueCheck::requireFinite(degrees, "The rotation");
    const Ogre::Radian rotation = mFirst->getRotation() + Ogre::Radian(degrees * Ogre::Math::fDeg2Rad);
    SceneValueCheck::requireFinite(rotation.valueRadians(), "The resulting rotation");
    mFirst->setRotation(rotation);
}

bool BillboardEffect::isVisible() const
{
    return mSet->isVisible();
}

void BillboardEffect::setVisible(bool visible)
{
    mSet->setVisible(visible);
}

Ogre::Billboard* BillboardEffect::createBillboard(const Ogre::Vector3& position)
{
    SceneValueCheck::requireFinite(position, "The billboard's position");
    return mSet->createBillboard(position, Ogre::ColourValue::White);
}

void BillboardEffect::removeBillboard(Ogre::Billboard* billboard)
{
    mSet->removeBillboard(billboard);
}

Ogre::BillboardType BillboardEffect::getType() const
{
    return mSet->getBillboardType();
}

void BillboardEffect::setType(Ogre::BillboardType type)
{
    mSet->setBillboardType(type);
}

Ogre::BillboardOrigin BillboardEffect::getOrigin() const
{
    return mSet->getBillboardOrigin();
}

void BillboardEffect::setOrigin(Ogre::BillboardOrigin origin)
{
    mSet->setBillboardOrigin(origin);
}

Ogre::Vector3 BillboardEffect::getCommonDirection() const
{
    return mSet->getCommonDirection();
}

void BillboardEffect::setCommonDirection(const Ogre::Vector3& direction)
{
    SceneValueCheck::requireFinite(direction, "The common direction");
    mSet->setCommonDirection(direction);
}

Ogre::Vector3 BillboardEffect::getCommonUpVector() const
{
    return mSet->getCommonUpVector();
}

void BillboardEffect::setCommonUpVector(const Ogre::Vector3& up)
{
    SceneValueCheck::requireFinite(up, "The common up vector");
    mSet->setCommonUpVector(up);
}

Ogre::ColourValue BillboardEffect::getColour() const
{
    return mFirst->getColour();
}

void BillboardEffect::setColour(const Ogre::ColourValue& colour)
{
    SceneValueCheck::requireFinite(colour, "The colour");
    mFirst->setColour(colour);
}

void BillboardEffect::setSize(float width, float height)
{
    SceneValueCheck::requireFinite(width, "The width");
    SceneValueCheck::requireFinite(height, "The height");
    for (int i = 0; i < mSet->getNumBillboards(); ++i) {
        mSet->getBillboard(static_cast<unsigned int>(i))->setDimensions(width, height);
    }
    mSet->setDefaultDimensions(width, height);
}

Ogre::Vector2 BillboardEffect::getSize() const
{
    if (mFirst->hasOwnDimensions()) {
        return Ogre::Vector2(mFirst->getOwnWidth(), mFirst->getOwnHeight());
    }
    return Ogre::Vector2(mSet->getDefaultWidth(), mSet->getDefaultHeight());
}

} // namespace tolva
