#include "scene/HDRCompositorDriver.h"

#include <OgreBitwise.h>
#include <OgreCompositionPass.h>
#include <OgreCompositionTargetPass.h>
#include <OgreCompositionTechnique.h>
#include <OgreCompositor.h>
#include <OgreCompositorManager.h>
#include <OgreGpuProgramParams.h>
#include <OgreMaterial.h>
#include <OgreMath.h>
#include <OgrePass.h>
#include <OgrePixelFormat.h>
#include <OgreRenderTarget.h>
#include <OgreTechnique.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/LogLine.h"
#include "scene/RenderPathManager.h"

namespace tolva {

namespace {

const char* const LUMINANCE_TARGET = "lum4";
const unsigned int DOWNSAMPLE_TAPS = 2;

/// The named constants the driver sets for a pass; empty for passes it leaves alone. Asked for
/// every pass of every frame, so nothing is allocated here.
const std::vector<const char*>& constantsOf(std::uint32_t passId)
{
    static const std::vector<const char*> none;
    static const std::vector<const char*> offsets = {"offsets"};
    static const std::vector<const char*> luminance = {"lumAdapted"};
    static const std::vector<const char*> blur = {"kernel", "offsets"};
    switch (passId) {
    case HDRCompositorDriver::PASS_DOWNSAMPLE_256:
    case HDRCompositorDriver::PASS_DOWNSAMPLE_64:
    case HDRCompositorDriver::PASS_DOWNSAMPLE_16:
    case HDRCompositorDriver::PASS_DOWNSAMPLE_4:
    case HDRCompositorDriver::PASS_DOWNSAMPLE_1:
        return offsets;
    case HDRCompositorDriver::PASS_BRIGHT:
    case HDRCompositorDriver::PASS_TONE_MAP:
        return luminance;
    case HDRCompositorDriver::PASS_BLUR_HORIZONTAL:
    case HDRCompositorDriver::PASS_BLUR_VERTICAL:
        return blur;
    default:
        return none;
    }
}

/// The size of the square target a down-sampling pass writes; 0 for other passes.
unsigned int downSampleSizeOf(std::uint32_t passId)
{
    switch (passId) {
    case HDRCompositorDriver::PASS_DOWNSAMPLE_256:
        return 256;
    case HDRCompositorDriver::PASS_DOWNSAMPLE_64:
        return 64;
    case HDRCompositorDriver::PASS_DOWNSAMPLE_16:
        return 16;
    case HDRCompositorDriver::PASS_DOWNSAMPLE_4:
        return 4;
    case HDRCompositorDriver::PASS_DOWNSAMPLE_1:
        return 1;
    default:
        return 0;
    }
}

std::string passText(std::uint32_t passId)
{
    return "pass " + std::to_string(passId);
}

} // namespace

HDRCompositorDriver::HDRCompositorDriver()
    : CompositorDriver("HDR", COMPOSITOR_NAME)
    , mFrameTime(0.0f)
    , mAdaptedLuminance(MIN_LUMINANCE)
    , mMeasuredLuminance(0.0f)
    , mAdaptationRate(1.0f)
    , mKernelMultiplier(1.0f)
    , mBroken(false)
{
    const std::string name = COMPOSITOR_NAME;
    if (!RenderPathManager::getInstance()) {
        // Made on its own, for its arithmetic: there is no compositor to look for.
        return;
    }
    if (!getInstance()) {
        const bool exists
            = Ogre::CompositorManager::getSingletonPtr() && Ogre::CompositorManager::getSingleton().getByName(name);
        logWarning("Warning: HDR compositor '" + name
            + (exists ? "' cannot be used here (texture formats or materials it needs are missing)" : "' was not found")
            + "; rendering without HDR.");
        return;
    }
    const std::string fault = findFault();
    if (!fault.empty()) {
        markBroken(fault);
        setEnabled(false);
    }
}

void HDRCompositorDriver::notifyMaterialSetup(std::uint32_t, Ogre::MaterialPtr&) { }

void HDRCompositorDriver::notifyMaterialRender(std::uint32_t passId, Ogre::MaterialPtr& material)
{
    if (mBroken) {
        return;
    }
    // An exception here would leave the rendering engine's frame and end the program.
    try {
        setParameters(passId, material);
    } catch (const Ogre::Exception& e) {
        markBroken(e.getDescription());
    }
}

void HDRCompositorDriver::frame(float seconds)
{
    mFrameTime = seconds;
    // Not from inside the compositor's own rendering, where it was found broken.
    if (mBroken && isEnabled()) {
        setEnabled(false);
    }
}

void HDRCompositorDriver::setParameters(std::uint32_t passId, Ogre::MaterialPtr& material)
{
    if (constantsOf(passId).empty()) {
        return;
    }
    Ogre::Technique* technique = material ? material->getTechnique(0) : nullptr;
    if (!technique || technique->getNumPasses() == 0) {
        markBroken(passText(passId) + " has no material pass");
        return;
    }
    const Ogre::GpuProgramParametersSharedPtr& parameters = technique->getPass(0)->getFragmentProgramParameters();

    switch (passId) {
    case PASS_BRIGHT:
        updateAdaptedLum();
        parameters->setNamedConstant("lumAdapted", mAdaptedLuminance);
        break;
    case PASS_TONE_MAP:
        parameters->setNamedConstant("lumAdapted", mAdaptedLuminance);
        break;
    case PASS_BLUR_HORIZONTAL:
    case PASS_BLUR_VERTICAL: {
        float kernel[BLUR_TAPS];
        float offsets[BLUR_TAPS * 2];
        genGaussKernLin(BLUR_TAPS, BLUR_DEVIATION, kernel, mKernelMultiplier);
        genSampleLinOffsets(BLUR_TAPS, BLUR_TEXTURE_SIZE, offsets, passId == PASS_BLUR_HORIZONTAL);
        parameters->setNamedConstant("kernel", kernel, BLUR_TAPS, 1);
        parameters->setNamedConstant("offsets", offsets, BLUR_TAPS, 2);
        break;
    }
    default: {
        float offsets[DOWNSAMPLE_TAPS * DOWNSAMPLE_TAPS * 2];
        genDownSampleRectOffsets(DOWNSAMPLE_TAPS, downSampleSizeOf(passId), offsets);
        parameters->setNamedConstant("offsets", offsets, DOWNSAMPLE_TAPS * DOWNSAMPLE_TAPS, 2);
        break;
    }
    }
}

void HDRCompositorDriver::genDownSampleRectOffsets(unsigned int n, unsigned int size, float* out)
{
    const float step = 1.0f / (static_cast<float>(n) * static_cast<float>(size));
    const float base = -(static_cast<float>(n) - 1.0f) / 2.0f * step;
    for (unsigned int i = 0; i < n; ++i) {
        for (unsigned int j = 0; j < n; ++j) {
            float* pair = out + 2 * (i * n + j);
            pair[0] = static_cast<float>(j) * step + base;
            pair[1] = static_cast<float>(i) * step + base;
        }
    }
}

void HDRCompositorDriver::genSampleLinOffsets(unsigned int n, unsigned int size, float* out, bool horizontal)
{
    const float step = 1.0f / static_cast<float>(size);
    const float base = -(static_cast<float>(n) - 1.0f) / 2.0f * step;
    for (unsigned int i = 0; i < n; ++i) {
        const float v = static_cast<float>(i) * step + base;
        out[2 * i] = horizontal ? v : 0.0f;
        out[2 * i + 1] = horizontal ? 0.0f : v;
    }
}

float HDRCompositorDriver::gaussianDistribution(float x, float deviation, float multiplier)
{
    return multiplier * std::exp(-(x * x) / (2.0f * deviation * deviation))
        / (std::sqrt(2.0f * Ogre::Math::PI) * deviation);
}

void HDRCompositorDriver::genGaussKernLin(unsigned int n, float deviation, float* out, float multiplier)
{
    const float centre = (static_cast<float>(n) - 1.0f) / 2.0f;
    for (unsigned int i = 0; i < n; ++i) {
        out[i] = gaussianDistribution(static_cast<float>(i) - centre, deviation, multiplier);
    }
}

void HDRCompositorDriver::updateAdaptedLum()
{
    Ogre::CompositorInstance* instance = getInstance();
    if (!instance) {
        return;
    }
    // Throws when the compositor has no such target.
    Ogre::RenderTarget* target = instance->getRenderTarget(LUMINANCE_TARGET);
    Ogre::uint16 half = 0;
    Ogre::PixelBox pixel(1, 1, 1, Ogre::PF_FLOAT16_R, &half);
    target->copyContentsToMemory(Ogre::Box(0, 0, 1, 1), pixel, Ogre::RenderTarget::FB_AUTO);
    mMeasuredLuminance = Ogre::Bitwise::halfToFloat(half);
    adaptLuminance(mMeasuredLuminance);
}

void HDRCompositorDriver::adaptLuminance(float measured)
{
    // A NaN, once in the adapted value, would stay there and blank the picture until restart; a
    // negative or zero one would make the tone mapping divide by it.
    if (!std::isnan(measured)) {
        const float target = std::min(std::max(measured, MIN_LUMINANCE), MAX_LUMINANCE);
        const float difference = target - mAdaptedLuminance;
        // Time that does not pass (zero, negative, not a number) adapts nothing.
        if (difference != 0.0f && mFrameTime > 0.0f) {
            const float step = std::min(1.0f, mFrameTime * mAdaptationRate / std::abs(difference));
            mAdaptedLuminance += step * difference;
        }
    }
    mAdaptedLuminance = std::min(std::max(mAdaptedLuminance, MIN_LUMINANCE), MAX_LUMINANCE);
}

std::string HDRCompositorDriver::findFault() const
{
    Ogre::CompositionTechnique* technique = getInstance()->getTechnique();
    if (!technique->getTextureDefinition(LUMINANCE_TARGET)) {
        return std::string("it has no render target '") + LUMINANCE_TARGET + "'";
    }
    std::vector<Ogre::CompositionTargetPass*> targets = technique->getTargetPasses();
    targets.push_back(technique->getOutputTargetPass());
    for (Ogre::CompositionTargetPass* target : targets) {
        for (Ogre::CompositionPass* pass : target->getPasses()) {
            const std::vector<const char*>& constants = constantsOf(pass->getIdentifier());
            if (pass->getType() != Ogre::CompositionPass::PT_RENDERQUAD || constants.empty()) {
                continue;
            }
            const std::string id = passText(pass->getIdentifier());
            const Ogre::MaterialPtr& material = pass->getMaterial();
            if (!material) {
                return id + " has no material";
            }
            material->load();
            Ogre::Technique* materialTechnique = material->getTechnique(0);
            if (!materialTechnique || !materialTechnique->isSupported() || materialTechnique->getNumPasses() == 0) {
                return id + ": material '" + material->getName() + "' cannot be used here";
            }
            Ogre::Pass* materialPass = materialTechnique->getPass(0);
            if (!materialPass->hasFragmentProgram()) {
                return id + ": material '" + material->getName() + "' has no fragment program";
            }
            const Ogre::GpuProgramParametersSharedPtr& parameters = materialPass->getFragmentProgramParameters();
            for (const char* constant : constants) {
                if (!parameters->_findNamedConstantDefinition(constant, false)) {
                    return id + ": the fragment program of material '" + material->getName() + "' takes no '" + constant
                        + "'";
                }
            }
        }
    }
    return std::string();
}

void HDRCompositorDriver::markBroken(const std::string& reason)
{
    if (mBroken) {
        return;
    }
    mBroken = true;
    logWarning("Warning: HDR compositor '" + std::string(COMPOSITOR_NAME) + "' cannot be used (" + reason
        + "); rendering without HDR.");
}

} // namespace tolva
