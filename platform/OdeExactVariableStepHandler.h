// Steps a world with a fixed step size inside variable frame times: each frame's time (capped
// at the maximum interval and scaled by the time scale) is added to an accumulator, and as many
// whole steps as it holds are taken. The remainder carries over to the next frame.
#pragma once

namespace tolva::ode {

class StepListener;
class World;

class ExactVariableStepHandler {
public:
    enum StepMode { STEP_BASIC = 0, STEP_QUICK = 1 };

    /// @param stepSize seconds per fixed step
    /// @param maxInterval the longest frame time taken into account, in seconds
    /// @throws InvalidArgumentException when the step size is not positive and finite, or the
    ///         maximum interval or time scale is negative or not finite
    ExactVariableStepHandler(World* world, int stepMode, float stepSize, float maxInterval, float timeScale);
    ExactVariableStepHandler(const ExactVariableStepHandler&) = delete;
    ExactVariableStepHandler& operator=(const ExactVariableStepHandler&) = delete;

    void setStepListener(StepListener* listener) { mListener = listener; }

    /// Takes the whole steps the frame's time allows: for each, the listener's preStep, the
    /// collision pass, middleStep, the integration and postStep.
    /// @return whether at least one step was taken
    bool step(float frameSeconds);

    /// @throws InvalidArgumentException when the step size is not positive and finite
    void setStepSize(float stepSize);
    float getStepSize() const { return mStepSize; }
    float getMaxInterval() const { return mMaxInterval; }
    float getTimeScale() const { return mTimeScale; }
    /// Whether the handler is inside step(): contacts then become constraints.
    bool isStepping() const { return mStepping; }

private:
    World* mWorld;
    StepListener* mListener = nullptr;
    bool mQuick;
    float mStepSize;
    float mMaxInterval;
    float mTimeScale;
    double mAccumulator = 0.0;
    bool mStepping = false;
};

} // namespace tolva::ode
