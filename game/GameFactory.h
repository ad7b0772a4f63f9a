// Makes the game module for the engine and tells the engine what the game is called.
#pragma once

#include <string>

namespace tolva {

class GameBase;

class GameFactory {
public:
    /// A new game module; the engine owns it.
    static GameBase* createGame();
    /// Adds the game's built-in script modules to the interpreter's table; called by the
    /// scripting module before the interpreter starts.
    static void registerPythonModules();
    /// "Spindlewake", the title of the render window.
    static std::string getGameName();
};

} // namespace tolva
