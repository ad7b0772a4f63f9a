#include "scene/RenderPathManager.h"

#include <OgreCompositor.h>
#include <OgreCompositorChain.h>
#include <OgreCompositorManager.h>

#include "core/Engine.h"
#include "scene/Graphics.h"
#include "scene/HDRCompositorDriver.h"

namespace tolva {

RenderPathManager::RenderPathManager()
    : mCompositorManager(nullptr)
    , mViewport(nullptr)
{
}

RenderPathManager::~RenderPathManager()
{
    // Drivers let go of their instances while the rendering engine still has them.
    mDrivers.clear();
}

void RenderPathManager::initialise()
{
    mCompositorManager = Ogre::CompositorManager::getSingletonPtr();
    mViewport = Engine::getInstance()->getGraphics()->getViewport();
    mDrivers.push_back(new HDRCompositorDriver());
}

void RenderPathManager::frame(float seconds)
{
    for (CompositorDriver& driver : mDrivers) {
        driver.frame(seconds);
    }
}

void RenderPathManager::shutdown()
{
    mDrivers.clear();
    mCompositorManager = nullptr;
    mViewport = nullptr;
}

Ogre::CompositorInstance* RenderPathManager::getCompositorInstance(const std::string& compositorName)
{
    if (!mCompositorManager || !mViewport) {
        return nullptr;
    }
    if (mCompositorManager->hasCompositorChain(mViewport)) {
        for (Ogre::CompositorInstance* instance :
            mCompositorManager->getCompositorChain(mViewport)->getCompositorInstances()) {
            if (instance->getCompositor()->getName() == compositorName) {
                return instance;
            }
        }
    }
    return mCompositorManager->addCompositor(mViewport, compositorName, -1);
}

CompositorDriver* RenderPathManager::getDriver(const std::string& name)
{
    for (CompositorDriver& driver : mDrivers) {
        if (driver.getName() == name) {
            return &driver;
        }
    }
    return nullptr;
}

} // namespace tolva
