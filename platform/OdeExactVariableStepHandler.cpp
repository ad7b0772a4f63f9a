#include "platform/OdeExactVariableStepHandler.h"

#include "core/Exceptions.h"
#include "platform/OdeStepListener.h"
#include "platform/OdeWorld.h"

#include <algorithm>
#include <cmath>

namespace tolva::ode {

namespace {

void checkStepSize(float stepSize)
{
    if (!(stepSize >= ExactVariableStepHandler::MIN_STEP_SIZE) || !std::isfinite(stepSize)) {
        throw InvalidArgumentException("The physics step size must be finite and at least 1e-6 seconds.");
    }
}

} // namespace

ExactVariableStepHandler::ExactVariableStepHandler(
    World* world, int stepMode, float stepSize, float maxInterval, float timeScale)
    : mWorld(world)
    , mQuick(stepMode == STEP_QUICK)
    , mStepSize(stepSize)
    , mMaxInterval(maxInterval)
    , mTimeScale(timeScale)
{
    checkStepSize(stepSize);
    if (!(maxInterval >= 0.0f) || !std::isfinite(maxInterval)) {
        throw InvalidArgumentException("The physics maximum interval must not be negative.");
    }
    if (!(timeScale >= 0.0f) || !std::isfinite(timeScale)) {
        throw InvalidArgumentException("The physics time scale must not be negative.");
    }
}

void ExactVariableStepHandler::setStepSize(float stepSize)
{
    checkStepSize(stepSize);
    mStepSize = stepSize;
}

bool ExactVariableStepHandler::step(float frameSeconds)
{
    if (!std::isfinite(frameSeconds)) {
        frameSeconds = 0.0f;
    }
    mAccumulator += double(std::clamp(frameSeconds, 0.0f, mMaxInterval)) * mTimeScale;
    // Frame times are floats; a frame of exactly one step must not miss it by a rounding error.
    const double step = mStepSize;
    const double tolerance = step * 1e-4;
    bool stepped = false;
    unsigned int steps = 0;
    mStepping = true;
    while (mAccumulator + tolerance >= step) {
        if (steps == MAX_STEPS_PER_FRAME) {
            mAccumulator = std::fmod(mAccumulator, step);
            break;
        }
        ++steps;
        if (mListener) {
            mListener->preStep(mStepSize);
        }
        mWorld->collideForStep();
        if (mListener) {
            mListener->middleStep(mStepSize);
        }
        mWorld->integrate(mStepSize, mQuick);
        if (mListener) {
            mListener->postStep(mStepSize);
        }
        mAccumulator = std::max(0.0, mAccumulator - step);
        stepped = true;
    }
    mStepping = false;
    return stepped;
}

} // namespace tolva::ode
