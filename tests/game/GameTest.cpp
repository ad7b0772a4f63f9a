#include "GameFixture.h"

#include <cstdlib>
#include <fstream>
#include <vector>

#include "input/GameControlRegistry.h"
#include "input/Input.h"

namespace tolva::test {
namespace {

/// Each test starts the game on scripts of its own.
class GameScriptTest : public GameFixture {
protected:
    void SetUp() override { }

    /// A fresh scripts folder holding the recording package with some files replaced (an empty
    /// text removes the file).
    void startWith(const ScriptFiles& changes, bool input = false)
    {
        stop();
        mScripts = std::make_unique<TempDir>();
        ScriptFiles files = recordingScripts(mScripts->path());
        for (const auto& change : changes) {
            if (change.second.empty()) {
                files.erase(change.first);
            } else {
                files[change.first] = change.second;
            }
        }
        start(files, input);
    }

    int logged(const std::string& text) const
    {
        int count = 0;
        for (const std::string& line : mLog->getLines()) {
            count += line.find(text) != std::string::npos ? 1 : 0;
        }
        return count;
    }
};

TEST_F(GameScriptTest, RunsTheLoaderThenTheGameScriptEveryFrameAndAtShutdown)
{
    startWith({});
    ASSERT_EQ("", mStartError);
    ASSERT_NE(nullptr, dynamic_cast<Game*>(mEngine->getGame())) << "the game factory's game module";
    EXPECT_EQ(GameBase::getInstance(), mEngine->getGame());
    EXPECT_EQ("Spindlewake", mEngine->getGraphics()->getWindow()->getName());
    EXPECT_FALSE(game().getGameScript().is_none());
    frame(0.25f);
    frame(0.5f);
    mEngine->shutdown();
    EXPECT_EQ("loader\ninit\nframe 0.25\nframe 0.5\nshutdown\n", recordedCalls());
    EXPECT_EQ(nullptr, game().getCamera());
    EXPECT_EQ(nullptr, controls().getCamera()) << "nothing points at the deleted camera";
    game().setPlaySphere(nullptr);
    mEngine.reset();
}

TEST_F(GameScriptTest, EachBrokenStepEndsTheStartWithItsMessage)
{
    const char* const loaderFailure = "Failed to install python OGRE resource loader.";
    const char* const importFailure = "Failed to initialise game script module.";
    const char* const instanceFailure = "Failed to create game script instance.";
    const struct {
        const char* what;
        ScriptFiles changes;
        const char* message;
        const char* pending;
    } cases[] = {
        {"no loader", {{"scripts/game/OgreLoader.py", ""}}, loaderFailure, ""},
        {"a raising loader", {{"scripts/game/OgreLoader.py", "raise RuntimeError('no')\n"}}, loaderFailure,
            "RuntimeError"},
        {"a package that does not compile", {{"scripts/game/Game.py", "def (\n"}}, importFailure, "SyntaxError"},
        {"the class at package level", {{"scripts/game/__init__.py", "from .Game import Game\n"}}, instanceFailure,
            "AttributeError"},
        {"a raising constructor", {{"scripts/game/Game.py", "class Game:\n    def __init__(self):\n        1/0\n"}},
            instanceFailure, "ZeroDivisionError"},
    };
    withMedia = false;
    for (const auto& c : cases) {
        startWith(c.changes);
        EXPECT_EQ(c.message, mStartError) << c.what;
        EXPECT_NE(std::string::npos, python().getErrorString().find(c.pending)) << c.what;
    }
}

TEST_F(GameScriptTest, ALoaderItsArchiveCannotExtractIsAFailureNotACrash)
{
    // A stored archive whose entry data has one byte changed fails its check when opened.
    TempDir packing;
    packing.write("scripts/game/OgreLoader.py", "import sys\n");
    const std::string archive = packing.file("scripts.7z");
    const std::string command = "cd '" + packing.path() + "' && 7z a -bd -y -mx0 scripts.7z scripts >/dev/null"
        + " && printf 'X' | dd of=scripts.7z bs=1 seek=34 conv=notrunc status=none";
    ASSERT_EQ(0, std::system(command.c_str()));
    extraResources = "LZMA=" + archive + "\n";
    withMedia = false;
    startWith({{"scripts/game/OgreLoader.py", ""}});
    EXPECT_EQ("Failed to install python OGRE resource loader. The entry 'scripts/game/OgreLoader.py' of '" + archive
            + "' (LZMA) could not be read.",
        mStartError);
}

TEST_F(GameScriptTest, AFrameErrorIsLoggedOnceAFrameAndTheGameGoesOn)
{
    const struct {
        const char* what;
        const char* game;
        const char* error;
    } cases[] = {
        {"no frame", "class Game:\n    pass\n", "AttributeError: 'Game' object has no attribute 'frame'"},
        {"a raising frame", "class Game:\n    def frame(self, s):\n        raise KeyError('lost')\n",
            "KeyError: 'lost'"},
        {"no game script", "def Game():\n    return None\n",
            "AttributeError: 'NoneType' object has no attribute 'frame'"},
    };
    for (const auto& c : cases) {
        startWith({{"scripts/game/Game.py", c.game}});
        ASSERT_EQ("", mStartError) << c.what;
        mLog->clear();
        frames(3);
        // The error text as one message (the interpreter's printing of it comes in pieces).
        EXPECT_EQ(3, logged(c.error)) << c.what;
        mLog->clear();
        mEngine->shutdown();
        EXPECT_EQ(0, logged("shutdown")) << c.what << ": a missing shutdown is silent";
    }
}

TEST_F(GameScriptTest, TheBindingsAreWrittenEvenWhenTheScriptShutdownRaises)
{
    startWith({{"scripts/game/Game.py",
        "class Game:\n"
        "    def frame(self, s):\n"
        "        pass\n"
        "    def shutdown(self):\n"
        "        raise RuntimeError('shutdown failed')\n"}});
    ASSERT_EQ("", mStartError);
    mEngine->shutdown();
    const std::string controls = readFile(mHome->dataFile("controls.cfg"));
    EXPECT_NE(std::string::npos, controls.find("Toggle Local")) << "written to the data directory";
    EXPECT_EQ(0, logged("Failed to save")) << "nothing reported";
    EXPECT_EQ(0, logged("shutdown failed"));
    mEngine.reset();
}

TEST_F(GameScriptTest, TheSphereGoesToTheCameraAndTheControlsAndNullTakesItBack)
{
    startWith({});
    std::unique_ptr<PlaySphere> sphere = makeSphere();
    game().setPlaySphere(sphere.get());
    EXPECT_EQ(sphere.get(), game().getPlaySphere());
    EXPECT_EQ(sphere.get(), camera().getFocalPoint());
    EXPECT_EQ(sphere.get(), controls().getPlaySphere());
    game().setPlaySphere(nullptr);
    EXPECT_EQ(nullptr, camera().getFocalPoint());
    EXPECT_EQ(nullptr, controls().getPlaySphere());
}

/// Calls that reach the registry's commands.
class RecordingHandler : public GameControlRegistry::CommandHandler {
public:
    void handleCommand(int value) override { values.push_back(value); }
    std::vector<int> values;
};

TEST_F(GameScriptTest, AnEventAnEarlierSlotConsumedNeverReachesTheRegistry)
{
    startWith({}, true);
    ASSERT_EQ("", mStartError);
    Input& input = *mEngine->getInput();
    input.eventKeyPressed().connect(
        [](const OIS::KeyEvent& event) { return event.key == OIS::KC_B; }, boost::signals2::at_front);
    RecordingHandler handler;
    GameControlRegistry& registry = *game().getControlRegistry();
    const GameControlRegistry::Command jump("Jump", "Test", false, &handler);
    registry.addCommand(jump);
    for (OIS::KeyCode key : {OIS::KC_B, OIS::KC_N}) {
        registry.bind(GameControlRegistry::Modifier(),
            GameControlRegistry::Control(GameControlRegistry::Control::TYPE_KEY, key), jump);
    }
    EXPECT_TRUE(input.eventKeyPressed()(OIS::KeyEvent(input.getKeyboard(), OIS::KC_B, 0)));
    EXPECT_TRUE(handler.values.empty());
    EXPECT_TRUE(input.eventKeyPressed()(OIS::KeyEvent(input.getKeyboard(), OIS::KC_N, 0)));
    EXPECT_EQ(std::vector<int>({OIS::KC_N}), handler.values);
    EXPECT_FALSE(input.eventKeyPressed()(OIS::KeyEvent(input.getKeyboard(), OIS::KC_M, 0)));
}

} // namespace
} // namespace tolva::test
