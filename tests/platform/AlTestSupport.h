// Sound-layer tests on OpenAL Soft's loopback device: every sample the layer mixes is rendered on
// demand, so what a test hears is exact and needs no sound card and no waiting.
#pragma once

#include "platform/AlSoundManager.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tolva::test {

/// A sound made by the build (tools/soundgen): "tone-mono-1s" (440 Hz, 1 s, amplitude 0.5),
/// "tone-mono-short" (0.25 s), "tone-low-mono-1s" (220 Hz), "tone-stereo-1s", "tone-mono-long"
/// (12 s, streamed).
inline std::string soundFile(const std::string& name)
{
    return std::string(TOLVA_TREE_DIR) + "/tests/sounds/" + name + ".ogg";
}

/// Renders the loopback mix in steps and runs a frame after each step: the manager's update, or
/// whatever frame the test gives (the engine's and the audio module's).
class LoopbackListening {
public:
    explicit LoopbackListening(al::SoundManager& manager, std::function<void(float)> frame = nullptr)
        : mManager(manager)
        , mFrame(frame ? std::move(frame) : [&manager](float seconds) { manager.update(seconds); })
    {
    }

    /// Renders `seconds` of sound in steps of `step` seconds, updating after each step.
    /// @return the root mean square of every step, in order
    std::vector<float> listen(float seconds, float step = 0.05f)
    {
        std::vector<float> levels;
        const int stepFrames = static_cast<int>(std::lround(step * mManager.getFrequency()));
        std::vector<float> samples(2 * static_cast<size_t>(stepFrames));
        for (float done = 0.0f; done + step / 2 < seconds; done += step) {
            mManager.renderSamples(samples.data(), stepFrames);
            double sum = 0.0;
            for (float sample : samples) {
                sum += static_cast<double>(sample) * sample;
            }
            levels.push_back(static_cast<float>(std::sqrt(sum / samples.size())));
            mFrame(step);
        }
        return levels;
    }

    /// The level of `seconds` of sound.
    float level(float seconds)
    {
        const std::vector<float> levels = listen(seconds, seconds);
        return levels.empty() ? 0.0f : levels.front();
    }

private:
    al::SoundManager& mManager;
    std::function<void(float)> mFrame;
};

} // namespace tolva::test
