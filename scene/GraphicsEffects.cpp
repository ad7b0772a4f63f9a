#include "scene/Graphics.h"

#include <OgreCompositorManager.h>

#include <boost/any.hpp>

#include "core/ConfigFile.h"
#include "core/LogLine.h"

namespace tolva {

namespace {

const char* const EFFECT_SECTION = "CompositorEffect-01";

} // namespace

void Graphics::loadCompositorEffects()
{
    std::string name;
    int mask = 0;
    try {
        const ConfigFile& config = getConfigFile();
        name = boost::any_cast<std::string>(config.getValue(EFFECT_SECTION, ConfigFile::PT_STRING, "Compositor"));
        mask = boost::any_cast<int>(config.getValueDefault(
            EFFECT_SECTION, ConfigFile::PT_INT, "VisibilityMask", static_cast<int>(mBaseVisibilityMask)));
    } catch (const std::exception&) {
        // No effect configured.
        return;
    }
    addCompositorEffect(name, static_cast<std::uint32_t>(mask));
}

void Graphics::addCompositorEffect(const std::string& name, std::uint32_t visibilityMask)
{
    const auto inserted = mCompositorEffects.emplace(name, CompositorEffect());
    if (!inserted.second) {
        return;
    }
    CompositorEffect& effect = inserted.first->second;
    effect.visibilityMask = visibilityMask;
    effect.instance = mCompositorManager->addCompositor(mViewport, name, -1);
    if (!effect.instance) {
        logWarning("Warning: Failed to instantiate compositor effect " + name + ".");
    }
}

bool Graphics::isEffectAvailable(const std::string& name) const
{
    const auto found = mCompositorEffects.find(name);
    return found != mCompositorEffects.end() && found->second.instance;
}

std::uint32_t Graphics::getEffectVisibilityMask(const std::string& name) const
{
    const auto found = mCompositorEffects.find(name);
    return found == mCompositorEffects.end() ? mBaseVisibilityMask : found->second.visibilityMask;
}

void Graphics::notifyEffectUsed(const std::string& name)
{
    const auto found = mCompositorEffects.find(name);
    if (found == mCompositorEffects.end()) {
        logWarning("Warning: Attempt to use an unknown compositor effect.");
        return;
    }
    CompositorEffect& effect = found->second;
    if (!effect.instance) {
        logWarning("Warning: Attempt to use an invalid compositor effect.");
        return;
    }
    if (effect.useCount++ == 0) {
        mCompositorManager->setCompositorEnabled(mViewport, name, true);
    }
}

void Graphics::notifyEffectReleased(const std::string& name)
{
    const auto found = mCompositorEffects.find(name);
    if (found == mCompositorEffects.end()) {
        logWarning("Warning: Attempt to disable an unknown compositor effect.");
        return;
    }
    CompositorEffect& effect = found->second;
    if (!effect.instance) {
        logWarning("Warning: Attempt to disable an invalid compositor effect.");
        return;
    }
    if (effect.useCount == 0) {
        return;
    }
    if (--effect.useCount == 0) {
        mCompositorManager->setCompositorEnabled(mViewport, name, false);
    }
}

} // namespace tolva
