#include "game/GameFactory.h"

#include "game/Game.h"

namespace tolva {

GameBase* GameFactory::createGame()
{
    return new Game();
}

void GameFactory::registerPythonModules()
{
    // The game has no script module yet.
}

std::string GameFactory::getGameName()
{
    return "Spindlewake";
}

} // namespace tolva
