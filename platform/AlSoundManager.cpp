#include "platform/AlSoundManager.h"

#include "core/LogLine.h"
#include "core/ResourceLocator.h"
#include "platform/AlOggDecoder.h"
#include "platform/AlSampleBuffer.h"
#include "platform/AlSoundException.h"

#include <OgreException.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tolva::al {

namespace {

const int DefaultFrequency = 44100;

/// Whether a watched offset lies in the stretch of playback from `from` to `to`, which wraps
/// round the end of the sound when `to` is before `from`.
bool passed(float offset, float from, float to)
{
    if (from <= to) {
        return offset > from && offset <= to;
    }
    return offset > from || offset <= to;
}

} // namespace

SoundManager::SoundManager(const std::string& device, int maxSources)
{
    mDevice = alcOpenDevice(device.empty() ? nullptr : device.c_str());
    if (!mDevice) {
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR,
            "No sound device could be opened" + (device.empty() ? std::string() : " ('" + device + "')") + ".",
            "tolva::al::SoundManager");
    }
    const ALCint attributes[] = {ALC_MONO_SOURCES, maxSources, ALC_STEREO_SOURCES, 1, 0};
    createContext(attributes, maxSources);
    ALCint frequency = 0;
    alcGetIntegerv(mDevice, ALC_FREQUENCY, 1, &frequency);
    mFrequency = frequency > 0 ? frequency : DefaultFrequency;
    const ALCchar* name = alcGetString(mDevice, ALC_DEVICE_SPECIFIER);
    mDeviceName = name ? name : "";
    const char* drivers = std::getenv("ALSOFT_DRIVERS");
    if (drivers && std::strncmp(drivers, "null", 4) == 0) {
        logLine("Sound device: OpenAL Soft's null backend; sound is mixed and heard nowhere.");
    } else {
        logLine("Sound device: " + mDeviceName);
    }
}

SoundManager::SoundManager(Output output, int frequency, int maxSources)
    : mOutput(output)
{
    openLoopback(frequency, maxSources);
    mDeviceName = "loopback";
}

std::unique_ptr<SoundManager> SoundManager::createLoopback(int frequency, int maxSources)
{
    return std::unique_ptr<SoundManager>(new SoundManager(Output::Loopback, frequency, maxSources));
}

void SoundManager::openLoopback(int frequency, int maxSources)
{
    auto openDevice
        = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    mRenderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") || !openDevice || !mRenderSamples) {
        OGRE_EXCEPT(
            Ogre::Exception::ERR_RENDERINGAPI_ERROR, "OpenAL offers no loopback device.", "tolva::al::SoundManager");
    }
    mDevice = openDevice(nullptr);
    if (!mDevice) {
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR, "OpenAL's loopback device cannot be opened.",
            "tolva::al::SoundManager");
    }
    mFrequency = frequency;
    // No head-related filtering and no limiter: the mix is exactly the sources' samples times
    // their gains, which tests rely on.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
        ALC_FREQUENCY, frequency, ALC_HRTF_SOFT, ALC_FALSE, ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE, ALC_MONO_SOURCES,
        maxSources, ALC_STEREO_SOURCES, 1, 0};
    createContext(attributes, maxSources);
}

void SoundManager::createContext(const ALCint* attributes, int maxSources)
{
    mContext = alcCreateContext(mDevice, attributes);
    if (!mContext || !alcMakeContextCurrent(mContext)) {
        if (mContext) {
            alcDestroyContext(mContext);
        }
        alcCloseDevice(mDevice);
        mContext = nullptr;
        mDevice = nullptr;
        OGRE_EXCEPT(
            Ogre::Exception::ERR_RENDERINGAPI_ERROR, "An OpenAL context cannot be created.", "tolva::al::SoundManager");
    }
    alGetError();
    for (int i = 0; i < maxSources; ++i) {
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) {
            logWarning("Warning: The sound device offers only " + std::to_string(i) + " of the "
                + std::to_string(maxSources) + " sound sources asked for.");
            break;
        }
        mSources.push_back(source);
    }
    // Reserved once, so that taking and giving back sources never allocates.
    mFreeSources.assign(mSources.rbegin(), mSources.rend());
    mActive.reserve(mSources.size());
    mEvents.reserve(64);
    mListener.reset(new Listener());
}

SoundManager::~SoundManager()
{
    reportRefusedPlays();
    while (!mSounds.empty()) {
        delete mSounds.back();
    }
    mListener.reset();
    mBuffers.clear();
    if (!mSources.empty()) {
        alDeleteSources(static_cast<ALsizei>(mSources.size()), mSources.data());
    }
    if (alcGetCurrentContext() == mContext) {
        alcMakeContextCurrent(nullptr);
    }
    alcDestroyContext(mContext);
    alcCloseDevice(mDevice);
}

// ---------------------------------------------------------------------------------------------
// Sounds

Sound* SoundManager::createSound(const std::string& name, const std::string& fileName, bool loop, bool stream)
{
    std::shared_ptr<SampleBuffer> buffer;
    if (!stream) {
        auto cached = mBuffers.find(fileName);
        if (cached != mBuffers.end()) {
            buffer = cached->second.lock();
        }
    }
    std::unique_ptr<OggDecoder> decoder;
    if (!buffer) {
        decoder = openDecoder(fileName);
        if (!stream && decoder->getDuration() <= StreamThreshold) {
            // The length the file states may be wrong: what it decodes to decides, so that a file
            // claiming to be short is not held whole however long it is.
            std::vector<char> samples;
            const size_t limit = static_cast<size_t>(StreamThreshold * static_cast<float>(decoder->getFrequency()))
                * static_cast<size_t>(decoder->getBytesPerFrame());
            if (decoder->readAll(samples, limit)) {
                buffer = std::make_shared<SampleBuffer>(samples, *decoder, fileName);
                mBuffers[fileName] = buffer;
                decoder.reset();
            } else {
                logWarning("Warning: Sound file '" + fileName + "' holds more sound than it states; it is streamed.");
                decoder = openDecoder(fileName);
            }
        }
    }
    Sound* sound = new Sound(this, name, fileName, std::move(buffer), std::move(decoder), loop);
    mSounds.push_back(sound);
    return sound;
}

std::unique_ptr<OggDecoder> SoundManager::openDecoder(const std::string& fileName)
{
    Ogre::DataStreamPtr data = ResourceLocator::open(fileName);
    if (!data) {
        throw SoundException("Sound file '" + fileName + "' was not found.");
    }
    return std::make_unique<OggDecoder>(data, fileName);
}

void SoundManager::destroySound(Sound* sound)
{
    if (!sound) {
        return;
    }
    if (std::find(mSounds.begin(), mSounds.end(), sound) == mSounds.end()) {
        logWarning("Warning: Attempt to destroy a sound that the sound manager does not hold.");
        return;
    }
    delete sound;
}

void SoundManager::forgetSound(Sound* sound)
{
    if (sound->mSource) {
        releaseSource(sound);
    }
    for (Sound::Event& event : mEvents) {
        if (event.sound == sound) {
            event.sound = nullptr;
        }
    }
    if (mNotified == sound) {
        mNotified = nullptr;
    }
    mSounds.erase(std::remove(mSounds.begin(), mSounds.end(), sound), mSounds.end());
}

bool SoundManager::acquireSource(Sound* sound)
{
    if (mFreeSources.empty()) {
        if (!sound->mPoolWarned) {
            sound->mPoolWarned = true;
            if (mRefusedPlays++ == 0) {
                mFirstRefused = sound->getFileName();
            }
        }
        return false;
    }
    sound->mPoolWarned = false;
    sound->mSource = mFreeSources.back();
    mFreeSources.pop_back();
    sound->mActiveIndex = mActive.size();
    mActive.push_back({sound});
    return true;
}

void SoundManager::reportRefusedPlays()
{
    if (mRefusedPlays == 0) {
        return;
    }
    // One line however many sounds failed: a level with more sounds than sources would otherwise
    // write one for each.
    logWarning("Warning: Every sound source is in use; " + std::to_string(mRefusedPlays)
        + (mRefusedPlays == 1 ? " sound" : " sounds") + " could not play (the first: sound file '" + mFirstRefused
        + "').");
    mRefusedPlays = 0;
    mFirstRefused.clear();
}

void SoundManager::releaseSource(Sound* sound)
{
    alSourceStop(sound->mSource);
    alSourcei(sound->mSource, AL_BUFFER, 0);
    mFreeSources.push_back(sound->mSource);
    sound->mSource = 0;
    mActive[sound->mActiveIndex] = mActive.back();
    mActive[sound->mActiveIndex].sound->mActiveIndex = sound->mActiveIndex;
    mActive.pop_back();
}

// ---------------------------------------------------------------------------------------------
// Update

void SoundManager::update(float seconds)
{
    if (mUpdating) {
        return;
    }
    // Whatever a callback throws, the manager is ready for the next update.
    struct Reset {
        SoundManager& manager;
        ~Reset()
        {
            manager.mEvents.clear();
            manager.mNotified = nullptr;
            manager.mUpdating = false;
        }
    } reset{*this};
    mUpdating = true;
    reportRefusedPlays();
    if (!(seconds >= 0.0f) || !std::isfinite(seconds)) {
        seconds = 0.0f;
    }
    mListener->update();
    // Backwards, because a sound that ends leaves the list by swapping the last one into its
    // place, and the last one has been updated already.
    for (size_t i = mActive.size(); i-- > 0;) {
        Active& active = mActive[i];
        if (active.follows) {
            const Ogre::Vector3& position = active.follows->_getDerivedPosition();
            if (position != active.sent) {
                active.sent = position;
                alSource3f(active.source, AL_POSITION, position.x, position.y, position.z);
            }
        } else {
            active.sound->update(seconds, mEvents);
        }
    }
    for (size_t i = 0; i < mEvents.size(); ++i) {
        if (mEvents[i].sound) {
            notify(mEvents[i]);
        }
    }
}

void SoundManager::notify(const Sound::Event& event)
{
    Sound* sound = event.sound;
    mNotified = sound;
    struct Scope {
        SoundManager& manager;
        Sound* sound;
        ~Scope()
        {
            if (manager.mNotified == sound && --sound->mNotifying == 0) {
                sound->sweepListeners();
            }
            manager.mNotified = nullptr;
        }
    } scope{*this, sound};
    ++sound->mNotifying;

    for (size_t i = 0; mNotified && i < sound->mListeners.size(); ++i) {
        Sound::Listener* listener = sound->mListeners[i];
        if (!listener) {
            continue;
        }
        switch (event.kind) {
        case Sound::EventKind::Finished:
            listener->soundStopped(sound);
            break;
        case Sound::EventKind::Looped:
            listener->soundLooped(sound);
            break;
        case Sound::EventKind::Offsets:
            // By index: the call may edit the offsets, remove the listener or destroy either.
            for (size_t k = 0; k < listener->mWatchedOffsets.size(); ++k) {
                const float offset = listener->mWatchedOffsets[k];
                if (passed(offset, event.from, event.to)) {
                    listener->soundAtOffset(sound, offset, event.to);
                    if (!mNotified || sound->mListeners[i] != listener) {
                        break;
                    }
                }
            }
            break;
        }
    }
    if (!mNotified || event.kind == Sound::EventKind::Offsets) {
        return;
    }
    // A copy: the handler may destroy the sound and with it the handler itself.
    const Sound::Handler handler
        = event.kind == Sound::EventKind::Finished ? sound->mFinishedHandler : sound->mLoopHandler;
    if (handler) {
        handler(sound);
    }
}

void SoundManager::renderSamples(float* out, int frames)
{
    if (mOutput != Output::Loopback || frames <= 0) {
        return;
    }
    mRenderSamples(mDevice, out, frames);
}

} // namespace tolva::al
