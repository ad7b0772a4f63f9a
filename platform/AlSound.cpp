#include "platform/AlSound.h"

#include "core/LogLine.h"
#include "platform/AlOggDecoder.h"
#include "platform/AlSampleBuffer.h"
#include "platform/AlSoundManager.h"

#include <OgreNode.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolva::al {

namespace {

bool isNonNegative(float value)
{
    return value >= 0.0f && std::isfinite(value);
}

/// A name of its own for the movable object: the sound's name is a label that several sounds
/// may share.
std::string movableName(const std::string& name)
{
    static unsigned long counter = 0;
    return "tolva.al.Sound#" + std::to_string(++counter) + (name.empty() ? "" : ":" + name);
}

} // namespace

/// A streamed sound's decoder and the few buffers that take turns in the source's queue.
struct Sound::Stream {
    static const int BufferCount = 4;
    /// A stretch of the file in one queued buffer.
    struct Piece {
        float start;
        float seconds;
    };

    std::unique_ptr<OggDecoder> decoder;
    ALuint buffers[BufferCount] = {};
    /// The queued pieces, oldest first, as a ring.
    Piece pieces[BufferCount] = {};
    int first = 0;
    int count = 0;
    std::vector<char> chunk;
    /// File position of the next decoded piece, in seconds.
    float decodePosition = 0.0f;
    /// The decoder reached the end and the sound does not loop.
    bool exhausted = false;

    const Piece& piece(int index) const { return pieces[(first + index) % BufferCount]; }
    void push(float start, float seconds)
    {
        pieces[(first + count) % BufferCount] = {start, seconds};
        ++count;
    }
    void pop()
    {
        first = (first + 1) % BufferCount;
        --count;
    }
};

// ---------------------------------------------------------------------------------------------
// Listener

Sound::Listener::~Listener()
{
    for (Sound* sound : std::vector<Sound*>(mSounds)) {
        sound->removeListener(this);
    }
}

// ---------------------------------------------------------------------------------------------
// Construction

Sound::Sound(SoundManager* manager, const std::string& name, const std::string& fileName,
    std::shared_ptr<SampleBuffer> buffer, std::unique_ptr<OggDecoder> decoder, bool loop)
    : InvisibleMovableObject(movableName(name), "TolvaAlSound")
    , mLoop(loop)
    , mManager(manager)
    , mFileName(fileName)
    , mBuffer(std::move(buffer))
    , mMaxDistance(std::numeric_limits<float>::max())
{
    if (decoder) {
        mStream = std::make_unique<Stream>();
        // About a quarter of a second per buffer: a second of sound queued ahead of playback.
        const size_t frames = static_cast<size_t>(decoder->getFrequency() / 4);
        mStream->chunk.resize(frames * decoder->getBytesPerFrame());
        mStream->decoder = std::move(decoder);
        alGenBuffers(Stream::BufferCount, mStream->buffers);
    }
    refreshQuiet();
}

Sound::~Sound()
{
    mManager->forgetSound(this);
    for (Listener* listener : mListeners) {
        if (listener) {
            auto& sounds = listener->mSounds;
            sounds.erase(std::remove(sounds.begin(), sounds.end(), this), sounds.end());
        }
    }
    if (mStream) {
        alDeleteBuffers(Stream::BufferCount, mStream->buffers);
    }
}

void Sound::_notifyAttached(Ogre::Node* parent, bool isTagPoint)
{
    takeBackPlacement();
    InvisibleMovableObject::_notifyAttached(parent, isTagPoint);
    mNode = parent;
    // The next update sends the new node's position even if it happens to equal the old one.
    mPositionSent = false;
}

void Sound::warn(const std::string& what) const
{
    logWarning("Warning: " + what + " (sound file '" + mFileName + "').");
}

// ---------------------------------------------------------------------------------------------
// Playback

bool Sound::play()
{
    if (mState == State::Playing) {
        return true;
    }
    if (mState == State::Paused) {
        alSourcePlay(mSource);
        mState = State::Playing;
        return true;
    }
    if (!mManager->acquireSource(this)) {
        return false;
    }
    configureSource();
    if (mStream) {
        restartStream(mStartOffset);
    } else {
        alSourcei(mSource, AL_BUFFER, static_cast<ALint>(mBuffer->getBuffer()));
        if (mStartOffset > 0.0f) {
            alSourcef(mSource, AL_SEC_OFFSET, mStartOffset);
        }
    }
    mLastOffset = mStartOffset;
    alSourcePlay(mSource);
    mState = State::Playing;
    return true;
}

bool Sound::pause()
{
    if (mState != State::Playing) {
        return false;
    }
    takeBackPlacement();
    alSourcePause(mSource);
    mState = State::Paused;
    return true;
}

bool Sound::stop()
{
    if (mState != State::Playing && mState != State::Paused) {
        return false;
    }
    endPlayback();
    return true;
}

void Sound::endPlayback()
{
    takeBackPlacement();
    if (mSource) {
        mManager->releaseSource(this);
    }
    if (mStream) {
        mStream->first = 0;
        mStream->count = 0;
    }
    mState = State::Stopped;
    if (mEndUnseen) {
        mEndUnseen = false;
        refreshQuiet();
    }
    mStartOffset = 0.0f;
    mLastOffset = 0.0f;
    mFade = 1.0f;
    mFadeRate = 0.0f;
}

void Sound::configureSource()
{
    alSourcef(mSource, AL_PITCH, mPitch);
    alSourcef(mSource, AL_MAX_DISTANCE, mMaxDistance);
    alSourcef(mSource, AL_ROLLOFF_FACTOR, mRolloffFactor);
    alSourcef(mSource, AL_REFERENCE_DISTANCE, mReferenceDistance);
    alSourcei(mSource, AL_SOURCE_RELATIVE, mRelative ? AL_TRUE : AL_FALSE);
    // A streamed sound loops by decoding the file again; its source must run out at the end of
    // its queue instead.
    alSourcei(mSource, AL_LOOPING, mLoop && !mStream ? AL_TRUE : AL_FALSE);
    applyGain();
    mPositionSent = false;
    if (mRelative) {
        alSource3f(mSource, AL_POSITION, 0.0f, 0.0f, 0.0f);
    } else if (mNode) {
        updatePosition();
    } else {
        alSource3f(mSource, AL_POSITION, mPosition.x, mPosition.y, mPosition.z);
        mPositionSent = true;
    }
}

void Sound::applyGain()
{
    if (!mSource) {
        return;
    }
    const float factor = mGainScale * mFade;
    alSourcef(mSource, AL_GAIN, mGain * factor);
    // OpenAL clamps the final gain into [minimum, maximum]: unscaled, a minimum above zero would
    // keep a muted category or a finished fade-out audible.
    alSourcef(mSource, AL_MIN_GAIN, mMinGain * factor);
    alSourcef(mSource, AL_MAX_GAIN, mMaxGain * factor);
}

void Sound::updatePlayback(float seconds, std::vector<Event>& events)
{
    if (mFadeRate != 0.0f) {
        mFade += mFadeRate * seconds;
        if (mFade >= 1.0f) {
            mFade = 1.0f;
            mFadeRate = 0.0f;
        } else if (mFade <= 0.0f) {
            endPlayback();
            return;
        }
        applyGain();
    }
    if (mQuiet) {
        mLastOffset = -1.0f;
    } else if (mStream) {
        updateStream(events);
    } else {
        updateStatic(events);
    }
}

void Sound::handOverPlacement()
{
    SoundManager::Active& active = mManager->mActive[mActiveIndex];
    active.follows = mNode;
    active.source = mSource;
    active.sent = mPosition;
}

void Sound::takeBackPlacement()
{
    if (!mSource) {
        return;
    }
    SoundManager::Active& active = mManager->mActive[mActiveIndex];
    if (active.follows) {
        mPosition = active.sent;
        active.follows = nullptr;
    }
}

void Sound::updatePosition()
{
    if (!mRelative && mNode) {
        sendPosition(mNode->_getDerivedPosition());
    }
}

bool Sound::hasWatchedOffsets() const
{
    for (const Listener* listener : mListeners) {
        if (listener && !listener->mWatchedOffsets.empty()) {
            return true;
        }
    }
    return false;
}

void Sound::updateStatic(std::vector<Event>& events)
{
    const bool watched = hasWatchedOffsets();
    const bool follow = followsOffset(watched);
    const bool endUnseen = mEndUnseen;
    if (endUnseen) {
        mEndUnseen = false;
        refreshQuiet();
    }
    // A looping source never ends by itself: unless someone hears of its loops it needs no look.
    if (mLoop && !follow && !endUnseen) {
        return;
    }
    ALint state = AL_PLAYING;
    alGetSourcei(mSource, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED) {
        finish(watched, events);
        return;
    }
    if (follow) {
        trackOffset(readSourceOffset(), watched, events);
    }
}

bool Sound::followsOffset(bool watched)
{
    // The source's clock is a locked call: it is read only when someone hears of loops or
    // offsets. Otherwise the position is unknown until it is read again.
    if (watched || (mLoop && (mLoopHandler || hasListeners()))) {
        return true;
    }
    mLastOffset = -1.0f;
    return false;
}

void Sound::trackOffset(float offset, bool watched, std::vector<Event>& events)
{
    if (mLastOffset >= 0.0f) {
        if (watched && offset != mLastOffset) {
            events.push_back({this, EventKind::Offsets, mLastOffset, offset});
        }
        if (mLoop && offset < mLastOffset) {
            events.push_back({this, EventKind::Looped, 0.0f, 0.0f});
        }
    }
    mLastOffset = offset;
}

void Sound::finish(bool watched, std::vector<Event>& events)
{
    if (watched && mLastOffset >= 0.0f) {
        events.push_back({this, EventKind::Offsets, mLastOffset, getSecondDuration()});
    }
    endPlayback();
    events.push_back({this, EventKind::Finished, 0.0f, 0.0f});
}

bool Sound::hasListeners() const
{
    return std::any_of(mListeners.begin(), mListeners.end(), [](const Listener* listener) { return listener; });
}

void Sound::refreshQuiet()
{
    takeBackPlacement();
    mQuiet = mLoop && !mStream && !mLoopHandler && !hasListeners() && !mEndUnseen;
}

void Sound::setLoopHandler(Handler handler)
{
    mLoopHandler = std::move(handler);
    refreshQuiet();
}

float Sound::readSourceOffset() const
{
    ALfloat offset = 0.0f;
    alGetSourcef(mSource, AL_SEC_OFFSET, &offset);
    return offset;
}

// ---------------------------------------------------------------------------------------------
// Streaming

bool Sound::fillStreamBuffer(ALuint buffer)
{
    Stream& stream = *mStream;
    OggDecoder& decoder = *stream.decoder;
    size_t bytes = decoder.read(stream.chunk.data(), stream.chunk.size());
    if (bytes == 0 && mLoop && stream.decodePosition > 0.0f && decoder.seek(0.0)) {
        stream.decodePosition = 0.0f;
        bytes = decoder.read(stream.chunk.data(), stream.chunk.size());
    }
    if (bytes == 0) {
        stream.exhausted = true;
        return false;
    }
    alBufferData(buffer, decoder.getFormat(), stream.chunk.data(), static_cast<ALsizei>(bytes), decoder.getFrequency());
    alSourceQueueBuffers(mSource, 1, &buffer);
    const float seconds = static_cast<float>(bytes / decoder.getBytesPerFrame()) / decoder.getFrequency();
    stream.push(stream.decodePosition, seconds);
    stream.decodePosition += seconds;
    return true;
}

void Sound::restartStream(float seconds)
{
    Stream& stream = *mStream;
    alSourceStop(mSource);
    alSourcei(mSource, AL_BUFFER, 0);
    stream.first = 0;
    stream.count = 0;
    stream.exhausted = false;
    stream.decoder->seek(seconds);
    stream.decodePosition = seconds;
    for (ALuint buffer : stream.buffers) {
        if (!fillStreamBuffer(buffer)) {
            break;
        }
    }
}

float Sound::streamPosition() const
{
    const Stream& stream = *mStream;
    // The source counts from the oldest buffer still in its queue, which is the oldest piece.
    float offset = readSourceOffset();
    for (int i = 0; i < stream.count; ++i) {
        const Stream::Piece& piece = stream.piece(i);
        if (offset < piece.seconds) {
            return piece.start + offset;
        }
        offset -= piece.seconds;
    }
    return stream.count > 0 ? stream.piece(stream.count - 1).start + stream.piece(stream.count - 1).seconds
                            : std::max(mLastOffset, 0.0f);
}

void Sound::updateStream(std::vector<Event>& events)
{
    Stream& stream = *mStream;
    ALint processed = 0;
    alGetSourcei(mSource, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(mSource, 1, &buffer);
        stream.pop();
        if (!stream.exhausted) {
            fillStreamBuffer(buffer);
        }
    }
    ALint state = AL_PLAYING;
    alGetSourcei(mSource, AL_SOURCE_STATE, &state);
    const bool watched = hasWatchedOffsets();
    if (state == AL_STOPPED) {
        if (stream.count == 0) {
            finish(watched, events);
            return;
        }
        // The queue ran dry before it was refilled (a long frame): carry on.
        alSourcePlay(mSource);
    }
    if (followsOffset(watched)) {
        trackOffset(streamPosition(), watched, events);
    }
}

// ---------------------------------------------------------------------------------------------
// Properties

void Sound::setPitch(float pitch)
{
    if (!(pitch > 0.0f) || !std::isfinite(pitch)) {
        warn("A pitch must be above zero");
        return;
    }
    mPitch = pitch;
    if (mSource) {
        alSourcef(mSource, AL_PITCH, pitch);
    }
}

void Sound::setGain(float gain)
{
    if (!isNonNegative(gain)) {
        warn("A gain must be zero or more");
        return;
    }
    if (gain == mGain) {
        return;
    }
    mGain = gain;
    if (mSource) {
        alSourcef(mSource, AL_GAIN, mGain * mGainScale * mFade);
    }
}

void Sound::setMaxGain(float gain)
{
    if (!isNonNegative(gain)) {
        warn("A maximum gain must be zero or more");
        return;
    }
    mMaxGain = gain;
    if (mSource) {
        alSourcef(mSource, AL_MAX_GAIN, mMaxGain * mGainScale * mFade);
    }
}

void Sound::setMinGain(float gain)
{
    if (!isNonNegative(gain)) {
        warn("A minimum gain must be zero or more");
        return;
    }
    mMinGain = gain;
    if (mSource) {
        alSourcef(mSource, AL_MIN_GAIN, mMinGain * mGainScale * mFade);
    }
}

void Sound::setMaxDistance(float distance)
{
    if (!(distance >= 0.0f)) {
        warn("A maximum distance must be zero or more");
        return;
    }
    mMaxDistance = distance;
    if (mSource) {
        alSourcef(mSource, AL_MAX_DISTANCE, distance);
    }
}

void Sound::setRolloffFactor(float factor)
{
    if (!isNonNegative(factor)) {
        warn("A rolloff factor must be zero or more");
        return;
    }
    mRolloffFactor = factor;
    if (mSource) {
        alSourcef(mSource, AL_ROLLOFF_FACTOR, factor);
    }
}

void Sound::setReferenceDistance(float distance)
{
    if (!isNonNegative(distance)) {
        warn("A reference distance must be zero or more");
        return;
    }
    mReferenceDistance = distance;
    if (mSource) {
        alSourcef(mSource, AL_REFERENCE_DISTANCE, distance);
    }
}

void Sound::setGainScale(float scale)
{
    if (!isNonNegative(scale)) {
        warn("A gain scale must be zero or more");
        return;
    }
    mGainScale = scale;
    applyGain();
}

float Sound::getSecondDuration() const
{
    return mStream ? static_cast<float>(mStream->decoder->getDuration()) : mBuffer->getDuration();
}

float Sound::getSecondOffset() const
{
    if (!mSource) {
        return mStartOffset;
    }
    return mStream ? streamPosition() : readSourceOffset();
}

void Sound::setSecondOffset(float seconds)
{
    const float duration = getSecondDuration();
    if (!(seconds > 0.0f)) {
        seconds = 0.0f;
    }
    // OpenAL refuses an offset at or past the end; the last moment of the sound is as far as
    // it goes.
    const float last = std::max(0.0f, duration - 0.001f);
    seconds = std::min(seconds, last);
    takeBackPlacement();
    mLastOffset = seconds;
    if (!mSource) {
        mStartOffset = seconds;
        return;
    }
    if (mStream) {
        restartStream(seconds);
        if (mState == State::Playing) {
            alSourcePlay(mSource);
        }
    } else {
        alSourcef(mSource, AL_SEC_OFFSET, seconds);
    }
}

void Sound::setRelativeToListener(bool relative)
{
    takeBackPlacement();
    mRelative = relative;
    if (!mSource) {
        return;
    }
    alSourcei(mSource, AL_SOURCE_RELATIVE, relative ? AL_TRUE : AL_FALSE);
    mPositionSent = false;
    if (relative) {
        alSource3f(mSource, AL_POSITION, 0.0f, 0.0f, 0.0f);
    } else {
        updatePosition();
    }
}

void Sound::setLoop(bool loop)
{
    mEndUnseen = mEndUnseen || (loop && !mLoop && mState == State::Playing && !mStream);
    mLoop = loop;
    refreshQuiet();
    if (mStream) {
        // A stream that ran out may go on once it loops.
        mStream->exhausted = mStream->exhausted && !loop;
    } else if (mSource) {
        alSourcei(mSource, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    }
}

// ---------------------------------------------------------------------------------------------
// Fades

bool Sound::fadeIn(float seconds)
{
    takeBackPlacement();
    const bool wasPlaying = isPlaying();
    if (!(seconds > 0.0f) || !std::isfinite(seconds)) {
        mFade = 1.0f;
        mFadeRate = 0.0f;
        applyGain();
        return play();
    }
    if (!wasPlaying) {
        mFade = 0.0f;
    }
    mFadeRate = 1.0f / seconds;
    applyGain();
    if (!wasPlaying && !play()) {
        mFade = 1.0f;
        mFadeRate = 0.0f;
        return false;
    }
    return true;
}

bool Sound::fadeOut(float seconds)
{
    takeBackPlacement();
    if (!isPlaying()) {
        return false;
    }
    if (!(seconds > 0.0f) || !std::isfinite(seconds)) {
        endPlayback();
        return true;
    }
    mFadeRate = -1.0f / seconds;
    return true;
}

bool Sound::cancelFade()
{
    if (!isFading()) {
        return false;
    }
    mFade = 1.0f;
    mFadeRate = 0.0f;
    applyGain();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Listeners

void Sound::addListener(Listener* listener)
{
    if (!listener || std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end()) {
        return;
    }
    mListeners.push_back(listener);
    listener->mSounds.push_back(this);
    refreshQuiet();
}

void Sound::removeListener(Listener* listener)
{
    auto it = std::find(mListeners.begin(), mListeners.end(), listener);
    if (!listener || it == mListeners.end()) {
        return;
    }
    auto& sounds = listener->mSounds;
    sounds.erase(std::remove(sounds.begin(), sounds.end(), this), sounds.end());
    if (mNotifying > 0) {
        *it = nullptr;
    } else {
        mListeners.erase(it);
    }
    refreshQuiet();
}

bool Sound::hasListener(const Listener* listener) const
{
    return listener && std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end();
}

void Sound::sweepListeners()
{
    mListeners.erase(std::remove(mListeners.begin(), mListeners.end(), nullptr), mListeners.end());
}

} // namespace tolva::al
