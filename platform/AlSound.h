// One sound of the layer: an Ogg Vorbis file played through an OpenAL source lent by the sound
// manager's pool for as long as the sound plays or is paused. As a rendering-engine movable
// object it hangs on a scene node and is heard from where the node is, unless it is relative to
// the listener. The manager's update() keeps every playing sound in step once per frame: it takes
// the node's position, runs fades, refills streamed data and reports ends, loops and watched
// offsets to the handlers and listeners, after all sounds are updated, so a callback may play,
// stop or destroy any sound (itself included).
//
// Loops and offsets are noticed once per update: a sound that loops more than once between two
// updates is reported to loop once.
//
// Properties (gains, pitch, distances, loop, offset) are kept by the sound and handed to each
// source it gets, so they can be set at any time. Gains compose: what OpenAL receives as gain,
// minimum and maximum gain is the sound's value times its category's gain scale times the fade.
#pragma once

#include <AL/al.h>
#include <OgreNode.h>
#include <OgreVector.h>

#include <cstddef>
#include <functional>
#include <new>
#include <memory>
#include <string>
#include <vector>

#include "platform/InvisibleMovableObject.h"

namespace tolva::al {

class OggDecoder;
class SampleBuffer;
class SoundManager;

class Sound : public platform::InvisibleMovableObject {
public:
    /// Told of what happens to the sounds it has been added to. Each listener has its own list of
    /// watched offsets. A listener leaves its sounds when destroyed, and a destroyed sound leaves
    /// its listeners, so neither keeps a pointer to the other.
    class Listener {
    public:
        Listener() = default;
        virtual ~Listener();
        Listener(const Listener&) = delete;
        Listener& operator=(const Listener&) = delete;

        /// The sound came to its end by itself (not after stop() or a fade-out).
        virtual void soundStopped(Sound* sound) { }
        /// The sound jumped back to its start to play again.
        virtual void soundLooped(Sound* sound) { }
        /// Playback passed one of the watched offsets.
        /// @param offset the watched offset, in seconds
        /// @param position where playback stood when it was noticed, in seconds
        virtual void soundAtOffset(Sound* sound, float offset, float position) { }

        /// The offsets (seconds into the sound) at which soundAtOffset is called; the owner edits
        /// them. A seek does not count as passing an offset.
        std::vector<float>& getWatchedOffsets() { return mWatchedOffsets; }
        const std::vector<float>& getWatchedOffsets() const { return mWatchedOffsets; }

    private:
        friend class Sound;
        friend class SoundManager;
        std::vector<float> mWatchedOffsets;
        std::vector<Sound*> mSounds;
    };

    /// Called with the sound when it loops or finishes.
    typedef std::function<void(Sound*)> Handler;

    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    /// Starts (or resumes) playback, taking a source from the pool.
    /// @return false when every source is in use (the manager's next update warns)
    bool play();
    /// Holds playback where it is; the source stays with the sound.
    /// @return false when the sound is not playing
    bool pause();
    /// Ends playback, rewinds to the start and gives the source back. Calls no handler.
    /// @return false when the sound was neither playing nor paused
    bool stop();
    bool isPlaying() const { return mState == State::Playing; }
    bool isPaused() const { return mState == State::Paused; }
    bool isStopped() const { return mState == State::Stopped; }
    /// Never played yet.
    bool isInitial() const { return mState == State::Initial; }

    // Values with OpenAL's meaning. A value OpenAL would refuse (a negative gain, a pitch that is
    // not positive, anything not finite) is refused with a warning and the old one stays.
    float getPitch() const { return mPitch; }
    void setPitch(float pitch);
    float getGain() const { return mGain; }
    void setGain(float gain);
    float getMaxGain() const { return mMaxGain; }
    void setMaxGain(float gain);
    float getMinGain() const { return mMinGain; }
    void setMinGain(float gain);
    float getMaxDistance() const { return mMaxDistance; }
    void setMaxDistance(float distance);
    float getRolloffFactor() const { return mRolloffFactor; }
    void setRolloffFactor(float factor);
    float getReferenceDistance() const { return mReferenceDistance; }
    void setReferenceDistance(float distance);

    /// Length in seconds.
    float getSecondDuration() const;
    /// The playback position in seconds (0 when stopped).
    float getSecondOffset() const;
    /// Moves playback (or the start of the next play) to a position in seconds, clamped to the
    /// sound. Watched offsets jumped over are not reported.
    void setSecondOffset(float seconds);

    /// While on, the sound is placed at the listener and moves with it, wherever its node is
    /// (the owner takes it off its node).
    void setRelativeToListener(bool relative);
    bool isRelativeToListener() const { return mRelative; }
    void setLoop(bool loop);
    bool isLooping() const { return mLoop; }
    const std::string& getFileName() const { return mFileName; }
    /// Whether the file is decoded while it plays rather than held whole.
    bool isStreaming() const { return mStream != nullptr; }
    /// The OpenAL source lent to the sound while it plays or is paused; 0 otherwise.
    ALuint getSource() const { return mSource; }

    /// Raises the gain from silence to full over the given seconds, starting playback if
    /// needed; 0 seconds or less is full at once.
    /// @return false when playback cannot start
    bool fadeIn(float seconds);
    /// Lowers the gain to silence over the given seconds, then stops (no handler is called); 0
    /// seconds or less stops at once.
    /// @return false when the sound is not playing
    bool fadeOut(float seconds);
    /// Ends a fade at full gain.
    /// @return false when no fade was running
    bool cancelFade();
    bool isFading() const { return mFadeRate != 0.0f; }

    void setCategory(unsigned int category) { mCategory = category; }
    unsigned int getCategory() const { return mCategory; }
    /// A factor on top of the gains (the category's volume).
    void setGainScale(float scale);
    float getGainScale() const { return mGainScale; }

    /// Adds a listener (once). Listeners are called in the order they were added.
    void addListener(Listener* listener);
    /// Removes a listener; one that was not added is ignored (the pointer is only compared, so
    /// it may be a listener that is gone).
    void removeListener(Listener* listener);
    bool hasListener(const Listener* listener) const;
    void setLoopHandler(Handler handler);
    void setFinishedHandler(Handler handler) { mFinishedHandler = std::move(handler); }

    // Ogre::MovableObject
    void _notifyAttached(Ogre::Node* parent, bool isTagPoint = false) override;

private:
    friend class SoundManager;
    struct Stream;
    enum class State : unsigned char { Initial, Playing, Paused, Stopped };
    enum class EventKind { Finished, Looped, Offsets };
    /// Something to report once every sound is updated. Offsets events cover the stretch of
    /// playback from `from` to `to` (wrapping round the end when `to` < `from`).
    struct Event {
        Sound* sound;
        EventKind kind;
        float from;
        float to;
    };

    // On a cache-line boundary, which the alignment of the hot fields asks for (the rendering
    // engine's allocator, inherited otherwise, does not give it).
    static void* operator new(std::size_t size) { return ::operator new(size, std::align_val_t(64)); }
    static void operator delete(void* memory) { ::operator delete(memory, std::align_val_t(64)); }

    /// Made and destroyed by the manager only.
    Sound(SoundManager* manager, const std::string& name, const std::string& fileName,
        std::shared_ptr<SampleBuffer> buffer, std::unique_ptr<OggDecoder> decoder, bool loop);
    ~Sound() override;

    /// One frame of playback; events go to the list. Every playing sound passes here every
    /// frame: the common case, a looping sound on a node that nobody hears of, stays inline.
    void update(float seconds, std::vector<Event>& events)
    {
        if (mState != State::Playing) {
            return;
        }
        if (!mRelative && mNode) {
            sendPosition(mNode->_getDerivedPosition());
        }
        if (mQuiet && mFadeRate == 0.0f) {
            mLastOffset = -1.0f;
            if (!mRelative && mNode) {
                handOverPlacement();
            }
            return;
        }
        updatePlayback(seconds, events);
    }
    /// From now on the manager follows the node for this playing, quiet sound.
    void handOverPlacement();
    /// Takes the following of the node back from the manager, if it has it; called before
    /// anything that may give an update more to do than follow the node.
    void takeBackPlacement();
    /// The rest of a frame: fades, the end, loops and watched offsets.
    void updatePlayback(float seconds, std::vector<Event>& events);
    void updateStatic(std::vector<Event>& events);
    void updateStream(std::vector<Event>& events);
    void updatePosition();
    /// Gives the source the position unless it has it already.
    void sendPosition(const Ogre::Vector3& position)
    {
        if (!mPositionSent || position != mPosition) {
            mPosition = position;
            alSource3f(mSource, AL_POSITION, position.x, position.y, position.z);
            mPositionSent = true;
        }
    }
    /// Gives back the source and marks the sound stopped at its start.
    void endPlayback();
    void configureSource();
    void applyGain();
    void applyLoop();
    bool hasWatchedOffsets() const;
    bool hasListeners() const;
    /// Works out mQuiet again after a change of loop, listeners or loop handler.
    void refreshQuiet();
    /// Whether the playback position must be read this update (false forgets the old one).
    bool followsOffset(bool watched);
    /// Reports the loops and watched offsets between the last position and this one.
    void trackOffset(float offset, bool watched, std::vector<Event>& events);
    /// The source ran out by itself.
    void finish(bool watched, std::vector<Event>& events);
    float readSourceOffset() const;
    void warn(const std::string& what) const;

    // Streaming.
    bool fillStreamBuffer(ALuint buffer);
    void restartStream(float seconds);
    float streamPosition() const;

    /// Drops the listeners removed while they were being called.
    void sweepListeners();

    // What a playing sound's frame reads (state, placement, gains) shares one cache line: the
    // sound is allocated on a line boundary and the first of these fields starts one.
    alignas(64) State mState = State::Initial;
    bool mRelative = false;
    bool mLoop;
    bool mPositionSent = false;
    /// Nothing but its place to follow while it plays: a looping sound held whole that no
    /// listener or loop handler hears of (kept by refreshQuiet).
    bool mQuiet = false;
    /// Looping was switched on while playing: the source may have run out just before (it does
    /// not start again then), which the next update looks for once.
    bool mEndUnseen = false;
    ALuint mSource = 0;
    /// Change of the fade per second: positive fading in, negative fading out, 0 not fading.
    float mFadeRate = 0.0f;
    /// The node the sound hangs on, as the scene last told it (the movable object's own record
    /// lies on another cache line).
    const Ogre::Node* mNode = nullptr;
    /// The position last given to the source; valid while mPositionSent, except while the
    /// manager follows the node (the manager's record has it then).
    Ogre::Vector3 mPosition = Ogre::Vector3::ZERO;
    float mGain = 1.0f;
    float mFade = 1.0f;
    float mGainScale = 1.0f;
    float mMinGain = 0.0f;
    float mMaxGain = 1.0f;

    /// Playback position at the previous update, for loops and watched offsets; below zero
    /// while not followed.
    float mLastOffset = 0.0f;
    std::unique_ptr<Stream> mStream;
    /// In the order added; a listener removed during a call is nulled and swept afterwards.
    std::vector<Listener*> mListeners;
    Handler mLoopHandler;

    SoundManager* mManager;
    std::string mFileName;
    std::shared_ptr<SampleBuffer> mBuffer;
    /// Index in the manager's list of sounds holding a source.
    size_t mActiveIndex = 0;
    float mPitch = 1.0f;
    float mMaxDistance;
    float mRolloffFactor = 1.0f;
    float mReferenceDistance = 1.0f;
    unsigned int mCategory = 0;
    /// Where playback starts at the next play (seconds).
    float mStartOffset = 0.0f;
    /// Counted in the manager's warning about a full pool since the sound last played.
    bool mPoolWarned = false;
    int mNotifying = 0;
    Handler mFinishedHandler;
};

} // namespace tolva::al
