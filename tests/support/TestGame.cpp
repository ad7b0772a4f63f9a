#include "support/TestGame.h"

#include "core/Engine.h"

namespace tolva::test {

TestGame::TestGame(unsigned int stopAfterFrames, bool restart)
    : mStopAfterFrames(stopAfterFrames)
    , mRestart(restart)
{
}

void TestGame::initialise()
{
    GameBase::initialise();
    ++mInitialiseCount;
}

void TestGame::frame(float seconds)
{
    GameBase::frame(seconds);
    ++mFrameCount;
    mLastSeconds = seconds;
    if (onFrame) {
        onFrame(*this, mFrameCount);
    }
    if (mStopAfterFrames != 0 && mFrameCount == mStopAfterFrames) {
        if (Engine* engine = Engine::getInstance()) {
            engine->stop(mRestart);
        }
    }
}

void TestGame::shutdown()
{
    GameBase::shutdown();
    ++mShutdownCount;
}

void TestGame::setStop(unsigned int stopAfterFrames, bool restart)
{
    mStopAfterFrames = stopAfterFrames;
    mRestart = restart;
}

EngineOptions coreOptions(std::function<GameBase*()> createGame)
{
    EngineOptions options;
    options.graphics = false;
    options.audio = false;
    options.input = false;
    options.physics = false;
    options.time = true;
    options.scripting = false;
    options.gui = false;
    options.console = false;
    options.gravityManager = false;
    options.createGame = createGame ? createGame : [] { return static_cast<GameBase*>(new TestGame()); };
    return options;
}

} // namespace tolva::test
