// The engine object: construction, the module life cycle in its fixed orders, the main loop,
// the console key and the resource locations of "engine.cfg".
#include <gtest/gtest.h>

#include <OISKeyboard.h>
#include <OgreArchive.h>
#include <OgreArchiveManager.h>
#include <OgreException.h>
#include <OgreFileSystem.h>
#include <OgreLogManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <Bites/OgreWindowEventUtilities.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>
#include <filesystem>

#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/GameBase.h"
#include "core/Log.h"
#include "core/ScheduleListener.h"
#include "core/Time.h"
#include "core/LogLine.h"
#include "scene/Graphics.h"
#include "support/TempDir.h"
#include "support/TestGame.h"
#include "support/TestHome.h"
#include "scene/WindowTestSupport.h"

using tolva::Engine;
using tolva::EngineOptions;
using tolva::test::coreOptions;
using tolva::test::readFile;
using tolva::test::TempDir;
using tolva::test::TestGame;
using tolva::test::TestHome;

namespace {

char programName[] = "spindlewake";
char* programArgs[] = {programName, nullptr};

std::unique_ptr<Engine> makeEngine(const EngineOptions& options)
{
    return std::make_unique<Engine>(1, programArgs, options);
}

TestGame* gameOf(Engine& engine)
{
    return dynamic_cast<TestGame*>(engine.getGame());
}

/// The modules named in the trace's "create" steps, in the order given, keeping only those.
std::vector<std::string> present(const std::vector<std::string>& order, const std::set<std::string>& built)
{
    std::vector<std::string> result;
    for (const std::string& name : order) {
        if (built.count(name)) {
            result.push_back(name);
        }
    }
    return result;
}

struct Trace {
    std::vector<std::pair<std::string, std::string>> steps;

    std::vector<std::string> modules(const std::string& step) const
    {
        std::vector<std::string> result;
        for (const auto& entry : steps) {
            if (entry.first == step) {
                result.push_back(entry.second);
            }
        }
        return result;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Life cycle

TEST(EngineLifeCycle, EveryModuleGoesThroughEveryStepInItsFixedOrder)
{
    // Every module the engine builds, the window ones included.
    TestHome home(tolva::test::windowEngineConfig(), "");
    Trace trace;
    EngineOptions options;
    options.createGame = [] { return new TestGame(2, false); };
    options.trace = [&trace](const char* step, const char* module) { trace.steps.emplace_back(step, module); };

    std::set<std::string> existing;
    {
        Engine engine(1, programArgs, options);
        tolva::test::keepGraphicsLibrariesLoaded();
        const std::pair<const char*, const void*> modules[] = {{"config", engine.getConfigFile()},
            {"log", engine.getLog()}, {"graphics", engine.getGraphics()}, {"audio", engine.getAudio()},
            {"input", engine.getInput()}, {"physics", engine.getPhysics()}, {"time", engine.getTime()},
            {"scripting", engine.getScripting()}, {"gui", engine.getGui()}, {"console", engine.getConsole()},
            {"game", engine.getGame()}, {"gravity manager", engine.getGravityManager()}};
        for (const auto& [name, module] : modules) {
            if (module) {
                existing.insert(name);
            }
        }
        engine.initialise();
        EXPECT_FALSE(engine.run());
        engine.shutdown();
    }

    for (const char* module : {"config", "log", "graphics", "input", "physics", "time", "scripting", "game"}) {
        EXPECT_TRUE(existing.count(module)) << module;
    }
    const std::vector<std::string> created = trace.modules("create");
    EXPECT_EQ(std::set<std::string>(created.begin(), created.end()), existing);

    EXPECT_EQ(created,
        present({"config", "log", "graphics", "audio", "input", "physics", "time", "scripting", "gui", "console",
                    "game", "gravity manager"},
            existing));
    EXPECT_EQ(trace.modules("initialise"),
        present({"log", "graphics", "audio", "input", "physics", "time", "scripting", "gui", "game"}, existing));
    EXPECT_EQ(trace.modules("shutdown"),
        present({"game", "gui", "scripting", "time", "physics", "input", "audio", "graphics", "log"}, existing));
    EXPECT_EQ(trace.modules("delete"),
        present({"console", "gravity manager", "game", "gui", "scripting", "time", "physics", "input", "audio",
                    "graphics", "log", "config"},
            existing));

    // Two frames, each framing the modules in order; the log and scripting are not framed.
    const std::vector<std::string> oneFrame
        = present({"time", "input", "game", "physics", "audio", "gui", "graphics"}, existing);
    std::vector<std::string> twoFrames = oneFrame;
    twoFrames.insert(twoFrames.end(), oneFrame.begin(), oneFrame.end());
    EXPECT_EQ(trace.modules("frame"), twoFrames);
}

TEST(EngineLifeCycle, FramesBeforeTheWindowIsMappedRenderNeitherSceneNorGui)
{
    // A window the X server has not mapped yet (common on a loaded machine) is skipped by the
    // render; the GUI must not draw into the frame that never began.
    TestHome home(tolva::test::windowEngineConfig(), "");
    EngineOptions options;
    options.createGame = [] { return new TestGame(3, false); };
    Engine engine(1, programArgs, options);
    tolva::test::keepGraphicsLibrariesLoaded();
    ASSERT_NE(nullptr, engine.getGui());
    engine.initialise();
    // The events of the first mapping are taken first, so that nothing shows the window again.
    OgreBites::WindowEventUtilities::messagePump();
    engine.getGraphics()->getWindow()->setHidden(true);
    engine.getGraphics()->getWindow()->setVisible(false);
    bool restart = true;
    EXPECT_NO_THROW(restart = engine.run());
    EXPECT_FALSE(restart);
    engine.shutdown();
}

TEST(EngineLifeCycle, TurnedOffModulesAreAbsent)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    EngineOptions options = coreOptions();
    options.time = false;
    auto engine = makeEngine(options);
    EXPECT_NE(engine->getConfigFile(), nullptr);
    EXPECT_NE(engine->getLog(), nullptr);
    EXPECT_NE(engine->getGame(), nullptr);
    EXPECT_EQ(engine->getTime(), nullptr);
    EXPECT_EQ(engine->getScripting(), nullptr);
    EXPECT_EQ(engine->getGraphics(), nullptr);
    EXPECT_EQ(engine->getAudio(), nullptr);
    EXPECT_EQ(engine->getInput(), nullptr);
    EXPECT_EQ(engine->getPhysics(), nullptr);
    EXPECT_EQ(engine->getGui(), nullptr);
    EXPECT_EQ(engine->getConsole(), nullptr);
    EXPECT_EQ(engine->getGravityManager(), nullptr);
    EXPECT_EQ(engine->getDataDirectory(), home.dataDirectory());
    EXPECT_FLOAT_EQ(engine->getTimeScale(), 1.0f);
}

TEST(EngineLifeCycle, ModulesReachTheEngineWhileItIsBeingBuilt)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    bool checked = false;
    EngineOptions options = coreOptions([&checked]() -> tolva::GameBase* {
        Engine* engine = Engine::getInstance();
        EXPECT_NE(engine, nullptr);
        if (engine) {
            EXPECT_NE(engine->getConfigFile(), nullptr);
            EXPECT_NE(engine->getLog(), nullptr);
            EXPECT_NE(engine->getTime(), nullptr);
            EXPECT_EQ(engine->getGame(), nullptr);
            EXPECT_EQ(Ogre::LogManager::getSingleton().getDefaultLog(), engine->getLog());
        }
        checked = true;
        return new TestGame();
    });
    EXPECT_EQ(Engine::getInstance(), nullptr);
    {
        auto engine = makeEngine(options);
        EXPECT_EQ(Engine::getInstance(), engine.get());
    }
    EXPECT_TRUE(checked);
    EXPECT_EQ(Engine::getInstance(), nullptr);
    EXPECT_EQ(Ogre::LogManager::getSingletonPtr(), nullptr);
}

TEST(EngineLifeCycle, FailedConstructionClearsTheEngineAndItsModules)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    EngineOptions options = coreOptions([]() -> tolva::GameBase* { throw tolva::IOException("game failed"); });
    EXPECT_THROW(makeEngine(options), tolva::IOException);
    EXPECT_EQ(Engine::getInstance(), nullptr);
    EXPECT_EQ(Ogre::LogManager::getSingletonPtr(), nullptr);
    // A new engine can be built afterwards.
    auto engine = makeEngine(coreOptions());
    EXPECT_NE(engine->getGame(), nullptr);
}

TEST(EngineLifeCycle, MissingOrUnreadableConfigurationFailsStartUp)
{
    TestHome home;
    std::filesystem::create_directories(home.dataDirectory());
    try {
        makeEngine(coreOptions());
        FAIL() << "no exception";
    } catch (const tolva::InitialisationException& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Failed to load engine configuration file. Failed to find config file: ", 0), 0u)
            << error.what();
    }
    EXPECT_EQ(Engine::getInstance(), nullptr);

    // A folder where the file should be fails the same way.
    std::filesystem::create_directories(home.dataFile("engine.cfg"));
    EXPECT_THROW(makeEngine(coreOptions()), tolva::InitialisationException);
}

TEST(EngineLifeCycle, AConfigurationWithANulByteIsRefusedAndLeftAsItWas)
{
    const std::string content("[A]\na=1\nb=2\0\n[Game]\nLevel=7\n", 28);
    TestHome home(content, "");
    // The reason is part of the one fatal message, not a line of its own before it.
    testing::internal::CaptureStderr();
    std::string reason;
    try {
        makeEngine(coreOptions());
    } catch (const tolva::InitialisationException& error) {
        reason = error.what();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(reason.rfind("Failed to load engine configuration file. ", 0), 0u) << reason;
    EXPECT_NE(reason.find("Line 3 of '" + home.dataFile("engine.cfg") + "' holds a NUL byte"), std::string::npos)
        << reason;
    EXPECT_EQ(home.readEngineConfig(), content);
}

TEST(EngineLifeCycle, MissingHomeIsReportedUnchanged)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    unsetenv("HOME");
    try {
        makeEngine(coreOptions());
        FAIL() << "no exception";
    } catch (const tolva::NotFoundException& error) {
        EXPECT_STREQ(error.what(), "Value of environment variable HOME was not found.");
    }
    EXPECT_EQ(Engine::getInstance(), nullptr);
}

TEST(EngineLifeCycle, ConfigurationIsWrittenBackOnlyWhenAsked)
{
    TestHome home("# a comment\nConsole Enable=yes\n", "");
    {
        auto engine = makeEngine(coreOptions());
        engine->getConfigFile()->setValueString("Game", "Level", "2");
    }
    EXPECT_EQ(home.readEngineConfig(), "# a comment\nConsole Enable=yes\n");
    {
        auto engine = makeEngine(coreOptions());
        engine->getConfigFile()->setValueString("Game", "Level", "3");
        engine->writeConfiguration();
    }
    EXPECT_EQ(home.readEngineConfig(), "[]\nConsole Enable=yes\n[Game]\nLevel=3\n");
}

TEST(EngineLog, EngineAndWarningLinesReachTheLogFile)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    {
        auto engine = makeEngine(coreOptions());
        engine->getLog()->logMessage("engine line");
        tolva::logWarning("Warning: a warning line");
        EXPECT_EQ(engine->getLog()->getOutput(), "engine line");
    }
    const std::string log = home.readEngineLog();
    EXPECT_NE(log.find("engine line"), std::string::npos);
    EXPECT_NE(log.find("Warning: a warning line"), std::string::npos);
}

TEST(EngineLog, AKeyGivenTwiceInTheConfigurationIsWarnedAboutOnceAtStartUp)
{
    // Resource locations are a list, so their archive type repeats without a warning.
    TestHome home(TestHome::minimalEngineConfig() + "FileSystem=../media\n"
            + "[Sound]\nMaster Volume=0.3\n[Sound]\nMaster Volume=1.0\n",
        "");
    makeEngine(coreOptions()).reset();
    const std::string log = home.readEngineLog();
    EXPECT_EQ(std::string::npos, log.find("The key 'FileSystem'")) << log;
    const std::string warning = "Warning: The key 'Master Volume' is given 2 times in section [Sound] of '"
        + home.dataFile("engine.cfg") + "' (lines ";
    const std::string::size_type first = log.find(warning);
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_EQ(std::string::npos, log.find(warning, first + 1)) << log;
}

// ---------------------------------------------------------------------------------------------
// Main loop

TEST(EngineLoop, StopsAfterTheFrameThatAskedAndReturnsTheRestartFlag)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    auto engine = makeEngine(coreOptions([] { return new TestGame(3, true); }));
    TestGame* game = gameOf(*engine);
    bool runningInside = false;
    game->onFrame = [&](TestGame&, unsigned int) { runningInside = engine->isRunning(); };

    engine->initialise();
    EXPECT_FALSE(engine->isRunning());
    EXPECT_TRUE(engine->run());
    EXPECT_FALSE(engine->isRunning());
    EXPECT_TRUE(runningInside);
    EXPECT_EQ(game->getFrameCount(), 3u);
    EXPECT_EQ(game->getInitialiseCount(), 1u);
    EXPECT_GE(game->getLastSeconds(), 0.0f);
    EXPECT_LT(game->getLastSeconds(), 5.0f);

    // The loop can run again; the flag of the latest stop wins.
    game->setStop(5, false);
    EXPECT_FALSE(engine->run());
    EXPECT_EQ(game->getFrameCount(), 5u);
    engine->shutdown();
    EXPECT_EQ(game->getShutdownCount(), 1u);
}

TEST(EngineLoop, StopBeforeRunOnlyRecordsTheFlag)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    auto engine = makeEngine(coreOptions([] { return new TestGame(4, false); }));
    engine->stop(true);
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(engine->run());
    EXPECT_EQ(gameOf(*engine)->getFrameCount(), 4u);
}

TEST(EngineLoop, FrameTimeIsMeasuredBetweenFrames)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    auto engine = makeEngine(coreOptions([] { return new TestGame(3, false); }));
    std::vector<float> seconds;
    gameOf(*engine)->onFrame = [&](TestGame& game, unsigned int frame) {
        seconds.push_back(game.getLastSeconds());
        if (frame == 1) {
            usleep(30000);
        }
    };
    engine->run();
    ASSERT_EQ(seconds.size(), 3u);
    EXPECT_GE(seconds[1], 0.025f);
    EXPECT_LT(seconds[1], 2.0f);
    EXPECT_LT(seconds[2], seconds[1]);
}

// ---------------------------------------------------------------------------------------------
// Console key

namespace {

bool pressConsumed(Engine& engine, OIS::KeyCode key)
{
    return engine.keyPressed(OIS::KeyEvent(nullptr, key, 0));
}

bool releaseConsumed(Engine& engine, OIS::KeyCode key)
{
    return engine.keyReleased(OIS::KeyEvent(nullptr, key, 0));
}

} // namespace

TEST(EngineConsoleKey, GraveReleaseIsAlwaysConsumedAndItsPressOnlyWhenTheConsoleCanToggle)
{
    for (const std::string setting :
        {"", "Console Enable=no\n", "Console Enable=0\n", "Console Enable=maybe\n", "Console Enable=yes\n"}) {
        TestHome home(setting + "[Resources]\nFileSystem=../media/core\n", "");
        auto engine = makeEngine(coreOptions());
        // Without a console window there is nothing to toggle, whatever the setting says.
        EXPECT_FALSE(pressConsumed(*engine, OIS::KC_GRAVE)) << setting;
        EXPECT_TRUE(releaseConsumed(*engine, OIS::KC_GRAVE)) << setting;
        EXPECT_FALSE(pressConsumed(*engine, OIS::KC_A)) << setting;
        EXPECT_FALSE(releaseConsumed(*engine, OIS::KC_A)) << setting;
    }
}

// ---------------------------------------------------------------------------------------------
// Resource locations

namespace {

/// Directory archives under the archive type "LZMA", standing in for the 7z plug-in.
class DirectoryAsLzmaFactory : public Ogre::FileSystemArchiveFactory {
public:
    const Ogre::String& getType() const override
    {
        static const Ogre::String type = "LZMA";
        return type;
    }
};

/// An engine of the core modules and a windowless rendering engine root, whose resource group
/// manager receives the locations.
class EngineResources : public ::testing::Test {
protected:
    void start(const std::string& config)
    {
        mHome = std::make_unique<TestHome>(config, "");
        mEngine = makeEngine(coreOptions());
        mRoot = std::make_unique<Ogre::Root>("", "", "");
        Ogre::ArchiveManager::getSingleton().addArchiveFactory(&mLzma);
    }

    void TearDown() override
    {
        mRoot.reset();
        mEngine.reset();
    }

    struct Location {
        std::string name;
        bool recursive;
        bool operator==(const Location& other) const { return name == other.name && recursive == other.recursive; }
    };

    std::vector<Location> locations() const
    {
        std::vector<Location> result;
        for (const auto& location :
            Ogre::ResourceGroupManager::getSingleton().getResourceLocationList(Ogre::RGN_DEFAULT)) {
            result.push_back({location.archive->getName(), location.recursive});
        }
        return result;
    }

    std::string logText()
    {
        // Finish the engine first so the file is complete.
        mRoot.reset();
        mEngine.reset();
        return mHome->readEngineLog();
    }

    std::unique_ptr<TestHome> mHome;
    std::unique_ptr<Engine> mEngine;
    std::unique_ptr<Ogre::Root> mRoot;
    DirectoryAsLzmaFactory mLzma;
    TempDir mMedia;
};

} // namespace

TEST_F(EngineResources, LocationsAreAddedByTypeThenFileOrderWithTheDataDirectoryLast)
{
    const std::string pack = mMedia.path() + "/pack";
    std::filesystem::create_directories(pack);
    start("[Resources]\nLZMA=" + pack + "\nFileSystem=" + mMedia.path() + "/b\nFileSystem=" + mMedia.path()
        + "/a,true\nFileSystem=" + mMedia.path() + "/c,false\n");
    ASSERT_TRUE(mEngine->initialiseResourcePaths());
    const std::vector<Location> expected = {{mMedia.path() + "/b", false}, {mMedia.path() + "/a", true},
        {mMedia.path() + "/c", false}, {pack, false}, {mHome->dataDirectory(), false}};
    const std::vector<Location> actual = locations();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << i;
        EXPECT_EQ(actual[i].recursive, expected[i].recursive) << i;
    }
}

TEST_F(EngineResources, MissingSectionIsLogged)
{
    start("Console Enable=yes\n");
    EXPECT_FALSE(mEngine->initialiseResourcePaths());
    EXPECT_TRUE(locations().empty());
    EXPECT_NE(logText().find("No resource section specified in the configuration."), std::string::npos);
}

TEST_F(EngineResources, MalformedSpecificationsAreRejectedWithTheirLine)
{
    start("[Resources]\n");
    EXPECT_FALSE(mEngine->initialiseResourcePath("FileSystem", "media,yes"));
    EXPECT_FALSE(mEngine->initialiseResourcePath("FileSystem", "media, true"));
    EXPECT_FALSE(mEngine->initialiseResourcePath("FileSystem", "media,True"));
    EXPECT_FALSE(mEngine->initialiseResourcePath("FileSystem", "a,true,false"));
    EXPECT_FALSE(mEngine->initialiseResourcePath("FileSystem", ",,"));
    EXPECT_TRUE(locations().empty());
    const std::string log = logText();
    EXPECT_NE(log.find("Resource specification 'FileSystem media,yes' has unknown recursivity specifier."),
        std::string::npos);
    EXPECT_NE(log.find("Resource specification 'FileSystem media, true' has unknown recursivity specifier."),
        std::string::npos);
    EXPECT_NE(log.find("Resource specification 'FileSystem media,True' has unknown recursivity specifier."),
        std::string::npos);
    EXPECT_NE(log.find("Resource specification 'FileSystem a,true,false' has too many specifiers."), std::string::npos);
    EXPECT_NE(log.find("Resource specification 'FileSystem ,,' has no location."), std::string::npos);
}

TEST_F(EngineResources, FirstRejectedEntryEndsTheListBeforeTheDataDirectory)
{
    start("[Resources]\nFileSystem=" + mMedia.path() + "\nFileSystem=other,maybe\nFileSystem=" + mMedia.path()
        + "/later\n");
    EXPECT_FALSE(mEngine->initialiseResourcePaths());
    const std::vector<Location> actual = locations();
    ASSERT_EQ(actual.size(), 1u);
    EXPECT_EQ(actual[0].name, mMedia.path());
}

TEST_F(EngineResources, UnknownArchiveTypeFailsWithoutThrowing)
{
    start("[Resources]\nBogus=" + mMedia.path() + "\n");
    EXPECT_FALSE(mEngine->initialiseResourcePaths());
}

TEST_F(EngineResources, DataKeepsZeroBytesAndIsFoundByFolderAndAbsolutePath)
{
    const std::string bytes("pickle\0with\0zeros\x80\xff", 20);
    mMedia.write("scripts/game/Loader.py", "print('hi')\n");
    mMedia.write("flat.txt", "flat");
    TempDir elsewhere;
    const std::string outside = elsewhere.write("outside.bin", bytes);

    start("[Resources]\nFileSystem=" + mMedia.path() + "\n");
    mHome->writeDataFile("controls.cfg", bytes);
    ASSERT_TRUE(mEngine->initialiseResourcePaths());
    Ogre::ResourceGroupManager::getSingleton().initialiseResourceGroup(Ogre::RGN_DEFAULT);

    EXPECT_EQ(mEngine->getResourceData("flat.txt"), "flat");
    // A name with folders below a flat location.
    EXPECT_EQ(mEngine->getResourceData("scripts/game/Loader.py"), "print('hi')\n");
    // An absolute path inside a location (the data directory) and one outside every location.
    const std::string controls = mHome->dataFile("controls.cfg");
    EXPECT_EQ(mEngine->getResourceData(controls), bytes);
    EXPECT_EQ(mEngine->getResourceData(outside), bytes);

    EXPECT_TRUE(mEngine->isResourceAvailable("flat.txt"));
    EXPECT_TRUE(mEngine->isResourceAvailable("scripts/game/Loader.py"));
    EXPECT_TRUE(mEngine->isResourceAvailable(controls));
    EXPECT_FALSE(mEngine->isResourceAvailable("missing.txt"));
    EXPECT_THROW(mEngine->getResourceData("missing.txt"), Ogre::FileNotFoundException);
    EXPECT_THROW(mEngine->getResourceData(mMedia.path() + "/missing.txt"), Ogre::FileNotFoundException);
}

TEST_F(EngineResources, FolderNamesAreNotFoundInAnyKindOfLocation)
{
    mMedia.write("flat/scripts/game/Loader.py", "print('hi')\n");
    mMedia.write("deep/nested/inner/Inner.txt", "inner");
    mMedia.write("pack/levels/One.txt", "one");
    const std::string flat = mMedia.path() + "/flat";
    const std::string deep = mMedia.path() + "/deep";
    const std::string pack = mMedia.path() + "/pack";
    start("[Resources]\nFileSystem=" + flat + "\nFileSystem=" + deep + ",true\nLZMA=" + pack + "\n");
    ASSERT_TRUE(mEngine->initialiseResourcePaths());
    Ogre::ResourceGroupManager::getSingleton().initialiseResourceGroup(Ogre::RGN_DEFAULT);

    const std::vector<std::string> folders = {
        "",
        ".",
        "..",
        "/",
        std::string("\0", 1),
        std::string("scripts/game/Loader.py\0", 23),
        "scripts",
        "scripts/",
        "scripts/game",
        "scripts/./game/..",
        "nested",
        "nested/inner",
        "levels",
        "levels/",
        flat,
        flat + "/scripts",
        mHome->dataDirectory(),
        "/tmp",
    };
    for (const std::string& name : folders) {
        EXPECT_FALSE(mEngine->isResourceAvailable(name)) << "'" << name << "'";
        EXPECT_THROW(mEngine->getResourceData(name), Ogre::FileNotFoundException) << "'" << name << "'";
    }
    // The files below those folders are still found, by every way of naming them.
    EXPECT_EQ(mEngine->getResourceData("scripts/game/Loader.py"), "print('hi')\n");
    EXPECT_EQ(mEngine->getResourceData(flat + "/scripts/game/Loader.py"), "print('hi')\n");
    EXPECT_EQ(mEngine->getResourceData("nested/inner/Inner.txt"), "inner");
    EXPECT_EQ(mEngine->getResourceData("levels/One.txt"), "one");
}

TEST(EngineResourcesWithoutRoot, OnlyAbsolutePathsAreFound)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    TempDir files;
    const std::string path = files.write("data.bin", std::string("a\0b", 3));
    auto engine = makeEngine(coreOptions());
    EXPECT_EQ(engine->getResourceData(path), std::string("a\0b", 3));
    EXPECT_TRUE(engine->isResourceAvailable(path));
    EXPECT_FALSE(engine->isResourceAvailable("data.bin"));
    EXPECT_THROW(engine->getResourceData("data.bin"), Ogre::FileNotFoundException);
}

// ---------------------------------------------------------------------------------------------
// Schedules

namespace {

class CountingListener : public tolva::ScheduleListener {
public:
    explicit CountingListener(int& calls)
        : mCalls(calls)
    {
    }
    void scheduled() override { ++mCalls; }

private:
    int& mCalls;
};

} // namespace

TEST(EngineSchedules, AListenerDestroyedWhileScheduledIsNeverCalled)
{
    TestHome home(TestHome::minimalEngineConfig(), "");
    auto engine = makeEngine(coreOptions([] { return new TestGame(1, false); }));
    tolva::Time* time = engine->getTime();
    ASSERT_NE(time, nullptr);

    int droppedCalls = 0;
    int keptCalls = 0;
    auto dropped = std::make_unique<CountingListener>(droppedCalls);
    CountingListener kept(keptCalls);
    time->addSchedule(0.0f, dropped.get());
    time->addSchedule(0.0f, &kept);
    CountingListener* gone = dropped.get();
    dropped.reset();
    EXPECT_FALSE(time->isScheduled(gone));

    usleep(5000); // entries fire once the millisecond clock has passed their due time
    time->frame(0.0f);
    EXPECT_EQ(droppedCalls, 0);
    EXPECT_EQ(keptCalls, 1);
}
