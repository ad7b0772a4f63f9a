#include "scene/Graphics.h"

#include <OgreBillboardSet.h>
#include <OgreGpuProgramManager.h>
#include <OgreLight.h>
#include <OgreMaterialManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "core/LogLine.h"
#include "scene/SceneNames.h"

namespace tolva {

Ogre::SceneNode* Graphics::getRootNode() const
{
    return mSceneManager->getRootSceneNode();
}

Ogre::MaterialPtr Graphics::getMaterial(const std::string& name) const
{
    return Ogre::MaterialManager::getSingleton().getByName(name);
}

Ogre::SceneNode* Graphics::createNode()
{
    return mSceneManager->getRootSceneNode()->createChildSceneNode();
}

Ogre::SceneNode* Graphics::createIsolatedNode()
{
    return mSceneManager->createSceneNode();
}

Ogre::Light* Graphics::createLight(const std::string& name)
{
    requireFreeName(mSceneManager->hasLight(name), "light", name);
    return mSceneManager->createLight(name);
}

void Graphics::destroyLight(Ogre::Light* light)
{
    mSceneManager->destroyLight(light);
}

Ogre::BillboardSet* Graphics::createBillboardSet(const std::string& name, int poolSize)
{
    requireFreeName(mSceneManager->hasBillboardSet(name), "billboard set", name);
    return mSceneManager->createBillboardSet(name, static_cast<unsigned int>(poolSize));
}

void Graphics::destroyBillboardSet(Ogre::BillboardSet* set)
{
    mSceneManager->destroyBillboardSet(set);
}

bool Graphics::isFogEnabled() const
{
    return mSceneManager->getFogMode() != Ogre::FOG_NONE;
}

void Graphics::setFogEnabled(bool enabled)
{
    if (enabled) {
        mSceneManager->setFog(mFogMode, mSceneManager->getFogColour(), mSceneManager->getFogDensity(),
            mSceneManager->getFogStart(), mSceneManager->getFogEnd());
    } else {
        mSceneManager->setFog(Ogre::FOG_NONE, Ogre::ColourValue::White, 0.001f, 0.0f, 1.0f);
    }
}

void Graphics::setFogMode(Ogre::FogMode mode)
{
    if (mode != Ogre::FOG_NONE) {
        mFogMode = mode;
    }
}

Ogre::ColourValue Graphics::getFogColour() const
{
    return mSceneManager->getFogColour();
}

void Graphics::setFogColour(const Ogre::ColourValue& colour)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, colour, mSceneManager->getFogDensity(),
        mSceneManager->getFogStart(), mSceneManager->getFogEnd());
}

float Graphics::getFogExponentialDensity() const
{
    return mSceneManager->getFogDensity();
}

void Graphics::setFogExponentialDensity(float density)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, mSceneManager->getFogColour(), density,
        mSceneManager->getFogStart(), mSceneManager->getFogEnd());
}

float Graphics::getFogLinearStart() const
{
    return mSceneManager->getFogStart();
}

void Graphics::setFogLinearStart(float start)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, mSceneManager->getFogColour(),
        mSceneManager->getFogDensity(), start, mSceneManager->getFogEnd());
}

float Graphics::getFogLinearEnd() const
{
    return mSceneManager->getFogEnd();
}

void Graphics::setFogLinearEnd(float end)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, mSceneManager->getFogColour(),
        mSceneManager->getFogDensity(), mSceneManager->getFogStart(), end);
}

bool Graphics::getShadowsEnable() const
{
    return mSceneManager->getShadowTechnique() != Ogre::SHADOWTYPE_NONE;
}

void Graphics::setShadowsEnable(bool enabled)
{
    // Stencil shadows draw with these programs; without them the next frame fails for good.
    static const char* const ShadowPrograms[]
        = {"Ogre/ShadowBlendVP", "Ogre/ShadowBlendFP", "Ogre/ShadowExtrudePointLight", "Ogre/ShadowExtrudeDirLight",
            "Ogre/ShadowExtrudePointLightFinite", "Ogre/ShadowExtrudeDirLightFinite"};
    if (enabled) {
        for (const char* program : ShadowPrograms) {
            if (!Ogre::GpuProgramManager::getSingleton().getByName(program)) {
                logWarning("Warning: Shadows need the shadow volume programs (ShadowVolumeExtude.program) in a "
                           "resource location; they stay off.");
                return;
            }
        }
    }
    mSceneManager->setShadowTechnique(enabled ? Ogre::SHADOWTYPE_STENCIL_MODULATIVE : Ogre::SHADOWTYPE_NONE);
}

} // namespace tolva
