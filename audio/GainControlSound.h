// A sound whose gain follows a control value every frame, and which starts and stops itself: it
// plays while enabled and the value is above 0, at a gain growing with the value up to the
// maximum gain control, and stops when the value falls to 0. Disabling it fades it out over half
// a second and leaves it alone from then on. Subclasses say what the control value is.
#pragma once

#include "audio/Sound.h"

namespace tolva {

class GainControlSound : public Sound {
public:
    /// Enabled, full gain at a control value of 1.
    GainControlSound(const std::string& name, const std::string& fileName);

    void frame(float seconds) override;
    bool needsFrames() const override { return true; }
    virtual float getGainControl() = 0;

    bool isEnabled() const { return mEnabled; }
    /// Disabling a playing sound fades it out over 0.5 s.
    void setEnabled(bool enabled);
    float getMaxGainControl() const { return mMaxGainControl; }
    /// The control value that gives full gain. Zero or less gives silence (there is no ratio).
    void setMaxGainControl(float value) { mMaxGainControl = value; }

private:
    // What a frame reads, together at the end of the object.
    bool mEnabled = true;
    float mMaxGainControl = 1.0f;
    /// The layer sound, which a sound keeps for its whole life.
    al::Sound* mLayer;
};

} // namespace tolva
