// A scene object that plays one sound file. Its layer sound (tolva::al::Sound) hangs on the
// object's own scene node, so it is heard from where the object is; made the child of another
// game object, the node (and the sound with it) follows that object. A sound has a category whose
// volume, kept by the audio module, scales it; a normalised gain mapped between its minimum and
// maximum gain; a loop offset to jump to each time it loops; and a holder of listeners that hear
// when it loops, finishes or passes their watched offsets.
//
// The sound's calls into the layer go through the audio module, which must outlive every sound.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/_SoundListener.h"
#include "core/InterfaceHolder.h"
#include "scene/GameObject.h"

namespace tolva {

namespace al {
class Sound;
}

class Sound : public GameObject, public InterfaceHolder<_SoundListener>::Listener {
public:
    /// Any int may arrive from scripts: the fixed type makes every one a value of the type, which
    /// the audio module then treats as no category.
    enum Category : int { CAT_UNKNOWN = 0, CAT_EFFECT = 1, CAT_MUSIC = 2, CAT_VOICE = 3 };

    /// Told when a sound is being destroyed, so that whoever keeps a pointer to a sound it does
    /// not own can forget it (the music manager's motifs, for one).
    class Watcher {
    public:
        virtual ~Watcher() = default;
        virtual void soundDestroyed(Sound* sound) = 0;
    };

    /// A sound on a new scene node, in category CAT_UNKNOWN.
    /// @param name the object's name (several sounds may share one)
    /// @param fileName a sound resource (Ogg Vorbis)
    /// @throw al::SoundException when the file cannot be played
    /// @throw IllegalStateException without an audio module
    Sound(const std::string& name, const std::string& fileName);
    /// Tells the watchers, stops, and frees the layer sound; connected listeners are
    /// disconnected without being called.
    ~Sound() override;

    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // Called by the listener holder: the layer calls the listeners' offsets from then on.
    void connected(_SoundListener* listener) override;
    void disconnected(_SoundListener* listener) override;

    virtual bool isRelativeToListener() const;
    /// On: the sound leaves its node and is heard at the listener wherever the listener goes.
    /// Off: it hangs on its node again.
    virtual void setRelativeToListener(bool relative);
    virtual bool isInitial() const;
    virtual bool isStopped() const;
    virtual bool stop();
    virtual bool isPlaying() const;
    /// @return false (after a warning) when every sound source is in use
    virtual bool play();
    virtual bool isPaused() const;
    virtual bool pause();
    virtual float getPitch() const;
    virtual void setPitch(float pitch);
    /// The layer's gain (not the normalised value given to setGain).
    virtual float getGain() const;
    /// A normalised gain, clamped to 0..1, mapped between the minimum and the maximum gain.
    virtual void setGain(float gain);
    virtual float getMaxGain() const;
    virtual void setMaxGain(float gain);
    virtual float getMinGain() const;
    virtual void setMinGain(float gain);
    virtual float getMaxDistance() const;
    virtual void setMaxDistance(float distance);
    virtual float getRolloffFactor() const;
    virtual void setRolloffFactor(float factor);
    virtual float getReferenceDistance() const;
    virtual void setReferenceDistance(float distance);
    /// Seconds.
    virtual float getSecondDuration() const;
    virtual float getSecondOffset() const;
    virtual void setSecondOffset(float seconds);
    virtual bool isFading() const;
    /// Seconds from silence to full gain; starts playback.
    virtual bool fadeIn(float seconds);
    /// Seconds from the current gain to silence; the sound stops at the end.
    virtual bool fadeOut(float seconds);
    virtual bool cancelFade();
    virtual bool isLooping() const;
    virtual void setLoop(bool loop);
    virtual float getLoopOffset() const { return mLoopOffset; }
    /// Where playback jumps each time the sound loops, clamped to the sound's length (seconds).
    virtual void setLoopOffset(float seconds);

    InterfaceHolder<_SoundListener>& interfaceListener() { return mListeners; }
    const std::string& getFilename() const;
    Category getCategory() const;
    /// Sets the category and takes its volume from the audio module as gain scale (a volume
    /// below zero as 0).
    void setCategory(Category category);

    void addWatcher(Watcher* watcher);
    void removeWatcher(Watcher* watcher);

    /// The layer sound this object plays through.
    al::Sound* getLayerSound() const { return mSound; }

private:
    void updateLoopHandler();
    void looped();
    void finished();
    /// Calls every connected listener that is still alive, stopping when this sound goes.
    void tellListeners(void (_SoundListener::*call)());

    al::Sound* mSound = nullptr;
    float mLoopOffset = 0.0f;
    InterfaceHolder<_SoundListener> mListeners;
    std::vector<Watcher*> mWatchers;
    /// Expires with the sound: a listener's call may destroy it.
    std::shared_ptr<char> mAlive = std::make_shared<char>();
};

} // namespace tolva
