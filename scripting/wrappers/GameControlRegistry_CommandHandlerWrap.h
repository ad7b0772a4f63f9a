// A command handler implemented by a script: the control registry's call reaches the script's
// "handleCommand" method.
#pragma once

#include "input/GameControlRegistry.h"

#include <boost/noncopyable.hpp>
#include <boost/python/wrapper.hpp>

namespace tolva {

/// Lives inside the Python object that a script made from `GameControlRegistry_CommandHandler`.
/// The registry keeps only a plain pointer: the script keeps the handler referenced until it
/// has replaced it or removed its command.
class GameControlRegistry_CommandHandlerWrap : public GameControlRegistry::CommandHandler,
                                               public boost::python::wrapper<GameControlRegistry::CommandHandler>,
                                               private boost::noncopyable {
public:
    /// The value arrives as a Python int. A class without "handleCommand" raises TypeError; a
    /// script error leaves the call as boost::python::error_already_set.
    void handleCommand(int value) override { get_override("handleCommand")(value); }
};

} // namespace tolva
