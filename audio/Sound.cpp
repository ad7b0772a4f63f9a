#include "audio/Sound.h"

#include "audio/Audio.h"
#include "core/Exceptions.h"
#include "platform/AlSound.h"

#include <algorithm>

namespace tolva {

namespace {

Audio& audioModule()
{
    Audio* audio = Audio::getInstance();
    if (!audio) {
        throw IllegalStateException("Sounds need the audio module.");
    }
    return *audio;
}

} // namespace

Sound::Sound(const std::string& name, const std::string& fileName)
    : GameObject(Audio::createNode())
{
    mName = name;
    mSound = audioModule().createSound(name, fileName);
    mListeners.setListener(this);
    mSound->setFinishedHandler([this](al::Sound*) { finished(); });
    GameObject::attachToNode(mNode, mSound);
    setCategory(CAT_UNKNOWN);
}

Sound::~Sound()
{
    for (Watcher* watcher : std::vector<Watcher*>(mWatchers)) {
        watcher->soundDestroyed(this);
    }
    if (!isRelativeToListener()) {
        GameObject::detachFromNode(mNode, mSound);
    }
    mSound->stop();
    mListeners.setListener(nullptr);
    if (Audio* audio = Audio::getInstance()) {
        audio->destroySound(mSound);
    }
    mSound = nullptr;
}

void Sound::connected(_SoundListener* listener)
{
    mSound->addListener(listener);
    updateLoopHandler();
}

void Sound::disconnected(_SoundListener* listener)
{
    // The listener may be gone already; the layer only compares the pointer.
    mSound->removeListener(listener);
    updateLoopHandler();
}

void Sound::updateLoopHandler()
{
    // Without a handler the layer need not watch the playback position of a looping sound.
    if (mLoopOffset > 0.0f || !mListeners.isEmpty()) {
        mSound->setLoopHandler([this](al::Sound*) { looped(); });
    } else {
        mSound->setLoopHandler(nullptr);
    }
}

void Sound::looped()
{
    if (mLoopOffset > 0.0f) {
        mSound->setSecondOffset(mLoopOffset);
    }
    tellListeners(&_SoundListener::soundLooped);
}

void Sound::finished()
{
    tellListeners(&_SoundListener::soundFinished);
}

void Sound::tellListeners(void (_SoundListener::*call)())
{
    const std::weak_ptr<char> alive = mAlive;
    al::Sound* layer = mSound;
    mListeners.forEach([&](_SoundListener* listener) {
        // A listener destroyed without disconnecting has left the layer sound already: its
        // entry in the holder is only a stale address.
        if (!alive.expired() && layer->hasListener(listener)) {
            (listener->*call)();
        }
    });
}

void Sound::addWatcher(Watcher* watcher)
{
    if (watcher && std::find(mWatchers.begin(), mWatchers.end(), watcher) == mWatchers.end()) {
        mWatchers.push_back(watcher);
    }
}

void Sound::removeWatcher(Watcher* watcher)
{
    mWatchers.erase(std::remove(mWatchers.begin(), mWatchers.end(), watcher), mWatchers.end());
}

const std::string& Sound::getFilename() const
{
    return mSound->getFileName();
}

Sound::Category Sound::getCategory() const
{
    return static_cast<Category>(mSound->getCategory());
}

void Sound::setCategory(Category category)
{
    mSound->setCategory(category);
    // A volume read from the file may lie below zero: that is silence.
    mSound->setGainScale(std::max(0.0f, audioModule().getSoundCategoryGain(category)));
}

bool Sound::isRelativeToListener() const
{
    return mSound->isRelativeToListener();
}

void Sound::setRelativeToListener(bool relative)
{
    if (relative == mSound->isRelativeToListener()) {
        return;
    }
    if (relative) {
        GameObject::detachFromNode(mNode, mSound);
        mSound->setRelativeToListener(true);
    } else {
        mSound->setRelativeToListener(false);
        GameObject::attachToNode(mNode, mSound);
    }
}

bool Sound::isInitial() const
{
    return mSound->isInitial();
}
bool Sound::isStopped() const
{
    return mSound->isStopped();
}
bool Sound::stop()
{
    return mSound->stop();
}
bool Sound::isPlaying() const
{
    return mSound->isPlaying();
}
bool Sound::play()
{
    return mSound->play();
}
bool Sound::isPaused() const
{
    return mSound->isPaused();
}
bool Sound::pause()
{
    return mSound->pause();
}
float Sound::getPitch() const
{
    return mSound->getPitch();
}
void Sound::setPitch(float pitch)
{
    mSound->setPitch(pitch);
}
float Sound::getGain() const
{
    return mSound->getGain();
}

void Sound::setGain(float gain)
{
    // Not a number counts as silence.
    const float normalised = gain > 1.0f ? 1.0f : (gain > 0.0f ? gain : 0.0f);
    const float minimum = mSound->getMinGain();
    mSound->setGain(minimum + normalised * (mSound->getMaxGain() - minimum));
}

float Sound::getMaxGain() const
{
    return mSound->getMaxGain();
}
void Sound::setMaxGain(float gain)
{
    mSound->setMaxGain(gain);
}
float Sound::getMinGain() const
{
    return mSound->getMinGain();
}
void Sound::setMinGain(float gain)
{
    mSound->setMinGain(gain);
}
float Sound::getMaxDistance() const
{
    return mSound->getMaxDistance();
}
void Sound::setMaxDistance(float distance)
{
    mSound->setMaxDistance(distance);
}
float Sound::getRolloffFactor() const
{
    return mSound->getRolloffFactor();
}
void Sound::setRolloffFactor(float factor)
{
    mSound->setRolloffFactor(factor);
}
float Sound::getReferenceDistance() const
{
    return mSound->getReferenceDistance();
}
void Sound::setReferenceDistance(float distance)
{
    mSound->setReferenceDistance(distance);
}
float Sound::getSecondDuration() const
{
    return mSound->getSecondDuration();
}
float Sound::getSecondOffset() const
{
    return mSound->getSecondOffset();
}
void Sound::setSecondOffset(float seconds)
{
    mSound->setSecondOffset(seconds);
}
bool Sound::isFading() const
{
    return mSound->isFading();
}
bool Sound::fadeIn(float seconds)
{
    return mSound->fadeIn(seconds);
}
bool Sound::fadeOut(float seconds)
{
    return mSound->fadeOut(seconds);
}
bool Sound::cancelFade()
{
    return mSound->cancelFade();
}
bool Sound::isLooping() const
{
    return mSound->isLooping();
}
void Sound::setLoop(bool loop)
{
    mSound->setLoop(loop);
}

void Sound::setLoopOffset(float seconds)
{
    const float duration = getSecondDuration();
    mLoopOffset = seconds > duration ? duration : (seconds > 0.0f ? seconds : 0.0f);
    updateLoopHandler();
}

} // namespace tolva
