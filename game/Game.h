// The game module of Spindlewake: frames the game's updateables through the game base. While the
// program has no render window (whose closing ends the main loop), the game ends the loop itself
// after its first frame, so the program starts, runs and exits cleanly.
#pragma once

#include "core/GameBase.h"

namespace tolva {

class Game : public GameBase {
public:
    Game();
    ~Game() override;

    void initialise() override;
    void frame(float seconds) override;
    void shutdown() override;
};

} // namespace tolva
