// Drives the HDR render path, the compositor "compositor/HDR": the scene is rendered into a
// floating-point target, its luminance is measured on the graphics card by down-sampling to one
// pixel ("lum4"), a bright pass and a separable Gaussian blur make the bloom, and the final pass
// tone-maps the scene by the adapted luminance, which follows the measured one at a limited rate
// (in luminance units per second) as an eye adapts.
//
// The driver feeds each pass, by the identifier the compositor gives it, its named constants:
// "offsets" of the down-sampling and blur taps, the blur's "kernel" weights and "lumAdapted". The
// adapted luminance is updated once per rendering of the bright pass (1090), that is once per
// frame while the compositor is on, by the time given to the last frame.
//
// A compositor that is missing, or that lacks a pass program, named constant or the "lum4"
// target the driver needs, is reported once in the log and kept switched off: the game renders
// without HDR.
#pragma once

#include <cstdint>
#include <string>

#include "scene/CompositorDriver.h"

namespace tolva {

class HDRCompositorDriver : public CompositorDriver {
public:
    /// Identifiers of the compositor's passes the driver feeds.
    enum PassId : std::uint32_t {
        PASS_DOWNSAMPLE_256 = 1030,
        PASS_DOWNSAMPLE_64 = 1050,
        PASS_DOWNSAMPLE_16 = 1060,
        PASS_DOWNSAMPLE_4 = 1070,
        PASS_DOWNSAMPLE_1 = 1080,
        PASS_BRIGHT = 1090,
        PASS_BLUR_HORIZONTAL = 1100,
        PASS_BLUR_VERTICAL = 1110,
        PASS_TONE_MAP = 1120
    };

    static constexpr const char* COMPOSITOR_NAME = "compositor/HDR";
    static constexpr unsigned int BLUR_TAPS = 15;
    static constexpr unsigned int BLUR_TEXTURE_SIZE = 128;
    static constexpr float BLUR_DEVIATION = 3.0f;
    /// The range the adapted luminance is kept in: a tone-mapping shader divides by it, and the
    /// luminance targets hold half-precision floats.
    static constexpr float MIN_LUMINANCE = 1.0e-3f;
    static constexpr float MAX_LUMINANCE = 65504.0f;

    HDRCompositorDriver();

    void notifyMaterialSetup(std::uint32_t passId, Ogre::MaterialPtr& material) override;
    /// Sets the named constants of the pass about to render.
    void notifyMaterialRender(std::uint32_t passId, Ogre::MaterialPtr& material) override;
    /// Keeps the frame time for the next adaptation; switches a broken compositor off.
    void frame(float seconds) override;

    /// Texture-coordinate offsets of an n x n box of taps for down-sampling into a square target
    /// of the given size; n x n pairs (u, v) row by row.
    static void genDownSampleRectOffsets(unsigned int n, unsigned int size, float* out);
    /// Offsets of n taps one texel apart in a target of the given size, centred on 0; n pairs,
    /// (v, 0) when horizontal, else (0, v).
    static void genSampleLinOffsets(unsigned int n, unsigned int size, float* out, bool horizontal);
    /// The normal distribution's density at x, scaled by the multiplier.
    static float gaussianDistribution(float x, float deviation, float multiplier);
    /// n weights of the density at -(n - 1) / 2 ... (n - 1) / 2; not normalised.
    static void genGaussKernLin(unsigned int n, float deviation, float* out, float multiplier);

    /// Reads the measured luminance back from "lum4" and adapts to it.
    void updateAdaptedLum();
    /// Moves the adapted luminance toward the measured one by at most frame time x rate, never
    /// past it. A measurement that is not a number, or a frame time that is not a positive
    /// number, leaves it as it is; the result is kept between MIN_LUMINANCE and MAX_LUMINANCE.
    void adaptLuminance(float measured);

    /// Starts at MIN_LUMINANCE, as an eye coming out of the dark.
    float getAdaptedLuminance() const { return mAdaptedLuminance; }
    /// The value read back from "lum4" by the last update.
    float getMeasuredLuminance() const { return mMeasuredLuminance; }
    float getFrameTime() const { return mFrameTime; }
    /// Luminance units per second.
    float getAdaptationRate() const { return mAdaptationRate; }
    float getKernelMultiplier() const { return mKernelMultiplier; }
    /// The compositor was found unusable and is kept off.
    bool isBroken() const { return mBroken; }

private:
    /// What keeps the compositor from working, or an empty text.
    std::string findFault() const;
    void setParameters(std::uint32_t passId, Ogre::MaterialPtr& material);
    void markBroken(const std::string& reason);

    float mFrameTime;
    float mAdaptedLuminance;
    float mMeasuredLuminance;
    float mAdaptationRate;
    float mKernelMultiplier;
    bool mBroken;
};

} // namespace tolva
