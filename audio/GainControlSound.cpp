#include "audio/GainControlSound.h"

#include <algorithm>

namespace tolva {

GainControlSound::GainControlSound(const std::string& name, const std::string& fileName)
    : Sound(name, fileName)
{
}

void GainControlSound::setEnabled(bool enabled)
{
    if (mEnabled && !enabled && isPlaying()) {
        fadeOut(0.5f);
    }
    mEnabled = enabled;
}

void GainControlSound::frame(float seconds)
{
    Sound::frame(seconds);
    if (!mEnabled) {
        return;
    }
    float ratio = 0.0f;
    // A maximum of zero or less would divide by zero; not-a-number values fail both tests.
    const float value = getGainControl();
    if (mMaxGainControl > 0.0f && value > 0.0f) {
        ratio = std::min(value, mMaxGainControl) / mMaxGainControl;
    }
    setGain(getMaxGain() * ratio);
    if (ratio <= 0.0f) {
        if (isPlaying()) {
            stop();
        }
    } else if (!isPlaying()) {
        play();
    } else if (isFading()) {
        cancelFade();
    }
}

} // namespace tolva
