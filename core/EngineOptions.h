// What an engine is built with. A program uses the defaults; a test turns modules off to build an
// engine with only the modules it needs, and supplies its own game. A module that is turned off
// is absent exactly as one that is not built: its accessor returns null and the engine skips it
// in every step of the life cycle.
#pragma once

#include <functional>

namespace tolva {

class GameBase;

struct EngineOptions {
    bool graphics = true;
    bool audio = true;
    bool input = true;
    bool physics = true;
    bool time = true;
    bool scripting = true;
    bool gui = true;
    bool console = true;
    bool gravityManager = true;

    /// Makes the game module; the engine owns what it returns. Empty means the game's own
    /// factory (GameFactory::createGame). Returning null leaves the engine without a game.
    std::function<GameBase*()> createGame;

    /// Told of every step the engine takes on a module, in the order taken: step is "create",
    /// "initialise", "frame", "shutdown" or "delete", module is the module's name ("log",
    /// "graphics", "audio", "input", "physics", "time", "scripting", "gui", "console", "game",
    /// "gravity manager"). Empty by default; tests record the life cycle with it.
    std::function<void(const char* step, const char* module)> trace;
};

} // namespace tolva
