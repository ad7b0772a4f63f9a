#include "audio/Audio.h"

#include "audio/MusicManager.h"
#include "audio/SoundListener.h"
#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "platform/AlSoundManager.h"
#include "scene/Graphics.h"

#include <OgreException.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <cmath>
#include <limits>

namespace tolva {

namespace {

const char* const AudioSection = "Audio";
const int SourceCount = 100;

ConfigFile* configuration()
{
    Engine* engine = Engine::getInstance();
    return engine ? engine->getConfigFile() : nullptr;
}

/// A volume within 0..1; not a number gives `fallback`.
float saneGain(float gain, float fallback)
{
    if (std::isnan(gain)) {
        return fallback;
    }
    return gain > 1.0f ? 1.0f : (gain < 0.0f ? 0.0f : gain);
}

} // namespace

Audio::Audio(const std::string& device)
{
    try {
        mSoundManager = std::make_unique<al::SoundManager>(device, SourceCount);
    } catch (const Ogre::Exception&) {
        throw InitialisationException("Failed to initialise sound. You need an OpenAL (>=1.0) compatible sound card.");
    }
    setUp();
}

Audio::Audio(std::unique_ptr<al::SoundManager> manager)
    : mSoundManager(std::move(manager))
{
    setUp();
}

void Audio::setUp()
{
    mMusicManager = std::make_unique<MusicManager>();
    mCategoryGains[Sound::CAT_UNKNOWN] = 1.0f;
    readCategoryGain(Sound::CAT_EFFECT);
    readCategoryGain(Sound::CAT_MUSIC);
    readCategoryGain(Sound::CAT_VOICE);
}

Audio::~Audio()
{
    mListener.reset();
    // The music manager does not delete its sounds itself; they would outlive the sound layer.
    mMusicManager->flush();
    mMusicManager.reset();
    mSoundManager.reset();
}

void Audio::readCategoryGain(Sound::Category category)
{
    // Kept as read, even beyond 1 or below 0, and not written back: the player's file changes only
    // when the volume is set.
    const std::string key = "Volume " + getSoundCategoryString(category);
    float gain = 1.0f;
    if (ConfigFile* config = configuration()) {
        try {
            gain = boost::any_cast<float>(config->getValue(AudioSection, ConfigFile::PT_REAL, key));
        } catch (const ParserException&) {
            gain = std::numeric_limits<float>::quiet_NaN();
        } catch (const InvalidArgumentException&) {
            // Absent: the default.
        }
        if (!std::isfinite(gain)) {
            logWarning("Warning: \"" + key + "\" in section \"Audio\" is not a number; 1 is used.");
            gain = 1.0f;
        }
    }
    mCategoryGains[category] = gain;
}

void Audio::initialise()
{
    mListener = std::make_unique<SoundListener>(mSoundManager->getListener());
}

void Audio::frame(float seconds)
{
    mSoundManager->update(seconds);
    mMusicManager->frame(seconds);
}

void Audio::shutdown()
{
    mListener.reset();
}

al::Sound* Audio::createSound(const std::string& name, const std::string& fileName)
{
    return mSoundManager->createSound(name, fileName, false, false);
}

void Audio::destroySound(al::Sound* sound)
{
    mSoundManager->destroySound(sound);
}

float Audio::getSoundCategoryGain(Sound::Category category) const
{
    auto it = mCategoryGains.find(category);
    return it == mCategoryGains.end() ? 0.0f : it->second;
}

void Audio::setSoundCategoryGain(Sound::Category category, float gain)
{
    auto it = mCategoryGains.find(category);
    if (it == mCategoryGains.end()) {
        return;
    }
    gain = saneGain(gain, 0.0f);
    it->second = gain;
    if (ConfigFile* config = configuration()) {
        config->setValue(
            AudioSection, ConfigFile::PT_REAL, "Volume " + getSoundCategoryString(category), boost::any(gain));
    }
    for (al::Sound* sound : mSoundManager->getSounds()) {
        if (sound->getCategory() == static_cast<unsigned int>(category)) {
            sound->setGainScale(gain);
        }
    }
}

std::string Audio::getSoundCategoryString(Sound::Category category)
{
    switch (category) {
    case Sound::CAT_EFFECT:
        return "Effect";
    case Sound::CAT_MUSIC:
        return "Music";
    case Sound::CAT_VOICE:
        return "Voice";
    default:
        return "Unknown";
    }
}

Ogre::SceneNode* Audio::createNode()
{
    Engine* engine = Engine::getInstance();
    if (Graphics* graphics = engine ? engine->getGraphics() : nullptr) {
        Ogre::SceneNode* node = graphics->createIsolatedNode();
        graphics->getRootNode()->addChild(node);
        return node;
    }
    Audio* audio = getInstance();
    if (audio && audio->mSceneManager) {
        Ogre::SceneNode* node = audio->mSceneManager->createSceneNode();
        audio->mSceneManager->getRootSceneNode()->addChild(node);
        return node;
    }
    throw IllegalStateException("Sounds need the graphics module.");
}

} // namespace tolva
