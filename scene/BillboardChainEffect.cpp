#include "scene/BillboardChainEffect.h"

#include <OgreMaterialManager.h>
#include <OgreSceneManager.h>

#include "core/Engine.h"
#include "core/LogLine.h"
#include "scene/Graphics.h"
#include "scene/SceneNames.h"
#include "scene/SceneValueCheck.h"

#include "core/Exceptions.h"

namespace tolva {

namespace {

// The rendering engine indexes a chain's vertices (two per element) with 16 bits.
const unsigned long MaxChainVertices = 65536;

void requireChainSize(unsigned long elements, unsigned long chains)
{
    if (elements == 0 || chains == 0) {
        throw InvalidArgumentException("A billboard chain needs at least one chain of at least one element.");
    }
    if (elements * chains * 2 > MaxChainVertices) {
        throw InvalidArgumentException(
            "A billboard chain holds at most " + std::to_string(MaxChainVertices / 2) + " elements in all its chains.");
    }
}

Ogre::SceneManager* sceneManager()
{
    return Engine::getInstance()->getGraphics()->getSceneManager();
}

} // namespace

BillboardChainEffect::BillboardChainEffect(Ogre::BillboardChain* chain)
    : RenderableObject(nullptr)
    , mOwned(false)
{
    setChain(chain, true);
}

BillboardChainEffect::BillboardChainEffect(const std::string& name, const std::string& materialName)
    : RenderableObject(nullptr)
    , mOwned(true)
{
    requireFreeName(sceneManager()->hasBillboardChain(name), "billboard chain", name);
    setChain(sceneManager()->createBillboardChain(name), true);
    setChainMaterial("Billboard Chain", name, materialName);
}

BillboardChainEffect::~BillboardChainEffect()
{
    Ogre::BillboardChain* chain = mChain;
    setChain(nullptr, true);
    if (mOwned && chain) {
        sceneManager()->destroyBillboardChain(chain);
    }
}

void BillboardChainEffect::setChain(Ogre::BillboardChain* chain, bool attach)
{
    mChain = chain;
    setObject(chain, attach);
}

void BillboardChainEffect::setChainMaterial(
    const std::string& kind, const std::string& name, const std::string& materialName)
{
    if (!Ogre::MaterialManager::getSingleton().resourceExists(materialName)) {
        logWarning("Warning: " + kind + " " + name + ": Could not find material " + materialName + ".");
        return;
    }
    mChain->setMaterialName(materialName);
}

void BillboardChainEffect::resizeChains(const std::function<void()>& resize)
{
    resize();
}

unsigned int BillboardChainEffect::getMaxElements() const
{
    return static_cast<unsigned int>(mChain->getMaxChainElements());
}

void BillboardChainEffect::setMaxElements(unsigned int elements)
{
    requireChainSize(elements, mChain->getNumberOfChains());
    resizeChains([this, elements] { mChain->setMaxChainElements(elements); });
}

unsigned int BillboardChainEffect::getNumberOfChains() const
{
    return static_cast<unsigned int>(mChain->getNumberOfChains());
}

void BillboardChainEffect::setNumberOfChains(unsigned int chains)
{
    requireChainSize(mChain->getMaxChainElements(), chains);
    resizeChains([this, chains] { mChain->setNumberOfChains(chains); });
}

Ogre::BillboardChain::TexCoordDirection BillboardChainEffect::getTexCoordDirection() const
{
    return mChain->getTextureCoordDirection();
}

void BillboardChainEffect::setTexCoordDirection(Ogre::BillboardChain::TexCoordDirection direction)
{
    mChain->setTextureCoordDirection(direction);
}

Ogre::Vector2 BillboardChainEffect::getOtherTextureCoordRange() const
{
    const Ogre::Real* range = mChain->getOtherTextureCoordRange();
    return Ogre::Vector2(range[0], range[1]);
}

void BillboardChainEffect::setOtherTextureCoordRange(float start, float end)
{
    SceneValueCheck::requireFinite(start, "The texture coordinate range's start");
    SceneValueCheck::requireFinite(end, "The texture coordinate range's end");
    mChain->setOtherTextureCoordRange(start, end);
}

} // namespace tolva
