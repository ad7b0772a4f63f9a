#include "core/VectorSmoother.h"

#include <gtest/gtest.h>

namespace {

using Ogre::Vector3;

TEST(VectorSmoother, HoldsTheLastNAndSumsThem)
{
    tolva::VectorSmoother smoother(5);
    EXPECT_EQ(smoother.getVector(), Vector3::ZERO);
    for (int i = 1; i <= 7; ++i) {
        smoother.addVector(Vector3(static_cast<float>(i), 0, 1));
        EXPECT_EQ(smoother.isSmoothedVectorReady(), i >= 5) << i;
    }
    EXPECT_EQ(smoother.getQueueSize(), 5u);
    EXPECT_EQ(smoother.getVector(), Vector3(3 + 4 + 5 + 6 + 7, 0, 5));

    smoother.setSmoothingSize(2);
    EXPECT_EQ(smoother.getQueueSize(), 2u);
    EXPECT_TRUE(smoother.isSmoothedVectorReady());
    EXPECT_EQ(smoother.getVector(), Vector3(6 + 7, 0, 2));

    smoother.setSmoothingSize(0);
    EXPECT_EQ(smoother.getQueueSize(), 1u);
    EXPECT_FALSE(smoother.isSmoothedVectorReady());
    EXPECT_EQ(smoother.getVector(), Vector3(7, 0, 1));
    smoother.addVector(Vector3(9, 9, 9));
    EXPECT_EQ(smoother.getQueueSize(), 1u);
    EXPECT_EQ(smoother.getVector(), Vector3(9, 9, 9));
}

TEST(VectorSmoother, GrowingTheSizeKeepsWhatIsHeld)
{
    tolva::VectorSmoother smoother(2);
    smoother.addVector(Vector3(1, 0, 0));
    smoother.addVector(Vector3(2, 0, 0));
    smoother.setSmoothingSize(3);
    EXPECT_EQ(smoother.getQueueSize(), 2u);
    EXPECT_FALSE(smoother.isSmoothedVectorReady());
    smoother.addZeroVector();
    EXPECT_TRUE(smoother.isSmoothedVectorReady());
    EXPECT_EQ(smoother.getVector(), Vector3(3, 0, 0));
    smoother.flushQueue();
    EXPECT_EQ(smoother.getQueueSize(), 0u);
    EXPECT_EQ(smoother.getVector(), Vector3::ZERO);
}

TEST(VectorSmoother, UnitVectorNormalisesOnlyALengthThatIsThere)
{
    tolva::VectorSmoother smoother(2);
    smoother.addVector(Vector3(3, 0, 0));
    smoother.addVector(Vector3(0, 4, 0));
    const Vector3 unit = smoother.getUnitVector();
    EXPECT_FLOAT_EQ(unit.x, 0.6f);
    EXPECT_FLOAT_EQ(unit.y, 0.8f);

    smoother.addVector(Vector3(0, -4, 0)); // sum is now exactly zero
    EXPECT_EQ(smoother.getUnitVector(), Vector3::ZERO);
    smoother.addVector(Vector3(1e-9f, 4, 0)); // sum (1e-9, 0, 0): too short to normalise
    EXPECT_EQ(smoother.getUnitVector(), Vector3(1e-9f, 0, 0));
}

TEST(VectorSmoother, NegativeSizeCountsAsZero)
{
    tolva::VectorSmoother smoother(-3);
    EXPECT_EQ(smoother.getSmoothingSize(), 0u);
    for (int i = 0; i < 10; ++i) {
        smoother.addVector(Vector3(1, 1, 1));
    }
    EXPECT_EQ(smoother.getQueueSize(), 1u);
    EXPECT_EQ(smoother.getVector(), Vector3(1, 1, 1));
}

} // namespace
