// The interface of whoever wants to hear what a sound does: connected to a sound's listener
// holder (Sound::interfaceListener), it is told when the sound loops, finishes or passes one of
// the offsets it watches. Scripts implement it; the engine itself calls soundLooped,
// soundFinished and soundAtOffset, while soundPlaying, soundPaused and soundStopped belong to the
// interface for scripts' own use.
#pragma once

#include "platform/AlSound.h"

namespace tolva {

class _SoundListener : public al::Sound::Listener {
public:
    ~_SoundListener() override = default;

    // The layer's calls with the sound; only the offsets reach this interface.
    using al::Sound::Listener::soundLooped;
    using al::Sound::Listener::soundStopped;
    void soundAtOffset(al::Sound* sound, float offset, float position) override { soundAtOffset(offset, position); }

    virtual void soundPlaying() = 0;
    virtual void soundPaused() = 0;
    virtual void soundLooped() = 0;
    virtual void soundStopped() = 0;
    virtual void soundFinished() = 0;
    /// Playback passed a watched offset.
    /// @param offset the watched offset, in seconds
    /// @param position where playback stood when it was noticed, in seconds
    virtual void soundAtOffset(float offset, float position) = 0;

    /// Watches an offset (seconds into the sound), unless an equal one is watched already.
    void addSoundOffset(float offset);
    /// Stops watching the first equal offset; none is not an error.
    void removeSoundOffset(float offset);
};

} // namespace tolva
