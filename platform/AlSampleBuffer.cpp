#include "platform/AlSampleBuffer.h"

#include "platform/AlOggDecoder.h"
#include "platform/AlSoundException.h"

namespace tolva::al {

SampleBuffer::SampleBuffer(const std::vector<char>& samples, const OggDecoder& decoder, const std::string& fileName)
    : mChannels(decoder.getChannels())
{
    if (samples.empty()) {
        throw SoundException("Sound file '" + fileName + "' holds no sound.");
    }
    alGetError();
    alGenBuffers(1, &mBuffer);
    alBufferData(
        mBuffer, decoder.getFormat(), samples.data(), static_cast<ALsizei>(samples.size()), decoder.getFrequency());
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &mBuffer);
        throw SoundException("Sound file '" + fileName + "' could not be handed to the sound device.");
    }
    // The decoded length, not the header's: a file cut short plays as far as it goes.
    mDuration = static_cast<float>(samples.size() / decoder.getBytesPerFrame()) / decoder.getFrequency();
}

SampleBuffer::~SampleBuffer()
{
    alDeleteBuffers(1, &mBuffer);
}

} // namespace tolva::al
