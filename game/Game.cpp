#include "game/Game.h"

#include "core/Engine.h"

namespace tolva {

Game::Game() = default;

Game::~Game() = default;

void Game::initialise()
{
    GameBase::initialise();
}

void Game::frame(float seconds)
{
    GameBase::frame(seconds);
    Engine* engine = Engine::getInstance();
    if (engine && !engine->getGraphics()) {
        // Nothing else could ever end the loop: there is no window to close.
        engine->stop(false);
    }
}

void Game::shutdown()
{
    GameBase::shutdown();
}

} // namespace tolva
