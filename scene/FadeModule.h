// A float value faded linearly over a given time. Every frame of a running fade hands the new
// value to the subclass (the music manager fades its volume this way). A fade started while
// another runs replaces it and begins where the value stands. The caller's tag is kept with the
// running fade so a subclass can tell its fades apart; it is not interpreted here.
#pragma once

#include "core/EngineModule.h"

namespace tolva {

class FadeModule : public EngineModule {
public:
    explicit FadeModule(float initial);

    void initialise() override { }
    /// Advances a running fade by the frame time (seconds; a negative time moves it back, never
    /// before its beginning) and hands the new value to performFade. The last frame of a fade
    /// delivers exactly the target.
    void frame(float seconds) override;
    void shutdown() override { }

    /// Fades from the current value to the target over the duration (seconds, sign ignored). A
    /// duration of zero (or not a number) ends the fade at once: the target is handed to
    /// performFade right away.
    void fade(float duration, float target, unsigned int tag);
    /// Fades from the given value to the target.
    void fade(float duration, float from, float to, unsigned int tag);
    bool isFadeRunning() const { return mElapsed != mDuration; }

protected:
    /// Applies a new value.
    virtual void performFade(float value) = 0;

    float getCurrentValue() const { return mCurrent; }
    unsigned int getFadeTag() const { return mTag; }

private:
    void start(float duration, float target, unsigned int tag);

    float mDuration = 0.0f;
    float mElapsed = 0.0f;
    float mCurrent;
    float mStart;
    float mTarget;
    float mDelta = 0.0f;
    unsigned int mTag = 0;
};

} // namespace tolva
