// Script classes of the audio folder: the audio module and the sound listener it owns.
#include "scripting/bindings/Bindings.h"

#include "audio/Audio.h"
#include "audio/MusicManager.h"
#include "audio/SoundListener.h"
#include "platform/AlSound.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva::bindings {

// The listener lives from the audio module's initialise to its shutdown, which comes after the
// interpreter's. Its scene object members are not the script's: AudioListener has no bases.
void bindAudio()
{
    bp::class_<SoundListener, boost::noncopyable>("AudioListener", bp::no_init)
        .def("getGain", &SoundListener::getGain)
        .def("setGain", &SoundListener::setGain);

    // A layer sound made by createSound lives until the audio module goes, after the interpreter:
    // nothing a script can call destroys it.
    typedef bp::return_internal_reference<1> Owned;
    bp::class_<Audio, boost::noncopyable>("Audio", bp::no_init)
        .def("getMusicManager", &Audio::getMusicManager, Owned())
        .def("getListener", &Audio::getListener, Owned())
        .def("createSound", &Audio::createSound, Owned())
        .def("getSoundCategoryGain", &Audio::getSoundCategoryGain)
        .def("setSoundCategoryGain", &Audio::setSoundCategoryGain);
}

} // namespace tolva::bindings
