// Updateables framed by the game base in registration order, joining and leaving at any moment,
// also from inside a frame pass, and outliving the game base.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "core/GameBase.h"
#include "core/Updateable.h"
#include "support/CallRecorder.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

using tolva::Engine;
using tolva::GameBase;
using tolva::Updateable;
using tolva::test::coreOptions;
using tolva::test::TestGame;
using tolva::test::TestHome;

namespace {

char programName[] = "spindlewake";
char* programArgs[] = {programName, nullptr};

class Recorder : public Updateable, public tolva::test::CallRecorder {
public:
    Recorder(const std::string& name, std::vector<std::string>& calls, bool needsFrames = true)
        : CallRecorder(calls, name)
        , mNeedsFrames(needsFrames)
    {
    }

    bool needsFrames() const override { return mNeedsFrames; }

    void frame(float seconds) override
    {
        mLastSeconds = seconds;
        record();
    }

    float mLastSeconds = 0.0f;
    const bool mNeedsFrames;
};

class Updateables : public ::testing::Test {
protected:
    Updateables()
        : mHome(TestHome::minimalEngineConfig(), "")
        , mEngine(std::make_unique<Engine>(1, programArgs, coreOptions([] { return new TestGame(0, false); })))
    {
    }

    /// One game frame; returns the updateables called, in order.
    std::vector<std::string> frame(float seconds = 0.5f)
    {
        mCalls.clear();
        mEngine->getGame()->frame(seconds);
        return mCalls;
    }

    TestHome mHome;
    std::unique_ptr<Engine> mEngine;
    std::vector<std::string> mCalls;
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(Updateables, AreFramedInRegistrationOrderUntilDestroyed)
{
    auto a = std::make_unique<Recorder>("A", mCalls);
    auto b = std::make_unique<Recorder>("B", mCalls);
    EXPECT_EQ(frame(0.25f), (Names{"A", "B"}));
    EXPECT_FLOAT_EQ(a->mLastSeconds, 0.25f);
    EXPECT_EQ(frame(), (Names{"A", "B"}));

    a.reset();
    EXPECT_EQ(frame(), (Names{"B"}));
    auto c = std::make_unique<Recorder>("C", mCalls);
    EXPECT_EQ(frame(), (Names{"B", "C"}));
}

TEST_F(Updateables, AreFramedByTheEnginesFrameThroughTheGame)
{
    Recorder a("A", mCalls);
    mEngine->frame(0.125f);
    EXPECT_EQ(mCalls, (Names{"A"}));
    EXPECT_FLOAT_EQ(a.mLastSeconds, 0.125f);
}

TEST_F(Updateables, OneDestroyedByAnEarlierOneInTheSamePassIsNotCalled)
{
    auto a = std::make_unique<Recorder>("A", mCalls);
    auto b = std::make_unique<Recorder>("B", mCalls);
    auto c = std::make_unique<Recorder>("C", mCalls);
    a->onCall = [&b] { b.reset(); };
    EXPECT_EQ(frame(), (Names{"A", "C"}));
    EXPECT_EQ(frame(), (Names{"A", "C"}));
}

TEST_F(Updateables, OneCreatedDuringAPassWaitsForTheNextFrame)
{
    std::vector<std::unique_ptr<Recorder>> created;
    auto a = std::make_unique<Recorder>("A", mCalls);
    auto b = std::make_unique<Recorder>("B", mCalls);
    // Many at once, so the registry's storage grows while the pass is under way.
    a->onCall = [&] {
        if (created.empty()) {
            for (int i = 0; i < 64; ++i) {
                created.push_back(std::make_unique<Recorder>("N" + std::to_string(i), mCalls));
            }
        }
    };
    EXPECT_EQ(frame(), (Names{"A", "B"}));
    const Names second = frame();
    ASSERT_EQ(second.size(), 66u);
    EXPECT_EQ(second[0], "A");
    EXPECT_EQ(second[1], "B");
    EXPECT_EQ(second[2], "N0");
    EXPECT_EQ(second[65], "N63");
}

TEST_F(Updateables, OneThatDestroysItselfAndCreatesAnotherLeavesTheRestFramed)
{
    auto a = std::make_unique<Recorder>("A", mCalls);
    auto b = std::make_unique<Recorder>("B", mCalls);
    std::unique_ptr<Recorder> replacement;
    // Deleting itself is the last thing the callback does: the callback lives in the object.
    a->onCall = [&] {
        replacement = std::make_unique<Recorder>("R", mCalls);
        a.reset();
    };
    EXPECT_EQ(frame(), (Names{"A", "B"}));
    EXPECT_EQ(frame(), (Names{"B", "R"}));
}

TEST_F(Updateables, ThoseWithNothingToDoLeaveAtTheirFirstFrameTheOthersKeepTheirOrder)
{
    auto a = std::make_unique<Recorder>("A", mCalls);
    auto idle = std::make_unique<Recorder>("-", mCalls, false);
    auto b = std::make_unique<Recorder>("B", mCalls);
    std::vector<std::unique_ptr<Recorder>> created;
    a->onCall = [&] {
        if (created.empty()) {
            created.push_back(std::make_unique<Recorder>("-", mCalls, false));
            created.push_back(std::make_unique<Recorder>("C", mCalls));
        }
    };
    GameBase& game = *mEngine->getGame();
    EXPECT_EQ(frame(), (Names{"A", "B"}));
    EXPECT_EQ(game.interfaceUpdateable().getSize(), 4u);
    EXPECT_EQ(frame(), (Names{"A", "B", "C"}));
    EXPECT_EQ(game.interfaceUpdateable().getSize(), 3u);

    auto goneBeforeItsFirstFrame = std::make_unique<Recorder>("-", mCalls, false);
    goneBeforeItsFirstFrame.reset();
    auto d = std::make_unique<Recorder>("D", mCalls);
    idle.reset();
    b.reset();
    EXPECT_EQ(frame(), (Names{"A", "C", "D"}));
    EXPECT_EQ(game.interfaceUpdateable().getSize(), 3u);
}

TEST_F(Updateables, OutliveTheGameBaseWithoutTouchingIt)
{
    auto a = std::make_unique<Recorder>("A", mCalls);
    auto b = std::make_unique<Recorder>("B", mCalls);
    mEngine.reset();
    EXPECT_EQ(GameBase::getInstance(), nullptr);
    a.reset();
    b.reset();
    EXPECT_TRUE(mCalls.empty());
}

TEST(UpdateableWithoutGame, IsNeverFramedAndLeavesCleanly)
{
    std::vector<std::string> calls;
    auto lonely = std::make_unique<Recorder>("L", calls);

    TestHome home(TestHome::minimalEngineConfig(), "");
    Engine engine(1, programArgs, coreOptions([] { return new TestGame(0, false); }));
    engine.getGame()->frame(0.1f);
    EXPECT_TRUE(calls.empty());
    lonely.reset();
}

TEST(GameBaseSingleton, ExistsOnlyWithAGame)
{
    EXPECT_EQ(GameBase::getInstance(), nullptr);
    {
        TestGame game;
        EXPECT_EQ(GameBase::getInstance(), &game);
        EXPECT_EQ(game.getControlRegistry(), nullptr);
        EXPECT_TRUE(game.interfaceUpdateable().isEmpty());
    }
    EXPECT_EQ(GameBase::getInstance(), nullptr);
}
