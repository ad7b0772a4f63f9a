// A game module for engine tests: frames the updateables like any game, counts its life-cycle
// calls, runs an optional callback every frame and stops the engine after a given number of
// frames, with or without asking for a restart.
#pragma once

#include <functional>

#include "core/EngineOptions.h"
#include "core/GameBase.h"

namespace tolva::test {

class TestGame : public GameBase {
public:
    /// @param stopAfterFrames the frame at whose end the engine is stopped; 0 never stops it
    /// @param restart the restart flag given to Engine::stop
    explicit TestGame(unsigned int stopAfterFrames = 1, bool restart = false);

    void initialise() override;
    /// Frames the updateables, counts the frame, runs the callback, then stops the engine when
    /// the frame count reaches the limit.
    void frame(float seconds) override;
    void shutdown() override;

    void setStop(unsigned int stopAfterFrames, bool restart);

    unsigned int getFrameCount() const { return mFrameCount; }
    unsigned int getInitialiseCount() const { return mInitialiseCount; }
    unsigned int getShutdownCount() const { return mShutdownCount; }
    float getLastSeconds() const { return mLastSeconds; }

    /// Runs at every frame after the updateables, with the frame's number (from 1).
    std::function<void(TestGame& game, unsigned int frameNumber)> onFrame;

private:
    unsigned int mStopAfterFrames;
    bool mRestart;
    unsigned int mFrameCount = 0;
    unsigned int mInitialiseCount = 0;
    unsigned int mShutdownCount = 0;
    float mLastSeconds = 0.0f;
};

/// Options for an engine of the core alone: the configuration, the log and time, no other
/// module, and the game made by createGame (by default a TestGame that stops after one frame).
EngineOptions coreOptions(std::function<GameBase*()> createGame = std::function<GameBase*()>());

} // namespace tolva::test
