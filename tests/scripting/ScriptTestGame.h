// The game module of the Python test runner. Like the real game it owns a control registry that
// keeps its bindings in "controls.cfg" of the data directory, hears the input module's events
// behind the engine's own slots (so script slots, connected later, run after it) and repeats held
// commands every frame; scripts reach the registry through the test module.
#pragma once

#include "support/TestGame.h"

#include <boost/signals2/connection.hpp>

#include <memory>
#include <vector>

namespace tolva {
class GameControlRegistry;
}

namespace tolva::test {

class ScriptTestGame : public TestGame {
public:
    /// Never stops the engine by itself.
    ScriptTestGame();
    ~ScriptTestGame() override;

    void initialise() override;
    /// Throws InvalidArgumentException, as a bound check inside a frame would, when asked to.
    void frame(float seconds) override;
    void shutdown() override;

    /// Makes the next frame of the running test game refuse itself (tolvatest.refuseNextFrame).
    static void refuseNextFrame();

private:
    std::unique_ptr<GameControlRegistry> mRegistry;
    std::vector<boost::signals2::scoped_connection> mConnections;
};

} // namespace tolva::test
