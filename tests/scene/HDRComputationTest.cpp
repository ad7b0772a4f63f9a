// The HDR driver's arithmetic, without a window: tap offsets and blur weights against values
// worked out here from their definitions, and the luminance adaptation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "scene/HDRCompositorDriver.h"

namespace tolva::test {
namespace {

typedef HDRCompositorDriver HDR;

TEST(HDRComputations, DownSampleTapsSitAtTheCentresOfAnEvenGridOverOneTargetTexel)
{
    const struct {
        unsigned int n;
        unsigned int size;
    } cases[] = {{2, 256}, {2, 64}, {2, 16}, {2, 4}, {2, 1}, {3, 8}, {4, 32}};
    for (const auto& c : cases) {
        std::vector<float> out(c.n * c.n * 2);
        HDR::genDownSampleRectOffsets(c.n, c.size, out.data());
        for (unsigned int row = 0; row < c.n; ++row) {
            for (unsigned int column = 0; column < c.n; ++column) {
                // The centre of cell (column, row) of an n x n grid over a texel 1/size wide.
                const double u = ((column + 0.5) / c.n - 0.5) / c.size;
                const double v = ((row + 0.5) / c.n - 0.5) / c.size;
                const unsigned int index = 2 * (row * c.n + column);
                EXPECT_NEAR(out[index], u, 1e-7) << c.n << " taps, size " << c.size;
                EXPECT_NEAR(out[index + 1], v, 1e-7) << c.n << " taps, size " << c.size;
            }
        }
    }
}

TEST(HDRComputations, BlurTapsAreOneTexelApartAlongOneAxis)
{
    for (const bool horizontal : {true, false}) {
        float out[30];
        HDR::genSampleLinOffsets(15, 128, out, horizontal);
        for (int i = 0; i < 15; ++i) {
            const float along = (i - 7) / 128.0f;
            EXPECT_FLOAT_EQ(out[2 * i], horizontal ? along : 0.0f) << i;
            EXPECT_FLOAT_EQ(out[2 * i + 1], horizontal ? 0.0f : along) << i;
        }
    }
}

TEST(HDRComputations, BlurKernelIsTheNormalDensityAtEachTap)
{
    const struct {
        unsigned int n;
        float deviation;
        float multiplier;
    } cases[] = {{15, 3.0f, 1.0f}, {15, 3.0f, 2.5f}, {5, 1.5f, 1.0f}};
    for (const auto& c : cases) {
        std::vector<float> out(c.n);
        HDR::genGaussKernLin(c.n, c.deviation, out.data(), c.multiplier);
        for (unsigned int i = 0; i < c.n; ++i) {
            const double x = i - (c.n - 1) / 2.0;
            const double sigma = c.deviation;
            const double density = std::exp(-x * x / (2 * sigma * sigma)) / (sigma * std::sqrt(2 * M_PI));
            EXPECT_NEAR(out[i], c.multiplier * density, 1e-6) << "tap " << i << " of " << c.n;
        }
    }
    // Not normalised: the 15 weights of deviation 3 sum to about 0.988.
    float kernel[15];
    HDR::genGaussKernLin(15, 3.0f, kernel, 1.0f);
    EXPECT_NEAR(std::accumulate(kernel, kernel + 15, 0.0f), 0.988f, 1e-3);
}

/// A driver (without compositor: no rendering engine here) whose adapted luminance is set.
struct Adapting {
    explicit Adapting(float adapted)
    {
        driver.frame(1.0e6f);
        driver.adaptLuminance(adapted);
    }
    float after(float measured, float seconds)
    {
        driver.frame(seconds);
        driver.adaptLuminance(measured);
        return driver.getAdaptedLuminance();
    }
    HDR driver;
};

TEST(HDRComputations, AdaptedLuminanceMovesTowardTheMeasurementByAtMostFrameTimeTimesRate)
{
    const struct {
        float adapted, measured, seconds, expected;
    } cases[] = {
        {0.5f, 0.5f, 0.1f, 0.5f},   // nothing to adapt to
        {0.5f, 1.0f, 0.1f, 0.6f},   // brighter, one step
        {1.0f, 0.2f, 0.3f, 0.7f},   // darker, one step
        {0.5f, 0.55f, 0.1f, 0.55f}, // a step longer than the way: arrives, does not pass
        {2.0f, 0.25f, 10.0f, 0.25f},
    };
    for (const auto& c : cases) {
        Adapting adapting(c.adapted);
        EXPECT_FLOAT_EQ(adapting.after(c.measured, c.seconds), c.expected)
            << c.adapted << " toward " << c.measured << " in " << c.seconds << " s";
    }
}

TEST(HDRComputations, AdaptedLuminanceStaysFiniteAndPositiveWhateverItIsFed)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_GT(HDR().getAdaptedLuminance(), 0.0f);
    for (const float measured : {nan, inf, -inf, -5.0f, 0.0f, 0.5f, 1.0e30f}) {
        for (const float seconds : {0.0f, -1.0f, nan, 0.016f, 1.0e9f, inf}) {
            Adapting adapting(0.5f);
            const float adapted = adapting.after(measured, seconds);
            EXPECT_TRUE(std::isfinite(adapted) && adapted > 0.0f)
                << adapted << " after " << measured << " measured in " << seconds << " s";
        }
    }
    // Time that does not pass and measurements that are not numbers change nothing.
    EXPECT_FLOAT_EQ(Adapting(0.5f).after(nan, 0.1f), 0.5f);
    EXPECT_FLOAT_EQ(Adapting(0.5f).after(0.9f, 0.0f), 0.5f);
    EXPECT_FLOAT_EQ(Adapting(0.5f).after(0.9f, -0.2f), 0.5f);
    EXPECT_FLOAT_EQ(Adapting(0.5f).after(0.9f, nan), 0.5f);
    // A long pause arrives at the measurement; an overflowed one counts as the brightest there is.
    EXPECT_FLOAT_EQ(Adapting(0.5f).after(0.9f, 3600.0f), 0.9f);
    EXPECT_FLOAT_EQ(Adapting(0.5f).after(inf, 1.0e9f), HDR::MAX_LUMINANCE);
}

} // namespace
} // namespace tolva::test
