#include "scene/Graphics.h"

#include <OgreCamera.h>
#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "core/Engine.h"
#include "scene/MaterialAlpha.h"
#include "scene/MeshObject.h"
#include "scene/RenderPathManager.h"

namespace tolva {

namespace {

/// Render queue groups that the mesh render types use for stencil writers and stencilled meshes.
const Ogre::uint8 STENCIL_WRITER_GROUP = 10;
const Ogre::uint8 STENCILLED_GROUP = 30;

/// A stencil test against the reference value 1, with the given comparison and pass operation.
Ogre::StencilState stencilOne(Ogre::CompareFunction compareOp, Ogre::StencilOperation passOp)
{
    Ogre::StencilState state;
    state.enabled = true;
    state.compareOp = compareOp;
    state.referenceValue = 1;
    state.compareMask = 0xFFFFFFFF;
    state.writeMask = 0xFFFFFFFF;
    state.stencilFailOp = Ogre::SOP_KEEP;
    state.depthFailOp = Ogre::SOP_KEEP;
    state.depthStencilPassOp = passOp;
    state.twoSidedOperation = false;
    return state;
}

} // namespace

void Graphics::frame(float seconds)
{
    mRenderPathManager->frame(seconds);
    // One render per frame: renderOneFrame already updates and swaps the window.
    mRoot->renderOneFrame();
    if (mWindow->isClosed()) {
        Engine::getInstance()->stop(false);
    }
}

void Graphics::updateNodes()
{
    mSceneManager->getRootSceneNode()->_update(true, false);
}

bool Graphics::frameStarted(const Ogre::FrameEvent&)
{
    mCameraPosition = mCamera->getDerivedPosition();
    return true;
}

bool Graphics::frameEnded(const Ogre::FrameEvent&)
{
    return true;
}

void Graphics::renderQueueStarted(Ogre::uint8 queueGroupId, const Ogre::String&, bool&)
{
    Ogre::RenderSystem* system = mRoot->getRenderSystem();
    if (queueGroupId == STENCIL_WRITER_GROUP) {
        system->clearFrameBuffer(Ogre::FBT_STENCIL, Ogre::ColourValue::Black, 1.0f, 0);
        system->setStencilState(stencilOne(Ogre::CMPF_ALWAYS_PASS, Ogre::SOP_REPLACE));
    } else if (queueGroupId == STENCILLED_GROUP) {
        system->setStencilState(stencilOne(Ogre::CMPF_EQUAL, Ogre::SOP_KEEP));
    }
}

void Graphics::renderQueueEnded(Ogre::uint8 queueGroupId, const Ogre::String&, bool&)
{
    if (queueGroupId == STENCIL_WRITER_GROUP || queueGroupId == STENCILLED_GROUP) {
        mRoot->getRenderSystem()->setStencilCheckEnabled(false);
    }
}

bool Graphics::renderableQueued(
    Ogre::Renderable* renderable, Ogre::uint8, Ogre::ushort, Ogre::Technique** technique, Ogre::RenderQueue*)
{
    applyDistanceFade(renderable, *technique);
    return true;
}

void Graphics::applyDistanceFade(const Ogre::Renderable* renderable, Ogre::Technique* technique) const
{
    // Runs for every queued renderable: nothing here may allocate or ask the camera.
    const MeshObject* const* found
        = Ogre::any_cast<const MeshObject*>(&renderable->getUserObjectBindings().getUserAny());
    if (!found || !technique) {
        return;
    }
    const MeshObject* mesh = *found;
    if (!mesh->isFadeEnabled() || !mesh->isDistanceFadeRunning()) {
        return;
    }
    setTechniqueAlpha(*technique, mesh->getDistanceFadeAlpha(mCameraPosition));
}

} // namespace tolva
