#include "core/GameBase.h"

#include "core/Updateable.h"

namespace tolva {

GameBase::GameBase() = default;

// The holder's destructor marks every updateable's connection disconnected without calling
// anyone; the updateables then only delete their connections.
GameBase::~GameBase() = default;

void GameBase::initialise() { }

void GameBase::frame(float seconds)
{
    mUpdateables.forEach([seconds](Updateable* updateable) { updateable->frame(seconds); });
}

void GameBase::shutdown() { }

} // namespace tolva
