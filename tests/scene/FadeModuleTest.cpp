// Linear fades: the values each frame delivers, replacement of a running fade, and fades that
// take no time.
#include "scene/FadeModule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

class RecordingFade : public tolva::FadeModule {
public:
    using FadeModule::FadeModule;
    using FadeModule::getCurrentValue;
    std::vector<float> values;

protected:
    void performFade(float value) override { values.push_back(value); }
};

TEST(FadeModule, DeliversEvenStepsAndEndsExactlyAtTheTarget)
{
    RecordingFade fade(0.0f);
    fade.fade(2.0f, 1.0f, 0);
    EXPECT_TRUE(fade.isFadeRunning());
    EXPECT_TRUE(fade.values.empty()) << "starting a fade delivers nothing";
    for (int i = 0; i < 6; ++i) {
        fade.frame(0.5f);
    }
    EXPECT_EQ((std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}), fade.values);
    EXPECT_FALSE(fade.isFadeRunning());
}

TEST(FadeModule, AFrameLongerThanTheTimeLeftDeliversTheTargetOnce)
{
    RecordingFade fade(10.0f);
    fade.fade(-1.0f, 0.0f, 0); // the sign of the duration is ignored
    fade.frame(0.25f);
    fade.frame(5.0f);
    fade.frame(5.0f);
    EXPECT_EQ((std::vector<float>{7.5f, 0.0f}), fade.values);
}

TEST(FadeModule, ANegativeFrameTimeMovesBackButNotBeforeTheBeginning)
{
    RecordingFade fade(0.0f);
    fade.fade(4.0f, 0.0f, 4.0f, 0);
    fade.frame(2.0f);
    fade.frame(-1.0f);
    fade.frame(-5.0f);
    EXPECT_EQ((std::vector<float>{2.0f, 1.0f, 0.0f}), fade.values);
    EXPECT_TRUE(fade.isFadeRunning());
}

TEST(FadeModule, ANewFadeBeginsWhereTheRunningOneStands)
{
    RecordingFade fade(0.0f);
    fade.fade(2.0f, 1.0f, 0);
    fade.frame(1.0f);
    fade.fade(1.0f, 0.0f, 7);
    fade.frame(0.5f);
    fade.frame(0.5f);
    EXPECT_EQ((std::vector<float>{0.5f, 0.25f, 0.0f}), fade.values);
}

TEST(FadeModule, AFadeThatTakesNoTimeEndsAtOnceAtItsTarget)
{
    const float durations[]
        = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
    for (float duration : durations) {
        RecordingFade fade(0.2f);
        fade.fade(duration, 0.9f, 0);
        EXPECT_FALSE(fade.isFadeRunning()) << duration;
        EXPECT_EQ((std::vector<float>{0.9f}), fade.values) << duration;
        fade.frame(1.0f);
        EXPECT_EQ(1u, fade.values.size()) << "a finished fade delivers nothing more";
        EXPECT_EQ(0.9f, fade.getCurrentValue());

        RecordingFade from(0.2f);
        from.fade(duration, 0.4f, 0.6f, 0);
        EXPECT_EQ((std::vector<float>{0.6f}), from.values) << duration;
    }
}

} // namespace
