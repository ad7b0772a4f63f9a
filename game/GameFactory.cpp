#include "game/GameFactory.h"

#include "core/Exceptions.h"
#include "game/Game.h"
#include "game/SpindlewakeModule.h"

namespace tolva {

namespace {

// One literal for both: the window title and the name scripts import.
const char* const GameName = "Spindlewake";

} // namespace

GameBase* GameFactory::createGame()
{
    return new Game();
}

void GameFactory::registerPythonModules()
{
    if (PyImport_AppendInittab(GameName, &PyInit_Spindlewake) == -1) {
        throw InitialisationException("Could not install game module in Python initialisation table.");
    }
}

std::string GameFactory::getGameName()
{
    return GameName;
}

} // namespace tolva
