// A whole sound file decoded into one OpenAL buffer. The sound manager keeps one per file name
// while any sound uses it, so sounds of the same file share their samples.
#pragma once

#include <AL/al.h>

#include <string>

namespace tolva::al {

class OggDecoder;

class SampleBuffer {
public:
    /// Decodes everything the decoder holds.
    /// @throw SoundException when OpenAL refuses the samples
    SampleBuffer(OggDecoder& decoder, const std::string& fileName);
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
