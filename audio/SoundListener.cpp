#include "audio/SoundListener.h"

#include "audio/Audio.h"
#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "platform/AlListener.h"

namespace tolva {

namespace {

const char* const AudioSection = "Audio";
const char* const MasterKey = "Volume Master";

ConfigFile* configuration()
{
    Engine* engine = Engine::getInstance();
    return engine ? engine->getConfigFile() : nullptr;
}

} // namespace

SoundListener::SoundListener(al::Listener* listener)
    : GameObject(Audio::createNode())
    , mListener(listener)
{
    float gain = 1.0f;
    if (ConfigFile* config = configuration()) {
        gain = boost::any_cast<float>(
            config->getValueDefault(AudioSection, ConfigFile::PT_REAL, MasterKey, boost::any(1.0f)));
    }
    setGain(gain);
    GameObject::attachToNode(mNode, mListener);
}

SoundListener::~SoundListener()
{
    GameObject::detachFromNode(mNode, mListener);
}

float SoundListener::getGain() const
{
    return mListener->getGain();
}

void SoundListener::setGain(float gain)
{
    mListener->setGain(gain);
    if (ConfigFile* config = configuration()) {
        config->setValue(AudioSection, ConfigFile::PT_REAL, MasterKey, boost::any(getGain()));
    }
}

Ogre::Vector3 SoundListener::getDirection() const
{
    return mListener->getDirection();
}

void SoundListener::setDirection(const Ogre::Vector3& direction)
{
    mListener->setDirection(direction);
}

Ogre::Vector3 SoundListener::getVelocity() const
{
    return mListener->getVelocity();
}

void SoundListener::setVelocity(const Ogre::Vector3& velocity)
{
    mListener->setVelocity(velocity);
}

} // namespace tolva
