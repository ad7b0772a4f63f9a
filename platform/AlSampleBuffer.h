// A whole sound file decoded into one OpenAL buffer. The sound manager keeps one per file name
// while any sound uses it, so sounds of the same file share their samples.
#pragma once

#include <AL/al.h>

#include <string>
#include <vector>

namespace tolva::al {

class OggDecoder;

class SampleBuffer {
public:
    /// Holds samples the decoder decoded (its format and frequency).
    /// @throw SoundException when there are none or OpenAL refuses them
    SampleBuffer(const std::vector<char>& samples, const OggDecoder& decoder, const std::string& fileName);
    /// The buffer must be attached to no source any more.
    ~SampleBuffer();
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;

    ALuint getBuffer() const { return mBuffer; }
    /// Seconds of sound.
    float getDuration() const { return mDuration; }
    int getChannels() const { return mChannels; }

private:
    ALuint mBuffer = 0;
    float mDuration = 0.0f;
    int mChannels = 0;
};

} // namespace tolva::al
