#include "scene/RenderableObject.h"

#include <OgreMovableObject.h>
#include <OgreSceneNode.h>

#include <algorithm>

#include "core/Engine.h"
#include "core/LogLine.h"
#include "scene/BillboardEffect.h"
#include "scene/Graphics.h"

namespace tolva {

namespace {

Graphics& graphics()
{
    return *Engine::getInstance()->getGraphics();
}

} // namespace

RenderableObject::RenderableObject(Ogre::MovableObject* object)
{
    setObject(object, true);
}

RenderableObject::~RenderableObject()
{
    while (!mAttachedEffects.empty()) {
        // Sends it home, which also takes it off the list.
        mAttachedEffects.back()->_hangOn(nullptr);
    }
    disableAllEffects();
    setObject(nullptr, true);
}

void RenderableObject::setObject(Ogre::MovableObject* object, bool attach)
{
    if (mObject) {
        detachFromNode(mNode, mObject);
    }
    mObject = object;
    disableAllEffects();
    if (mObject && attach) {
        attachToNode(mNode, mObject);
    }
}

bool RenderableObject::isVisible() const
{
    return mObject && mObject->isVisible();
}

void RenderableObject::setVisible(bool visible)
{
    if (mObject) {
        mObject->setVisible(visible);
    }
}

bool RenderableObject::isEffectEnabled(const std::string& name) const
{
    return mEffects.count(name) != 0;
}

void RenderableObject::setEffectEnable(const std::string& name, bool enable)
{
    Graphics& module = graphics();
    if (!module.isEffectAvailable(name)) {
        logWarning("Warning: Attempt to use non existent effect: " + name + ".");
        return;
    }
    const auto found = mEffects.find(name);
    if (found != mEffects.end()) {
        if (!enable) {
            mEffects.erase(found);
            module.notifyEffectReleased(name);
            applyVisibilityMask();
        }
        return;
    }
    if (enable) {
        module.notifyEffectUsed(name);
        mEffects.emplace(name, module.getEffectVisibilityMask(name));
        applyVisibilityMask();
    }
}

void RenderableObject::attachEffect(BillboardEffect* effect)
{
    if (effect) {
        effect->_hangOn(this);
    }
}

void RenderableObject::detachEffect(BillboardEffect* effect)
{
    if (!effect || effect->getHost() != this) {
        logWarning("Warning: Attempt to detach a billboard effect that is not attached to this object.");
        return;
    }
    effect->_hangOn(nullptr);
}

void RenderableObject::_effectDetached(BillboardEffect* effect)
{
    const auto found = std::find(mAttachedEffects.begin(), mAttachedEffects.end(), effect);
    if (found != mAttachedEffects.end()) {
        mAttachedEffects.erase(found);
    }
}

std::uint32_t RenderableObject::calculateVisibilityMask() const
{
    std::uint32_t mask = graphics().getBaseVisibilityMask();
    for (const auto& effect : mEffects) {
        mask |= effect.second;
    }
    return mask;
}

void RenderableObject::disableAllEffects()
{
    if (!mEffects.empty()) {
        Graphics& module = graphics();
        for (const auto& effect : mEffects) {
            module.notifyEffectReleased(effect.first);
        }
        mEffects.clear();
    }
    applyVisibilityMask();
}

void RenderableObject::applyVisibilityMask()
{
    if (mObject) {
        mObject->setVisibilityFlags(calculateVisibilityMask());
    }
}

} // namespace tolva
