#include "core/Updateable.h"

#include "core/Engine.h"
#include "core/GameBase.h"
#include "core/LogLine.h"

namespace tolva {

Updateable::Updateable()
    : mConnection(nullptr)
{
    Engine* engine = Engine::getInstance();
    GameBase* game = engine ? engine->getGame() : nullptr;
    if (game) {
        mConnection = game->interfaceUpdateable().connect(this);
    } else {
        logWarning("Warning: An updateable was created without a game module; it will not be framed.");
        mConnection = new Connection<Updateable>();
    }
}

Updateable::~Updateable()
{
    // Leaves the holder when it still exists; a handle of a vanished holder is only deleted.
    mConnection->disconnect();
    delete mConnection;
}

} // namespace tolva
