// TolvaValues.al: the sound layer's own sound, which the audio module's createSound hands to
// scripts. Scripts play it and set what the layer lets them set; where it is heard from belongs
// to the scene node the engine hangs it on.
#include "scripting/values/ValuesModule.h"

#include "platform/AlSound.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva::values {

void defineSoundLayerValues()
{
    typedef al::Sound Sound;
    bp::class_<Sound, boost::noncopyable>("Sound", bp::no_init)
        .def("getFileName", &Sound::getFileName, bp::return_value_policy<bp::copy_const_reference>())
        .def("play", &Sound::play)
        .def("pause", &Sound::pause)
        .def("stop", &Sound::stop)
        .def("isPlaying", &Sound::isPlaying)
        .def("isPaused", &Sound::isPaused)
        .def("isStopped", &Sound::isStopped)
        .def("getGain", &Sound::getGain)
        .def("setGain", &Sound::setGain)
        .def("getPitch", &Sound::getPitch)
        .def("setPitch", &Sound::setPitch)
        .def("isLooping", &Sound::isLooping)
        .def("setLoop", &Sound::setLoop)
        .def("getSecondDuration", &Sound::getSecondDuration)
        .def("getSecondOffset", &Sound::getSecondOffset)
        .def("setSecondOffset", &Sound::setSecondOffset);
}

} // namespace tolva::values
