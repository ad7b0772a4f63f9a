#include "game/ValueBucket.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using tolva::ValueBucket;

const float Smooth = 0.01f;
const float Cutoff = 0.0001f;

TEST(ValueBucket, MovesTheShareThatTheElapsedTimeReleases)
{
    ValueBucket bucket(Smooth, Cutoff);
    bucket.addToBucket(10.0f);
    bucket.transfer(0.5f);
    EXPECT_NEAR(9.0f, bucket.getValue(), 1e-5f);
    EXPECT_NEAR(9.0f, bucket.getValueIncrement(), 1e-5f);
    EXPECT_NEAR(1.0f, bucket.getBucket(), 1e-5f);
}

TEST(ValueBucket, ConvergesAtTheSameRateWhateverTheFrameRate)
{
    // One second of frames at each rate leaves the same share pending.
    for (int framesPerSecond : {30, 100, 250}) {
        ValueBucket bucket(Smooth, Cutoff, 1.0f, 100.0f);
        bucket.setValue(10.0f);
        bucket.addToBucket(50.0f);
        for (int frame = 0; frame < framesPerSecond; ++frame) {
            bucket.transfer(1.0f / static_cast<float>(framesPerSecond));
        }
        EXPECT_NEAR(59.5f, bucket.getValue(), 1e-3f) << framesPerSecond << " frames per second";
        EXPECT_NEAR(0.5f, bucket.getBucket(), 1e-3f) << framesPerSecond << " frames per second";
    }
}

struct BucketCase {
    const char* what;
    std::function<void(ValueBucket&)> act;
    float value;
    float bucket;
    float increment;
};

TEST(ValueBucket, KeepsValueAndBucketWithinTheLimits)
{
    const BucketCase cases[] = {
        {"adding toward a maximum reached is dropped",
            [](ValueBucket& b) {
                b.setValue(100);
                b.addToBucket(5);
            },
            100, 0, 0},
        {"adding away from a maximum reached is kept",
            [](ValueBucket& b) {
                b.setValue(100);
                b.addToBucket(-5);
            },
            100, -5, 0},
        {"adding toward a near maximum is cut to the room left",
            [](ValueBucket& b) {
                b.setValue(95);
                b.addToBucket(10);
            },
            95, 5, 0},
        {"a bucket set past the limit stops the value at it",
            [](ValueBucket& b) {
                b.setValue(95);
                b.setBucket(10);
                b.transfer(0.5f);
            },
            100, 1, 5},
        {"an empty bucket moves nothing",
            [](ValueBucket& b) {
                b.setValue(50);
                b.transfer(1);
            },
            50, 0, 0},
        {"no time moves nothing",
            [](ValueBucket& b) {
                b.addToBucket(10);
                b.transfer(0);
            },
            1, 10, 0},
        {"negative time moves nothing",
            [](ValueBucket& b) {
                b.addToBucket(10);
                b.transfer(-1);
            },
            1, 10, 0},
        {"a remainder below the cutoff is dropped",
            [](ValueBucket& b) {
                b.setValue(50);
                b.setBucket(0.001f);
                b.transfer(1);
            },
            50.00099f, 0, 0.00099f},
        {"the next transfer after a drop moves nothing",
            [](ValueBucket& b) {
                b.setValue(50);
                b.setBucket(0.001f);
                b.transfer(1);
                b.transfer(1);
            },
            50.00099f, 0, 0},
        {"a maximum below the value pulls it down",
            [](ValueBucket& b) {
                b.setValue(50);
                b.setMaximum(20);
            },
            20, 0, 0},
        {"a maximum below the minimum becomes the minimum", [](ValueBucket& b) { b.setMaximum(-3); }, 1, 0, 0},
    };
    for (const BucketCase& c : cases) {
        ValueBucket bucket(Smooth, Cutoff, 1.0f, 100.0f);
        c.act(bucket);
        EXPECT_NEAR(c.value, bucket.getValue(), 1e-4f) << c.what;
        EXPECT_NEAR(c.bucket, bucket.getBucket(), 1e-4f) << c.what;
        EXPECT_NEAR(c.increment, bucket.getValueIncrement(), 1e-4f) << c.what;
    }
}

TEST(ValueBucket, StartsAtZeroBroughtWithinItsLimits)
{
    EXPECT_EQ(1.0f, ValueBucket(Smooth, Cutoff, 1.0f, 100.0f).getValue());
    EXPECT_EQ(0.0f, ValueBucket(Smooth, Cutoff, -85.0f, 85.0f).getValue());
    EXPECT_EQ(0.0f, ValueBucket(Smooth, Cutoff, 0.0f, 1.0f).getValue());
    ValueBucket unlimited(Smooth, Cutoff);
    EXPECT_FALSE(unlimited.hasMinimum());
    EXPECT_FALSE(unlimited.hasMaximum());
}

TEST(ValueBucket, LimitsItsSettings)
{
    ValueBucket bucket(Smooth, Cutoff);
    bucket.setSmooth(0.0f);
    EXPECT_EQ(std::numeric_limits<float>::epsilon(), bucket.getSmooth());
    bucket.setSmooth(2.0f);
    EXPECT_EQ(1.0f, bucket.getSmooth());
    bucket.setSmoothCutoff(-1.0f);
    EXPECT_EQ(0.0f, bucket.getSmoothCutoff());

    // Without limits the other limit field is 0, and bounds the new one.
    bucket.setValue(-4.0f);
    bucket.setMinimum(5.0f);
    EXPECT_EQ(0.0f, bucket.getMinimum());
    EXPECT_EQ(0.0f, bucket.getValue());
}

TEST(ValueBucket, ASmoothOfOneKeepsTheValueStill)
{
    ValueBucket bucket(1.0f, Cutoff);
    bucket.addToBucket(3.0f);
    bucket.transfer(10.0f);
    EXPECT_EQ(0.0f, bucket.getValue());
    EXPECT_EQ(3.0f, bucket.getBucket());
}

} // namespace
