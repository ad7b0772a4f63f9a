// Script classes of the audio folder: the audio module and the sound listener it owns.
#include "scripting/bindings/Bindings.h"

#include "audio/Audio.h"
#include "audio/MusicManager.h"
#include "audio/SoundListener.h"
#include "platform/AlSound.h"
#include "scripting/support/ObjectLives.h"

#include <boost/python.hpp>

#include <memory>
#include <string>

namespace bp = boost::python;

namespace tolva::bindings {

namespace {

/// A layer sound the script's object owns: dropping the object frees the sound, unless the sound
/// manager has gone first and taken its sounds with it.
std::shared_ptr<al::Sound> createSound(Audio& audio, const std::string& name, const std::string& fileName)
{
    al::Sound* sound = audio.createSound(name, fileName);
    const ObjectLives::Token alive = ObjectLives::watch(static_cast<Ogre::MovableObject*>(sound));
    return std::shared_ptr<al::Sound>(sound, [alive](al::Sound* sound) {
        Audio* owner = Audio::getInstance();
        if (*alive && owner) {
            owner->destroySound(sound);
        }
    });
}

} // namespace

// The listener lives from the audio module's initialise to its shutdown, which comes after the
// interpreter's. Its scene object members are not the script's: AudioListener has no bases.
void bindAudio()
{
    bp::class_<SoundListener, boost::noncopyable>("AudioListener", bp::no_init)
        .def("getGain", &SoundListener::getGain)
        .def("setGain", &SoundListener::setGain);

    // The binding library's registry outlives the interpreter: after an engine restart the
    // conversion of the first start is still in place.
    const bp::converter::registration* owned
        = bp::converter::registry::query(bp::type_id<std::shared_ptr<al::Sound>>());
    if (!owned || !owned->m_to_python) {
        bp::register_ptr_to_python<std::shared_ptr<al::Sound>>();
    }
    typedef bp::return_internal_reference<1> Owned;
    bp::class_<Audio, boost::noncopyable>("Audio", bp::no_init)
        .def("getMusicManager", &Audio::getMusicManager, Owned())
        .def("getListener", &Audio::getListener, Owned())
        .def("createSound", &createSound)
        .def("getSoundCategoryGain", &Audio::getSoundCategoryGain)
        .def("setSoundCategoryGain", &Audio::setSoundCategoryGain);
}

} // namespace tolva::bindings
