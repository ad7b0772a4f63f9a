// The audio module. It owns the sound layer's manager (tolva::al::SoundManager: device, source
// pool, decoded files), the music manager and the sound listener, and keeps one volume per sound
// category, read from and written to the section "Audio" of "engine.cfg".
//
// Every tolva::Sound makes and frees its layer sound through this module and takes its
// category's volume as gain scale; setting a category's volume rescales every live sound of that
// category. The sound listener exists from initialise() to shutdown(); the game hangs it on its
// camera, so what is heard follows the camera. Each frame the module brings the layer up to date
// (node positions, fades, streams, loop and end callbacks), then frames the music manager.
//
// A volume is read from the file as it stands (one that is not a number gives 1) and written only
// when setSoundCategoryGain sets it. A volume above 1 makes its sounds louder; one below 0 mutes
// them.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "audio/Sound.h"
#include "core/EngineModule.h"
#include "core/Singleton.h"

namespace Ogre {
class SceneManager;
class SceneNode;
} // namespace Ogre

namespace tolva {

namespace al {
class Sound;
class SoundManager;
} // namespace al

class MusicManager;
class SoundListener;

class Audio : public Singleton<Audio>, public EngineModule {
public:
    /// Opens the sound device ("" for the default one) with 100 sources.
    /// @throw InitialisationException "Failed to initialise sound. You need an OpenAL (>=1.0)
    ///        compatible sound card." when no sound device can be opened
    explicit Audio(const std::string& device);
    /// Around a sound manager made by the caller, which the module then owns (a loopback
    /// manager in tests, one with more sources in benchmarks).
    explicit Audio(std::unique_ptr<al::SoundManager> manager);
    /// Deletes the sound listener if still there, the music manager's sounds, the music manager
    /// and the sound manager.
    ~Audio() override;

    Audio(const Audio&) = delete;
    Audio& operator=(const Audio&) = delete;

    /// Makes the sound listener.
    void initialise() override;
    /// Brings the sound layer up to date, then frames the music manager.
    void frame(float seconds) override;
    /// Deletes the sound listener (the game has taken it off its camera by then).
    void shutdown() override;

    MusicManager* getMusicManager() const { return mMusicManager.get(); }
    /// Null outside initialise() .. shutdown().
    SoundListener* getListener() const { return mListener.get(); }
    al::SoundManager* getSoundManager() const { return mSoundManager.get(); }

    /// A layer sound, not looping, decoded whole unless the file is long.
    /// @throw al::SoundException when the file cannot be played
    al::Sound* createSound(const std::string& name, const std::string& fileName);
    void destroySound(al::Sound* sound);

    /// The category's volume, as read from the file or set; 0 for a value that is no category.
    float getSoundCategoryGain(Sound::Category category) const;
    /// Clamps the volume to 0..1 (not a number gives 0), stores it, writes it to the
    /// configuration as "Volume <category>" and applies it to every live sound of the category.
    /// A value that is no category changes nothing.
    void setSoundCategoryGain(Sound::Category category, float gain);
    /// "Effect", "Music", "Voice", and "Unknown" for anything else.
    static std::string getSoundCategoryString(Sound::Category category);

    /// A new scene node under the scene's root for a sound or the listener: from the graphics
    /// module, or without one from the scene manager given to setSceneManager.
    /// @throw IllegalStateException when neither exists
    static Ogre::SceneNode* createNode();
    /// For engines without a graphics module (tests, tools): the scene that holds the nodes of
    /// sounds and of the listener.
    void setSceneManager(Ogre::SceneManager* sceneManager) { mSceneManager = sceneManager; }

private:
    void setUp();
    /// Reads one category's volume from the configuration.
    void readCategoryGain(Sound::Category category);

    std::unique_ptr<al::SoundManager> mSoundManager;
    std::unique_ptr<MusicManager> mMusicManager;
    std::unique_ptr<SoundListener> mListener;
    std::map<Sound::Category, float> mCategoryGains;
    Ogre::SceneManager* mSceneManager = nullptr;
};

} // namespace tolva
