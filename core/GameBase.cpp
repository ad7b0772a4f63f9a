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
    releaseUnframed();
    mUpdateables.forEach([seconds](Updateable* updateable) { updateable->frame(seconds); });
}

void GameBase::shutdown() { }

void GameBase::releaseUnframed()
{
    // Entries only ever join at the back, and every frame asks all that joined since the last
    // one, so those not asked yet are the last ones.
    const InterfaceHolder<Updateable>::EntryList& entries = mUpdateables.getEntries();
    std::size_t first = entries.size();
    while (first > 0 && !entries[first - 1].first->mFramesAsked) {
        --first;
    }
    if (first == entries.size()) {
        return;
    }
    mUpdateables.retainFrom(first, [](Updateable* updateable) {
        updateable->mFramesAsked = true;
        return updateable->needsFrames();
    });
}

} // namespace tolva
