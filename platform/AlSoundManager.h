// Our own thin sound layer over OpenAL Soft and libvorbisfile (namespace tolva::al). The manager
// owns the OpenAL device and context, a pool of sources, the one listener, every sound it makes,
// and a cache of decoded files shared by the sounds that play them.
//
// Model: a sound borrows a source from the pool while it plays or is paused and gives it back
// when it stops, so many more sounds may exist than play at once; a play that finds the pool
// empty fails, and the next update warns once with the number of sounds that failed so (a sound
// is counted again only after it played). Files up to StreamThreshold seconds (as decoded,
// whatever the file states) are decoded whole once and shared; longer ones (and any created with
// `stream`) are decoded while they play, each sound with its own decoder. Nothing happens behind
// the owner's back: update(), once per frame, takes
// the positions of the listener's and sounds' scene nodes, runs fades, refills streams, and then
// calls the handlers and listeners of sounds that finished, looped or passed watched offsets.
// Positions are the nodes' derived positions as the scene last brought them up to date (in the
// engine the physics module does so every frame before it steps): a sound on the child of a node
// that moved since is heard at its new place once the scene is up to date again (next frame).
//
// One manager (one OpenAL context) exists at a time. Without a sound device there is no manager;
// a machine without a sound card runs with OpenAL Soft's null backend (ALSOFT_DRIVERS=null),
// which mixes into nothing. Tests use the loopback device: nothing advances until renderSamples.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/AlListener.h"
#include "platform/AlSound.h"

namespace tolva::al {

class OggDecoder;
class SampleBuffer;

class SoundManager {
public:
    /// Files longer than this many seconds are streamed.
    static constexpr float StreamThreshold = 10.0f;

    /// Opens the named device ("" for the default one) with up to maxSources sources.
    /// @throw Ogre::Exception when the device cannot be opened or OpenAL cannot be used at all
    explicit SoundManager(const std::string& device = "", int maxSources = 100);
    /// A manager on OpenAL Soft's loopback device, which mixes only when renderSamples asks it
    /// to: every sample is known in advance (tests).
    /// @throw Ogre::Exception when the loopback device is not available
    static std::unique_ptr<SoundManager> createLoopback(int frequency = 44100, int maxSources = 100);
    /// Destroys every sound still alive, then the listener, the sources and the device.
    ~SoundManager();

    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    Listener* getListener() const { return mListener.get(); }

    /// Makes a sound of a resource file (found like every named resource, ResourceLocator).
    /// @param name a label; several sounds may share one
    /// @param loop play again from the start at the end
    /// @param stream decode while playing, whatever the file's length
    /// @throw SoundException when the file is missing, not Ogg Vorbis, or holds no sound
    Sound* createSound(const std::string& name, const std::string& fileName, bool loop = false, bool stream = false);
    /// Stops and frees a sound. A sound this manager does not hold is refused with a warning.
    void destroySound(Sound* sound);
    /// Every live sound, in creation order.
    const std::vector<Sound*>& getSounds() const { return mSounds; }

    /// Brings the listener and every playing sound up to date, then calls the handlers and
    /// listeners of what happened since the last update. A callback may play, stop or destroy
    /// sounds; update() itself is not re-entered from a callback.
    /// @param seconds time since the last update (runs fades)
    void update(float seconds);

    int getSourceCount() const { return static_cast<int>(mSources.size()); }
    int getFreeSourceCount() const { return static_cast<int>(mFreeSources.size()); }
    const std::string& getDeviceName() const { return mDeviceName; }
    int getFrequency() const { return mFrequency; }

    /// Loopback device only: mixes the next frames into `out` (interleaved stereo floats,
    /// 2 * frames values). Does nothing on other devices.
    void renderSamples(float* out, int frames);

private:
    friend class Sound;
    enum class Output { Device, Loopback };

    SoundManager(Output output, int frequency, int maxSources);
    void openLoopback(int frequency, int maxSources);
    void createContext(const ALCint* attributes, int maxSources);
    /// @throw SoundException when the file is missing or not Ogg Vorbis
    static std::unique_ptr<OggDecoder> openDecoder(const std::string& fileName);

    // For sounds.
    /// False when the pool is empty; the sound is counted for the next warning unless it was
    /// counted since it last played.
    bool acquireSource(Sound* sound);
    /// The one warning about the plays the empty pool refused since the last one.
    void reportRefusedPlays();
    void releaseSource(Sound* sound);
    void forgetSound(Sound* sound);
    /// Calls the listeners and handler that one event concerns.
    void notify(const Sound::Event& event);

    Output mOutput = Output::Device;
    ALCdevice* mDevice = nullptr;
    ALCcontext* mContext = nullptr;
    std::string mDeviceName;
    int mFrequency = 44100;
    LPALCRENDERSAMPLESSOFT mRenderSamples = nullptr;

    std::vector<ALuint> mSources;
    std::vector<ALuint> mFreeSources;
    std::vector<Sound*> mSounds;
    /// A sound holding a source (playing or paused), which knows its index in mActive. A playing
    /// sound with nothing to do in a frame but follow its node hands the node over here: the
    /// update then reads this record and the node, not the sound, until the sound takes it back.
    struct Active {
        Sound* sound;
        /// The node followed for a place-only sound; null while the sound updates itself.
        const Ogre::Node* follows = nullptr;
        ALuint source = 0;
        /// The position last given to the source while the node is followed here.
        Ogre::Vector3 sent = Ogre::Vector3::ZERO;
    };
    std::vector<Active> mActive;
    std::map<std::string, std::weak_ptr<SampleBuffer>> mBuffers;
    std::unique_ptr<Listener> mListener;

    /// Sounds refused a source since the last warning, and the file of the first one.
    int mRefusedPlays = 0;
    std::string mFirstRefused;

    std::vector<Sound::Event> mEvents;
    bool mUpdating = false;
    /// The sound whose callbacks run; cleared when a callback destroys it.
    Sound* mNotified = nullptr;
};

} // namespace tolva::al
