#include "scene/CompositorDriver.h"

#include <OgreCompositionTechnique.h>

#include "scene/RenderPathManager.h"

namespace tolva {

CompositorDriver::CompositorDriver(const std::string& name, const std::string& compositorName)
    : mPrecedence(0)
    , mGroup(0)
    , mName(name)
    , mCompositorName(compositorName)
    , mInstance(nullptr)
{
    if (RenderPathManager* manager = RenderPathManager::getInstance()) {
        mInstance = manager->getCompositorInstance(compositorName);
    }
    if (mInstance) {
        mInstance->addListener(this);
    }
}

CompositorDriver::~CompositorDriver()
{
    if (mInstance) {
        mInstance->removeListener(this);
    }
}

void CompositorDriver::notifyMaterialSetup(std::uint32_t, Ogre::MaterialPtr&) { }

void CompositorDriver::notifyMaterialRender(std::uint32_t, Ogre::MaterialPtr&) { }

void CompositorDriver::frame(float) { }

void CompositorDriver::setEnabled(bool enabled)
{
    if (mInstance) {
        mInstance->setEnabled(enabled);
    }
}

bool CompositorDriver::isEnabled() const
{
    return mInstance && mInstance->getEnabled();
}

bool CompositorDriver::isSupported() const
{
    return mInstance && mInstance->getTechnique()->isSupported(false);
}

} // namespace tolva
