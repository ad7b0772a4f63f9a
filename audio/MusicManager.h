// The game's music: one looping background track and, over it, short motifs chosen at random
// after random pauses. Each motif has a probability in 0..1: at each choice a number r is drawn
// in [0, 1), the motifs of probability r or more are the candidates, and one of them is picked
// evenly (a single motif is always picked). A motif of probability 1 is thus a candidate in every
// choice, one of 0 practically never. After a motif ends comes a pause drawn between the space
// minimum and maximum. Fades of the music volume (FadeModule) drive the background, the motifs or
// both, as the fade's tag (FadeTarget bits) says. Listeners hear when a motif starts and stops.
//
// The audio module owns the one music manager and frames it every frame. The manager owns the
// background and motif sounds, which play relative to the listener (heard the same wherever it
// goes); a sound of its own that someone else destroys is forgotten.
#pragma once

#include <boost/random/lagged_fibonacci.hpp>
#include <boost/random/uniform_real.hpp>
#include <boost/random/variate_generator.hpp>

#include <cstdint>
#include <map>
#include <string>

#include "audio/Sound.h"
#include "core/InterfaceHolder.h"
#include "core/Singleton.h"
#include "scene/FadeModule.h"

namespace tolva {

class MusicManager : public Singleton<MusicManager>, public FadeModule, private Sound::Watcher {
public:
    /// Hears when a motif starts and stops, by the motif's name.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void motifPlay(const std::string& name) = 0;
        virtual void motifStop(const std::string& name) = 0;
    };

    /// Bits of a fade's tag: what the faded volume applies to.
    enum FadeTarget { FADE_BACKGROUND = 1, FADE_MOTIFS = 2, FADE_ALL = 255 };

    /// No background, no motifs, motifs enabled, pauses between 0 and 10 s; the random numbers
    /// are seeded with the time.
    MusicManager();
    /// Disconnects the listeners without calling them. Deletes no sound: call flush() first.
    ~MusicManager() override;

    MusicManager(const MusicManager&) = delete;
    MusicManager& operator=(const MusicManager&) = delete;

    void initialise() override { FadeModule::initialise(); }
    /// Runs the fade, then the motifs: counts a pause down, notices the end of a motif, or
    /// chooses and plays the next one.
    void frame(float seconds) override;
    /// flush(), then the fade module's.
    void shutdown() override;

    /// Replaces the background with a new looping sound of the file, playing at once.
    /// @param instanceName the sound's name; empty gives "MusicManager_Background_<n>"
    /// A file that cannot be played is logged ("Error: " lines) and leaves no background.
    void setBackground(const std::string& fileName, const std::string& instanceName = std::string());
    Sound* getBackground() const { return mBackground; }

    /// Adds a motif with a probability clamped to 0..1 (not a number gives 0).
    /// @param instanceName the motif's name; empty gives "MusicManager_Motif_<n>"
    /// @return the motif's name, or "" (after "Error: " lines) when the file cannot be played
    std::string addMotif(const std::string& fileName, const std::string& instanceName, float probability);
    /// addMotif, unless a motif was made from that file already: then its name, unchanged.
    std::string addMotifUnique(const std::string& fileName, const std::string& instanceName, float probability);
    bool isMotifFileLoaded(const std::string& fileName) const;
    /// Null when no motif has that name.
    Sound* getMotif(const std::string& name) const;
    /// 0, with a warning, when no motif has that name.
    float getProbability(const std::string& name) const;
    /// Clamps to 0..1 (not a number gives 0); a name no motif has is warned about.
    void setProbability(const std::string& name, float probability);
    /// Deletes the motif; a name no motif has is warned about.
    void removeMotif(const std::string& name);
    /// Deletes the background and every motif.
    void flush();

    /// Lets motifs be chosen again (from the next frame).
    void playMotifs() { mMotifsEnabled = true; }
    /// Stops the playing motif at the next frame and chooses no more.
    void stopMotifs() { mMotifsEnabled = false; }
    bool isMotifPlaying() const;
    /// Plays the motif now (stopping the current one), unless it is the current one already. A
    /// listener that removes the motif or flushes while the current one stops ends the call.
    void playMotif(const std::string& name);

    /// Seconds of pause still to wait before the next choice.
    float getSpace() const { return mSpace; }
    float getSpaceMinimum() const { return mSpaceMinimum; }
    float getSpaceMaximum() const { return mSpaceMaximum; }
    /// Clamped to 0..maximum (not a number gives 0).
    void setSpaceMinimum(float seconds);
    /// Clamped to minimum..the largest float (not a number gives the minimum).
    void setSpaceMaximum(float seconds);

    /// Sets the normalised gain of the background (bit FADE_BACKGROUND) and of every motif (bit
    /// FADE_MOTIFS).
    void setGain(float gain, unsigned int target);

    InterfaceHolder<Listener>& interfaceMusicManagerListener() { return mListeners; }

    /// Restarts the random numbers from a seed, for choices that repeat (tests).
    void setSeed(std::uint32_t seed);

protected:
    /// The fade's value goes to setGain with the fade's tag (0 meaning everything).
    void performFade(float value) override;

private:
    typedef std::multimap<float, Sound*> MotifMap;

    void soundDestroyed(Sound* sound) override;
    /// The sound of a new background or motif; null (after the "Error: " lines) on failure.
    Sound* makeSound(const std::string& fileName, const std::string& name, const std::string& failure);
    MotifMap::iterator findMotif(const std::string& name);
    MotifMap::const_iterator findMotif(const std::string& name) const;
    void deleteSound(Sound* sound);
    float draw() { return mRandom(); }
    /// A pause between the space minimum and maximum; never negative.
    float newPause();
    /// Tells the listeners that the motif started, as long as it exists.
    void tellPlay(Sound* motif);
    void tellStop(std::string name);

    const std::string mBackgroundPrefix = "MusicManager_Background_";
    const std::string mMotifPrefix = "MusicManager_Motif_";
    bool mMotifsEnabled = true;
    unsigned int mBackgroundCounter = 0;
    unsigned int mMotifCounter = 0;
    boost::random::lagged_fibonacci607 mGenerator;
    boost::variate_generator<boost::random::lagged_fibonacci607&, boost::uniform_real<float>> mRandom;
    Sound* mBackground = nullptr;
    /// Ascending probability; equal probabilities in the order added.
    MotifMap mMotifs;
    /// The motif playing or last chosen; one of the motifs' sounds, or null.
    Sound* mCurrent = nullptr;
    float mSpace = 0.0f;
    float mSpaceMinimum = 0.0f;
    float mSpaceMaximum = 10.0f;
    InterfaceHolder<Listener> mListeners;
};

} // namespace tolva
