// A music listener implemented by a script: the start and stop of each motif reach the script's
// "motifPlay" and "motifStop" methods with the motif's name.
#pragma once

#include "audio/MusicManager.h"

#include <boost/noncopyable.hpp>
#include <boost/python/wrapper.hpp>

#include "scripting/support/RunningScript.h"

#include <string>

namespace tolva {

/// Lives inside the Python object that a script made from `MusicManager_Listener`. The name
/// arrives as a str. A class without the method raises TypeError; a script error leaves the call
/// as boost::python::error_already_set.
class MusicManager_ListenerWrap : public MusicManager::Listener,
                                  public boost::python::wrapper<MusicManager::Listener>,
                                  private boost::noncopyable {
public:
    void motifPlay(const std::string& name) override
    {
        const RunningScript running;
        get_override("motifPlay")(name);
    }
    void motifStop(const std::string& name) override
    {
        const RunningScript running;
        get_override("motifStop")(name);
    }
};

} // namespace tolva
