#include "audio/GainControlSound.h"

#include "platform/AlSound.h"

#include <algorithm>

namespace tolva {

GainControlSound::GainControlSound(const std::string& name, const std::string& fileName)
    : Sound(name, fileName)
    , mLayer(getLayerSound())
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
    // Straight to the layer sound, which every sound's own setters forward to: this runs for
    // every gain-controlled sound in every frame.
    al::Sound& layer = *mLayer;
    // The gain is taken as a normalised one, between the minimum and the maximum gain; not a
    // number counts as silence.
    const float minimum = layer.getMinGain();
    const float maximum = layer.getMaxGain();
    const float gain = maximum * ratio;
    const float normalised = gain > 1.0f ? 1.0f : (gain > 0.0f ? gain : 0.0f);
    layer.setGain(minimum + normalised * (maximum - minimum));
    if (ratio <= 0.0f) {
        if (layer.isPlaying()) {
            layer.stop();
        }
    } else if (!layer.isPlaying()) {
        layer.play();
    } else if (layer.isFading()) {
        layer.cancelFade();
    }
}

} // namespace tolva
