// Script classes of sounds and music: sound listeners and their holders, the sound kinds, the
// fade base and the music manager with its listeners.
//
// A motif or background sound belongs to the music manager, which deletes it when it is removed
// or replaced: scripts get tracked handles of them.
#include "scripting/bindings/Bindings.h"

#include "audio/AngularVelocitySound.h"
#include "audio/GainControlSound.h"
#include "audio/ImpactSound.h"
#include "audio/JointAngleRateSound.h"
#include "audio/MusicManager.h"
#include "audio/Sound.h"
#include "physics/Contact.h"
#include "physics/PhysicalBase.h"
#include "platform/OdeBody.h"
#include "platform/OdeJoint.h"
#include "scene/FadeModule.h"
#include "scripting/bindings/BindingSupport.h"
#include "scripting/support/InterfaceHolderBindings.h"
#include "scripting/support/TrackedReference.h"
#include "scripting/wrappers/MusicManager_ListenerWrap.h"
#include "scripting/wrappers/SoundListenerWrap.h"
#include "scripting/support/StrictEnum.h"

#include <boost/python.hpp>

#include <string>

namespace bp = boost::python;

namespace tolva::bindings {

namespace {

void impactCollision(ImpactSound& sound, PhysicalBase* partner, Contact* contact)
{
    sound.collision(require(partner, "The collision partner"), require(contact, "The contact"));
}

void fade(FadeModule& module, float duration, float destination, unsigned int data)
{
    module.fade(duration, destination, data);
}

void fadeFrom(FadeModule& module, float duration, float origin, float destination, unsigned int data)
{
    module.fade(duration, origin, destination, data);
}

} // namespace

void bindSounds()
{
    typedef void (_SoundListener::*Call)();
    typedef void (_SoundListener::*AtOffset)(float, float);
    bp::class_<SoundListenerWrap, boost::noncopyable>("Sound_Listener")
        .def("addSoundOffset", &_SoundListener::addSoundOffset)
        .def("removeSoundOffset", &_SoundListener::removeSoundOffset)
        .def("soundPlaying", bp::pure_virtual(&_SoundListener::soundPlaying))
        .def("soundPaused", bp::pure_virtual(&_SoundListener::soundPaused))
        .def("soundLooped", bp::pure_virtual(static_cast<Call>(&_SoundListener::soundLooped)))
        .def("soundStopped", bp::pure_virtual(static_cast<Call>(&_SoundListener::soundStopped)))
        .def("soundFinished", bp::pure_virtual(&_SoundListener::soundFinished))
        .def("soundAtOffset", bp::pure_virtual(static_cast<AtOffset>(&_SoundListener::soundAtOffset)));
    class_InterfaceHolder<_SoundListener>("Sound_Listener");

    tolva::boundEnum<Sound::Category>("Sound_Category")
        .value("CAT_UNKNOWN", Sound::CAT_UNKNOWN)
        .value("CAT_EFFECT", Sound::CAT_EFFECT)
        .value("CAT_MUSIC", Sound::CAT_MUSIC)
        .value("CAT_VOICE", Sound::CAT_VOICE);

    bp::class_<Sound, bp::bases<GameObject>, boost::noncopyable>(
        "Sound", bp::init<const std::string&, const std::string&>())
        .def("interfaceListener", &Sound::interfaceListener, TrackedPart())
        .def("getFilename", &Sound::getFilename, bp::return_value_policy<bp::copy_const_reference>())
        .def("getCategory", &Sound::getCategory)
        .def("setCategory", &Sound::setCategory)
        .def("isRelativeToListener", &Sound::isRelativeToListener)
        .def("setRelativeToListener", &Sound::setRelativeToListener)
        .def("isInitial", &Sound::isInitial)
        .def("isStopped", &Sound::isStopped)
        .def("stop", &Sound::stop)
        .def("isPlaying", &Sound::isPlaying)
        .def("play", &Sound::play)
        .def("isPaused", &Sound::isPaused)
        .def("pause", &Sound::pause)
        .def("getPitch", &Sound::getPitch)
        .def("setPitch", &Sound::setPitch)
        .def("getGain", &Sound::getGain)
        .def("setGain", &Sound::setGain)
        .def("getMaxGain", &Sound::getMaxGain)
        .def("setMaxGain", &Sound::setMaxGain)
        .def("getMinGain", &Sound::getMinGain)
        .def("setMinGain", &Sound::setMinGain)
        .def("getMaxDistance", &Sound::getMaxDistance)
        .def("setMaxDistance", &Sound::setMaxDistance)
        .def("getRolloffFactor", &Sound::getRolloffFactor)
        .def("setRolloffFactor", &Sound::setRolloffFactor)
        .def("getReferenceDistance", &Sound::getReferenceDistance)
        .def("setReferenceDistance", &Sound::setReferenceDistance)
        .def("getSecondDuration", &Sound::getSecondDuration)
        .def("getSecondOffset", &Sound::getSecondOffset)
        .def("setSecondOffset", &Sound::setSecondOffset)
        .def("isFading", &Sound::isFading)
        .def("fadeIn", &Sound::fadeIn)
        .def("fadeOut", &Sound::fadeOut)
        .def("cancelFade", &Sound::cancelFade)
        .def("isLooping", &Sound::isLooping)
        .def("setLoop", &Sound::setLoop)
        .def("getLoopOffset", &Sound::getLoopOffset)
        .def("setLoopOffset", &Sound::setLoopOffset);

    bp::class_<ImpactSound, bp::bases<Sound>, boost::noncopyable>(
        "ImpactSound", bp::init<const std::string&, const std::string&>())
        .def("isGainChanged", &ImpactSound::isGainChanged)
        .def("setGainChange", &ImpactSound::setGainChange)
        .def("getImpactGainScale", &ImpactSound::getImpactGainScale)
        .def("setImpactGainScale", &ImpactSound::setImpactGainScale)
        .def("getBackoff", &ImpactSound::getBackoff)
        .def("setBackoff", &ImpactSound::setBackoff)
        .def("getCooloff", &ImpactSound::getCooloff)
        .def("setCooloff", &ImpactSound::setCooloff)
        .def("getThreshold", &ImpactSound::getThreshold)
        .def("setThreshold", &ImpactSound::setThreshold)
        .def("getThresholdOverride", &ImpactSound::getThresholdOverride)
        .def("setThresholdOverride", &ImpactSound::setThresholdOverride)
        .def("collision", &impactCollision);

    bp::class_<GainControlSound, bp::bases<Sound>, boost::noncopyable>("GainControlSound", bp::no_init)
        .def("isEnabled", &GainControlSound::isEnabled)
        .def("setEnabled", &GainControlSound::setEnabled)
        .def("getMaxGainControl", &GainControlSound::getMaxGainControl)
        .def("setMaxGainControl", &GainControlSound::setMaxGainControl);
    // The body belongs to its movable object, which tells the sound when it goes. A joint belongs
    // to the script's object, which the sound keeps alive.
    bp::class_<AngularVelocitySound, bp::bases<GainControlSound>, boost::noncopyable>(
        "AngularVelocitySound", bp::init<const std::string&, const std::string&, ode::Body*>());
    bp::class_<JointAngleRateSound, bp::bases<GainControlSound>, boost::noncopyable>("JointAngleRateSound",
        bp::init<const std::string&, const std::string&, ode::Joint*>()[bp::with_custodian_and_ward<1, 4>()]);
}

void bindMusic()
{
    bp::class_<FadeModule, boost::noncopyable>("FadeModule", bp::no_init)
        .def("isFadeRunning", &FadeModule::isFadeRunning)
        .def("fade", &fade, (bp::arg("duration"), bp::arg("destination"), bp::arg("data") = 0u))
        .def("fadeFQ", &fadeFrom,
            (bp::arg("duration"), bp::arg("origin"), bp::arg("destination"), bp::arg("data") = 0u));

    bp::class_<MusicManager_ListenerWrap, boost::noncopyable>("MusicManager_Listener")
        .def("motifPlay", bp::pure_virtual(&MusicManager::Listener::motifPlay))
        .def("motifStop", bp::pure_virtual(&MusicManager::Listener::motifStop));

    tolva::strictEnum<MusicManager::FadeTarget>("MusicManager_FadeTarget")
        .value("FADE_BACKGROUND", MusicManager::FADE_BACKGROUND)
        .value("FADE_MOTIFS", MusicManager::FADE_MOTIFS)
        .value("FADE_ALL", MusicManager::FADE_ALL);

    class_InterfaceHolder<MusicManager::Listener>("MusicManager_Listener");

    const auto motifKeywords
        = (bp::arg("fileName"), bp::arg("instanceName") = std::string(), bp::arg("probability") = 1.0f);
    bp::class_<MusicManager, bp::bases<FadeModule>, boost::noncopyable>("MusicManager", bp::no_init)
        .def("getBackground", &MusicManager::getBackground, Tracked())
        .def("setBackground", &MusicManager::setBackground,
            (bp::arg("fileName"), bp::arg("instanceName") = std::string()))
        .def("isMotifFileLoaded", &MusicManager::isMotifFileLoaded)
        .def("isMotifPlaying", &MusicManager::isMotifPlaying)
        .def("playMotifs", &MusicManager::playMotifs)
        .def("playMotif", &MusicManager::playMotif)
        .def("stopMotifs", &MusicManager::stopMotifs)
        .def("getMotif", &MusicManager::getMotif, Tracked())
        .def("addMotif", &MusicManager::addMotif, motifKeywords)
        .def("addMotifUnique", &MusicManager::addMotifUnique, motifKeywords)
        .def("removeMotif", &MusicManager::removeMotif)
        .def("getProbability", &MusicManager::getProbability)
        .def("setProbability", &MusicManager::setProbability)
        .def("getSpaceMinimum", &MusicManager::getSpaceMinimum)
        .def("getSpaceMaximum", &MusicManager::getSpaceMaximum)
        .def("setSpaceMinimum", &MusicManager::setSpaceMinimum)
        .def("setSpaceMaximum", &MusicManager::setSpaceMaximum)
        .def("getSpace", &MusicManager::getSpace)
        .def("setGain", &MusicManager::setGain)
        .def("flush", &MusicManager::flush)
        .def("interfaceMusicManagerListener", &MusicManager::interfaceMusicManagerListener,
            bp::return_internal_reference<1>());
}

} // namespace tolva::bindings
