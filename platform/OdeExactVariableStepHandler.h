// Steps a world with a fixed step size inside variable frame times: each frame's time (capped
// at the maximum interval and scaled by the time scale) is added to an accumulator, and as many
// whole steps as it holds are taken, up to MAX_STEPS_PER_FRAME. The remainder carries over to the
// next frame; time beyond the frame's last allowed step is dropped, so a frame never takes longer
// because earlier frames fell behind.
#pragma once

namespace tolva::ode {

class StepListener;
class World;

class ExactVariableStepHandler {
public:
    enum StepMode { STEP_BASIC = 0, STEP_QUICK = 1 };

    /// The most steps one frame takes.
    static constexpr unsigned int MAX_STEPS_PER_FRAME = 1000;
    /// The smallest step size (seconds): below it the integration's divisions by the step
    /// overflow, and no frame could simulate a useful time within its steps.
    static constexpr float MIN_STEP_SIZE = 1e-6f;

    /// @param stepSize seconds per fixed step
    /// @param maxInterval the longest frame time taken into account, in seconds
    /// @throws InvalidArgumentException when the step size is not finite or below MIN_STEP_SIZE,
    ///         or the maximum interval or time scale is negative or not finite
    ExactVariableStepHandler(World* world, int stepMode, float stepSize, float maxInterval, float timeScale);
    ExactVariableStepHandler(const ExactVariableStepHandler&) = delete;
    ExactVariableStepHandler& operator=(const ExactVariableStepHandler&) = delete;

    void setStepListener(StepListener* listener) { mListener = listener; }

    /// Takes the whole steps the frame's time allows: for each, the listener's preStep, the
    /// collision pass, middleStep, the integration and postStep.
    /// @return whether at least one step was taken
    bool step(float frameSeconds);

    /// @throws InvalidArgumentException when the step size is not finite or below MIN_STEP_SIZE
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
