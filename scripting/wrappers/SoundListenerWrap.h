// A sound listener implemented by a script: a sound's playing, pausing, looping, stopping,
// finishing and offsets reach the script's methods of those names.
#pragma once

#include "audio/_SoundListener.h"

#include <boost/noncopyable.hpp>
#include <boost/python/wrapper.hpp>

#include "scripting/support/RunningScript.h"

namespace tolva {

/// Lives inside the Python object that a script made from `Sound_Listener`. A script class
/// defines only the methods it wants: a call without a method of its name does nothing. A
/// script error leaves the call as boost::python::error_already_set.
class SoundListenerWrap : public _SoundListener,
                          public boost::python::wrapper<_SoundListener>,
                          private boost::noncopyable {
public:
    using _SoundListener::soundAtOffset;

    void soundPlaying() override { callIfDefined("soundPlaying"); }
    void soundPaused() override { callIfDefined("soundPaused"); }
    void soundLooped() override { callIfDefined("soundLooped"); }
    void soundStopped() override { callIfDefined("soundStopped"); }
    void soundFinished() override { callIfDefined("soundFinished"); }
    void soundAtOffset(float offset, float position) override
    {
        if (boost::python::override method = get_override("soundAtOffset")) {
            const RunningScript running;
            method(offset, position);
        }
    }

private:
    void callIfDefined(const char* name)
    {
        if (boost::python::override method = get_override(name)) {
            const RunningScript running;
            method();
        }
    }
};

} // namespace tolva
