// A command handler implemented by a script: the control registry's call reaches the script's
// "handleCommand" method.
#pragma once

#include "input/GameControlRegistry.h"

#include <boost/noncopyable.hpp>
#include <boost/python/wrapper.hpp>

#include "scripting/support/RunningScript.h"

namespace tolva {

/// Lives inside the Python object that a script made from `GameControlRegistry_CommandHandler`.
/// The registry keeps only a plain pointer: whatever sets a script's handler on a command keeps
/// the handler's Python object alive while it is set (ScriptKeepAlive), so a script need not.
class GameControlRegistry_CommandHandlerWrap : public GameControlRegistry::CommandHandler,
                                               public boost::python::wrapper<GameControlRegistry::CommandHandler>,
                                               private boost::noncopyable {
public:
    /// The value arrives as a Python int. A class without "handleCommand" raises TypeError; a
    /// script error leaves the call as boost::python::error_already_set.
    void handleCommand(int value) override
    {
        const RunningScript running;
        get_override("handleCommand")(value);
    }
};

} // namespace tolva
