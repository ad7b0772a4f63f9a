#include "core/Log.h"
#include "core/LogLine.h"

#include "support/TempDir.h"

#include <OgreLogManager.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class LogTest : public ::testing::Test {
protected:
    // A log without a file, for the tail arithmetic.
    std::unique_ptr<tolva::Log> makeLog(unsigned int maximum)
    {
        auto log = std::make_unique<tolva::Log>(mDir.file("unused.log"), false, true, maximum);
        log->eventNewOutput().connect([this](const std::string& text) { mEvents.push_back(text); });
        return log;
    }

    tolva::test::TempDir mDir;
    std::vector<std::string> mEvents;
};

TEST_F(LogTest, OverflowCutsTheFrontAndMovesTheMarkerWithTheText)
{
    auto log = makeLog(10);
    log->logMessage("12345678");
    log->mark();
    EXPECT_EQ(log->getMarkerOutput(), "");
    log->logMessage("abc");
    EXPECT_EQ(log->getOutput(), "2345678abc");
    EXPECT_EQ(log->getMarkerOutput(), "abc");
    EXPECT_EQ(log->getLatestOutput(), "abc");
    EXPECT_EQ(mEvents, (std::vector<std::string>{"12345678", "abc"}));
}

TEST_F(LogTest, MessageLongerThanTheTailKeepsItsEndButIsAnnouncedWhole)
{
    auto log = makeLog(5);
    log->logMessage("ab");
    log->mark();
    log->logMessage("0123456789");
    EXPECT_EQ(log->getOutput(), "56789");
    EXPECT_EQ(log->getMarkerOutput(), "56789");
    EXPECT_EQ(log->getLatestOutput(), "0123456789");
    EXPECT_EQ(mEvents.back(), "0123456789");
}

TEST_F(LogTest, EmptyMessageIsStillAnnounced)
{
    auto log = makeLog(10);
    log->logMessage("abc");
    log->mark();
    log->logMessage("");
    EXPECT_EQ(log->getOutput(), "abc");
    EXPECT_EQ(log->getMarkerOutput(), "");
    EXPECT_EQ(log->getLatestOutput(), "");
    EXPECT_EQ(mEvents, (std::vector<std::string>{"abc", ""}));
}

TEST_F(LogTest, SlotThatLogsAgainDoesNotChangeWhatLaterSlotsReceive)
{
    auto log = makeLog(100);
    bool inside = false;
    log->eventNewOutput().connect(0, [&](const std::string& text) {
        if (!inside && text == "first") {
            inside = true;
            log->logMessage("nested");
        }
    });
    log->logMessage("first");
    // The group-0 slot runs first and logs "nested" (announced to every slot), then the
    // ungrouped recording slot still receives "first".
    EXPECT_EQ(mEvents, (std::vector<std::string>{"nested", "first"}));
    EXPECT_EQ(log->getOutput(), "firstnested");
}

class EngineLogTest : public LogTest {
protected:
    void SetUp() override
    {
        mManager = std::make_unique<Ogre::LogManager>();
        mLog = std::make_unique<tolva::Log>(mDir.file("engine.log"), false, false, 4096);
        mManager->setDefaultLog(mLog.get());
        mLog->eventNewOutput().connect([this](const std::string& text) { mEvents.push_back(text); });
    }

    void TearDown() override
    {
        mLog.reset();
        mManager.reset();
    }

    std::unique_ptr<Ogre::LogManager> mManager;
    std::unique_ptr<tolva::Log> mLog;
};

TEST_F(EngineLogTest, WarningsReachTheFileButNotTheTailOrTheEvent)
{
    mLog->logMessage("own line");
    tolva::logWarning("Warning: something odd.");
    Ogre::LogManager::getSingleton().logMessage("rendering engine line");

    EXPECT_EQ(mLog->getOutput(), "own line");
    EXPECT_EQ(mLog->getLatestOutput(), "own line");
    EXPECT_EQ(mEvents, (std::vector<std::string>{"own line"}));

    const std::string file = tolva::test::readFile(mDir.file("engine.log"));
    EXPECT_NE(file.find("own line"), std::string::npos) << file;
    EXPECT_NE(file.find("Warning: something odd."), std::string::npos) << file;
    EXPECT_NE(file.find("rendering engine line"), std::string::npos) << file;
}

TEST_F(EngineLogTest, DestroyedDefaultLogIsNoLongerUsedByTheManager)
{
    mLog.reset();
    EXPECT_EQ(mManager->getDefaultLog(), nullptr);
    // Would write through a dangling pointer if the manager still held the destroyed log.
    tolva::logWarning("Warning: after the log is gone.");
    EXPECT_EQ(tolva::test::readFile(mDir.file("engine.log")).find("after the log is gone"), std::string::npos);
}

} // namespace
