// The engine's side of the game module: frames every updateable object once per frame, in the
// order they were created, and carries the game's control registry (created, stored and deleted
// by the game module itself).
#pragma once

#include "core/EngineModule.h"
#include "core/InterfaceHolder.h"
#include "core/Singleton.h"

namespace tolva {

class GameControlRegistry;
class Updateable;

class GameBase : public Singleton<GameBase>, public EngineModule {
public:
    GameBase();
    /// Disconnects every updateable without calling it; deletes neither the updateables nor
    /// their connections nor the control registry.
    ~GameBase() override;

    GameBase(const GameBase&) = delete;
    GameBase& operator=(const GameBase&) = delete;

    void initialise() override;
    /// Frames every updateable with the same seconds, in registration order. An updateable that
    /// leaves during the pass (destroyed by another one's frame) is not called after it left; one
    /// that joins during the pass is first framed in the next frame. Updateables that joined
    /// since the last frame and need no frames (Updateable::needsFrames) leave first.
    void frame(float seconds) override;
    void shutdown() override;

    InterfaceHolder<Updateable>& interfaceUpdateable() { return mUpdateables; }
    /// Null until the game module stores its registry.
    GameControlRegistry* getControlRegistry() const { return mControlRegistry; }

protected:
    /// For the game module, which owns the registry.
    void setControlRegistry(GameControlRegistry* registry) { mControlRegistry = registry; }

private:
    /// Disconnects the newcomers whose class does nothing in frame, keeping the others' order.
    void releaseUnframed();

    InterfaceHolder<Updateable> mUpdateables;
    GameControlRegistry* mControlRegistry = nullptr;
};

} // namespace tolva
