// Makes the game module for the engine and tells the engine what the game is called.
#pragma once

#include <string>

namespace tolva {

class GameBase;

class GameFactory {
public:
    /// A new game module; the engine owns it.
    static GameBase* createGame();
    /// Adds the built-in script module "Spindlewake" to the interpreter's table; called by the
    /// scripting module before the interpreter starts.
    /// @throw InitialisationException "Could not install game module in Python initialisation
    ///        table." when the table refuses it
    static void registerPythonModules();
    /// "Spindlewake", the title of the render window.
    static std::string getGameName();
};

} // namespace tolva
