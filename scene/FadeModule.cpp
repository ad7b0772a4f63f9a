#include "scene/FadeModule.h"

#include <cmath>

namespace tolva {

FadeModule::FadeModule(float initial)
    : mCurrent(initial)
    , mStart(initial)
    , mTarget(initial)
{
}

void FadeModule::fade(float duration, float target, unsigned int tag)
{
    mStart = mCurrent;
    start(duration, target, tag);
}

void FadeModule::fade(float duration, float from, float to, unsigned int tag)
{
    mCurrent = from;
    mStart = from;
    start(duration, to, tag);
}

void FadeModule::start(float duration, float target, unsigned int tag)
{
    mDuration = std::isfinite(duration) ? std::fabs(duration) : 0.0f;
    mElapsed = 0.0f;
    mTarget = target;
    mDelta = target - mStart;
    mTag = tag;
    // Dividing by a zero duration in frame() would deliver NaN; a fade that takes no time is at
    // its target at once.
    if (mDuration == 0.0f) {
        mCurrent = target;
        performFade(mCurrent);
    }
}

void FadeModule::frame(float seconds)
{
    if (!isFadeRunning()) {
        return;
    }
    mElapsed = std::fmin(mElapsed + seconds, mDuration);
    if (!(mElapsed > 0.0f)) {
        mElapsed = 0.0f;
    }
    // The last step is the target itself, not start + delta, which may round off it.
    mCurrent = mElapsed == mDuration ? mTarget : mStart + mDelta * mElapsed / mDuration;
    performFade(mCurrent);
}

} // namespace tolva
