#include "audio/MusicManager.h"

#include "core/LogLine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <ctime>
#include <iterator>
#include <stdexcept>

namespace tolva {

namespace {

/// A probability within 0..1; not a number gives 0 (it would break the motifs' order).
float saneProbability(float probability)
{
    return probability > 1.0f ? 1.0f : (probability > 0.0f ? probability : 0.0f);
}

/// Whether a sound still exists: a listener told of a motif may remove it or flush everything.
class SoundAlive : private Sound::Watcher {
public:
    explicit SoundAlive(Sound* sound)
        : mSound(sound)
    {
        mSound->addWatcher(this);
    }
    ~SoundAlive() override
    {
        if (mSound) {
            mSound->removeWatcher(this);
        }
    }
    SoundAlive(const SoundAlive&) = delete;
    SoundAlive& operator=(const SoundAlive&) = delete;

    explicit operator bool() const { return mSound != nullptr; }

private:
    void soundDestroyed(Sound*) override { mSound = nullptr; }

    Sound* mSound;
};

} // namespace

MusicManager::MusicManager()
    : FadeModule(1.0f)
    , mGenerator(static_cast<std::uint32_t>(std::time(nullptr)))
    , mRandom(mGenerator, boost::uniform_real<float>(0.0f, 1.0f))
{
}

MusicManager::~MusicManager()
{
    // The sounds may outlive the manager (only flush deletes them): they must not tell it.
    if (mBackground) {
        mBackground->removeWatcher(this);
    }
    for (auto& motif : mMotifs) {
        motif.second->removeWatcher(this);
    }
}

void MusicManager::setSeed(std::uint32_t seed)
{
    mGenerator.seed(seed);
}

void MusicManager::shutdown()
{
    flush();
    FadeModule::shutdown();
}

// ---------------------------------------------------------------------------------------------
// Sounds

Sound* MusicManager::makeSound(const std::string& fileName, const std::string& name, const std::string& failure)
{
    Sound* sound = nullptr;
    try {
        sound = new Sound(name, fileName);
    } catch (const std::runtime_error& error) {
        logLine("Error: " + failure + " from file '" + fileName + "'");
        logLine(std::string("Error: ") + error.what());
        return nullptr;
    }
    sound->setCategory(Sound::CAT_MUSIC);
    // Music is heard the same wherever the listener goes; on its node at the scene's origin it
    // would fade as the camera moves away.
    sound->setRelativeToListener(true);
    sound->addWatcher(this);
    return sound;
}

void MusicManager::deleteSound(Sound* sound)
{
    sound->removeWatcher(this);
    delete sound;
}

void MusicManager::soundDestroyed(Sound* sound)
{
    if (mBackground == sound) {
        mBackground = nullptr;
    }
    if (mCurrent == sound) {
        mCurrent = nullptr;
    }
    for (auto it = mMotifs.begin(); it != mMotifs.end();) {
        it = it->second == sound ? mMotifs.erase(it) : std::next(it);
    }
}

void MusicManager::setBackground(const std::string& fileName, const std::string& instanceName)
{
    if (mBackground) {
        Sound* old = mBackground;
        mBackground = nullptr;
        deleteSound(old);
    }
    const std::string name
        = instanceName.empty() ? mBackgroundPrefix + std::to_string(mBackgroundCounter++) : instanceName;
    mBackground = makeSound(fileName, name, "Failed to create background music");
    if (mBackground) {
        mBackground->setLoop(true);
        mBackground->play();
    }
}

std::string MusicManager::addMotif(const std::string& fileName, const std::string& instanceName, float probability)
{
    probability = saneProbability(probability);
    const std::string name = instanceName.empty() ? mMotifPrefix + std::to_string(mMotifCounter++) : instanceName;
    Sound* sound = makeSound(fileName, name, "Failed to create motif");
    if (!sound) {
        return std::string();
    }
    // A multimap puts a new entry after the entries of equal probability.
    mMotifs.emplace(probability, sound);
    return name;
}

std::string MusicManager::addMotifUnique(
    const std::string& fileName, const std::string& instanceName, float probability)
{
    for (const auto& motif : mMotifs) {
        if (motif.second->getFilename() == fileName) {
            return motif.second->getName();
        }
    }
    return addMotif(fileName, instanceName, probability);
}

bool MusicManager::isMotifFileLoaded(const std::string& fileName) const
{
    return std::any_of(mMotifs.begin(), mMotifs.end(),
        [&](const MotifMap::value_type& motif) { return motif.second->getFilename() == fileName; });
}

MusicManager::MotifMap::iterator MusicManager::findMotif(const std::string& name)
{
    return std::find_if(mMotifs.begin(), mMotifs.end(),
        [&](const MotifMap::value_type& motif) { return motif.second->getName() == name; });
}

MusicManager::MotifMap::const_iterator MusicManager::findMotif(const std::string& name) const
{
    return std::find_if(mMotifs.begin(), mMotifs.end(),
        [&](const MotifMap::value_type& motif) { return motif.second->getName() == name; });
}

Sound* MusicManager::getMotif(const std::string& name) const
{
    auto it = findMotif(name);
    return it == mMotifs.end() ? nullptr : it->second;
}

float MusicManager::getProbability(const std::string& name) const
{
    auto it = findMotif(name);
    if (it == mMotifs.end()) {
        logWarning("Warning: Requested probability of non-existent motif '" + name + "'.");
        return 0.0f;
    }
    return it->first;
}

void MusicManager::setProbability(const std::string& name, float probability)
{
    auto it = findMotif(name);
    if (it == mMotifs.end()) {
        logWarning("Warning: Attempt to set probability of non-existent motif '" + name + "'.");
        return;
    }
    // The current motif is known by its sound, which moves with the entry.
    Sound* sound = it->second;
    mMotifs.erase(it);
    mMotifs.emplace(saneProbability(probability), sound);
}

void MusicManager::removeMotif(const std::string& name)
{
    auto it = findMotif(name);
    if (it == mMotifs.end()) {
        logWarning("Warning: Requested removal of non-existent motif '" + name + "'.");
        return;
    }
    Sound* sound = it->second;
    mMotifs.erase(it);
    if (mCurrent == sound) {
        mCurrent = nullptr;
    }
    deleteSound(sound);
}

void MusicManager::flush()
{
    mCurrent = nullptr;
    if (mBackground) {
        Sound* background = mBackground;
        mBackground = nullptr;
        deleteSound(background);
    }
    MotifMap motifs;
    motifs.swap(mMotifs);
    for (auto& motif : motifs) {
        deleteSound(motif.second);
    }
}

// ---------------------------------------------------------------------------------------------
// Motifs

bool MusicManager::isMotifPlaying() const
{
    return mCurrent && mCurrent->isPlaying();
}

void MusicManager::playMotif(const std::string& name)
{
    Sound* motif = getMotif(name);
    if (!motif || motif == mCurrent) {
        return;
    }
    const SoundAlive alive(motif);
    if (mCurrent && mCurrent->isPlaying()) {
        Sound* old = mCurrent;
        old->stop();
        tellStop(old->getName());
        if (!alive) {
            return;
        }
    }
    mCurrent = motif;
    motif->play();
    mSpace = 0.0f;
    tellPlay(motif);
}

void MusicManager::frame(float seconds)
{
    FadeModule::frame(seconds);

    if (!mMotifsEnabled) {
        if (mCurrent) {
            Sound* motif = mCurrent;
            mCurrent = nullptr;
            mSpace = newPause();
            if (motif->isPlaying()) {
                motif->stop();
                tellStop(motif->getName());
            }
        }
        return;
    }
    if (mSpace > 0.0f) {
        mSpace = std::max(std::min(mSpace, mSpace - seconds), 0.0f);
        return;
    }
    if (mCurrent) {
        if (mCurrent->isPlaying()) {
            return;
        }
        const std::string name = mCurrent->getName();
        mCurrent = nullptr;
        mSpace = newPause();
        tellStop(name);
        return;
    }
    if (mMotifs.empty()) {
        return;
    }
    Sound* chosen = mMotifs.begin()->second;
    if (mMotifs.size() > 1) {
        // Ascending order: the candidates, probability r or more, are the end of the table.
        const float r = draw();
        const auto candidates = mMotifs.lower_bound(r);
        const long count = static_cast<long>(std::distance(candidates, mMotifs.end()));
        if (count == 0) {
            return;
        }
        const long index = std::min(static_cast<long>(draw() * static_cast<float>(count)), count - 1);
        chosen = std::next(candidates, index)->second;
    }
    mCurrent = chosen;
    chosen->play();
    tellPlay(chosen);
}

float MusicManager::newPause()
{
    const float pause = mSpaceMinimum + (mSpaceMaximum - mSpaceMinimum) * draw();
    return pause > 0.0f && pause <= FLT_MAX ? pause : 0.0f;
}

void MusicManager::setSpaceMinimum(float seconds)
{
    mSpaceMinimum = seconds > mSpaceMaximum ? mSpaceMaximum : (seconds > 0.0f ? seconds : 0.0f);
}

void MusicManager::setSpaceMaximum(float seconds)
{
    mSpaceMaximum = seconds > FLT_MAX ? FLT_MAX : (seconds > mSpaceMinimum ? seconds : mSpaceMinimum);
}

void MusicManager::tellPlay(Sound* motif)
{
    // Once a listener has removed the motif (or flushed), the others hear of its start no more.
    const std::string name = motif->getName();
    const SoundAlive alive(motif);
    mListeners.forEach([&](Listener* listener) {
        if (alive) {
            listener->motifPlay(name);
        }
    });
}

void MusicManager::tellStop(std::string name)
{
    // By value: a listener may delete the sound that holds the name.
    mListeners.forEach([&](Listener* listener) { listener->motifStop(name); });
}

// ---------------------------------------------------------------------------------------------
// Volume

void MusicManager::setGain(float gain, unsigned int target)
{
    if ((target & FADE_BACKGROUND) && mBackground) {
        mBackground->setGain(gain);
    }
    if (target & FADE_MOTIFS) {
        for (auto& motif : mMotifs) {
            motif.second->setGain(gain);
        }
    }
}

void MusicManager::performFade(float value)
{
    setGain(value, getFadeTag() == 0 ? static_cast<unsigned int>(FADE_ALL) : getFadeTag());
}

} // namespace tolva
