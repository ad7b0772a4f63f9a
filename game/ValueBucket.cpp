#include "game/ValueBucket.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Engine.h"

namespace tolva {

namespace {

const float LowestLimit = std::numeric_limits<float>::lowest();
const float HighestLimit = std::numeric_limits<float>::max();
const float SmallestSmooth = std::numeric_limits<float>::epsilon();

/// The upper bound first, then the lower one: a bound pair that crosses yields the lower bound.
float limit(float value, float lower, float upper)
{
    if (value > upper) {
        value = upper;
    }
    if (value < lower) {
        value = lower;
    }
    return value;
}

float engineTimeScale()
{
    const Engine* engine = Engine::getInstance();
    return engine ? engine->getTimeScale() : 1.0f;
}

} // namespace

ValueBucket::ValueBucket(float smooth, float smoothCutoff)
{
    setSmooth(smooth);
    setSmoothCutoff(smoothCutoff);
}

ValueBucket::ValueBucket(float smooth, float smoothCutoff, float minimum, float maximum)
    : mHasMinimum(true)
    , mHasMaximum(true)
    , mMinimum(minimum)
    , mMaximum(minimum)
{
    setSmooth(smooth);
    setSmoothCutoff(smoothCutoff);
    setMaximum(maximum);
    setValue(0.0f);
}

void ValueBucket::setValue(float value)
{
    if (mHasMinimum && value < mMinimum) {
        mValue = mMinimum;
    } else if (mHasMaximum && value > mMaximum) {
        mValue = mMaximum;
    } else {
        mValue = value;
    }
}

void ValueBucket::setMinimum(float minimum)
{
    mHasMinimum = true;
    mMinimum = limit(minimum, LowestLimit, mMaximum);
    setValue(mValue);
}

void ValueBucket::setMaximum(float maximum)
{
    mHasMaximum = true;
    mMaximum = limit(maximum, mMinimum, HighestLimit);
    setValue(mValue);
}

void ValueBucket::setSmooth(float smooth)
{
    mSmooth = limit(smooth, SmallestSmooth, 1.0f);
}

void ValueBucket::setSmoothCutoff(float cutoff)
{
    mSmoothCutoff = limit(cutoff, 0.0f, HighestLimit);
}

void ValueBucket::addToBucket(float amount)
{
    mBucket += amount;
    if (mHasMinimum && mBucket < 0.0f) {
        mBucket = std::max(mMinimum - mValue, std::min(mBucket, 0.0f));
    }
    if (mHasMaximum && mBucket > 0.0f) {
        mBucket = std::max(0.0f, std::min(mBucket, mMaximum - mValue));
    }
}

void ValueBucket::transfer(float seconds)
{
    if (mBucket == 0.0f || seconds <= 0.0f) {
        mValueIncrement = 0.0f;
        return;
    }
    // In double precision, so that many short frames decay the bucket as far as one long one.
    const float remaining
        = static_cast<float>(std::pow(static_cast<double>(mSmooth), static_cast<double>(seconds) / engineTimeScale()));
    const float old = mValue;
    setValue(mValue + (mBucket - mBucket * remaining));
    mValueIncrement = mValue - old;
    mBucket *= remaining;
    if (std::fabs(mBucket) < mSmoothCutoff) {
        mBucket = 0.0f;
    }
}

} // namespace tolva
