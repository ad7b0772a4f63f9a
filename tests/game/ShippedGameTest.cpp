// The game on the scripts it ships (the resource loader and the package "scripts.game" of the
// runnable tree's media), and the game's script module checked from inside the running game.
#include "GameFixture.h"

#include <OgreCompositorInstance.h>

#include <algorithm>
#include <vector>

#include "game/Inventory.h"
#include "input/GameControlRegistry.h"

namespace tolva::test {
namespace {

class ShippedGameTest : public GameFixture {
protected:
    /// No scripts of the test's own: the media's scripts are found behind the empty folder.
    void SetUp() override { start({}); }

    /// The command the key drives in the base layer; empty if none.
    std::string commandOfKey(OIS::KeyCode key)
    {
        const GameControlRegistry::Layer& layer
            = game().getControlRegistry()->getBindings(GameControlRegistry::Modifier());
        const auto found = layer.find(GameControlRegistry::Control(GameControlRegistry::Control::TYPE_KEY, key));
        return found == layer.end() ? std::string() : found->second->category + "/" + found->second->name;
    }

    std::string logText() const
    {
        std::string text;
        for (const std::string& line : mLog->getLines()) {
            text += line + "\n";
        }
        return text;
    }
};

TEST_F(ShippedGameTest, BuildsALevelWhereTheSphereRestsOnTheFloorReadyToRoll)
{
    ASSERT_EQ("", mStartError) << python().getErrorString();
    PlaySphere* sphere = game().getPlaySphere();
    ASSERT_NE(nullptr, sphere);
    EXPECT_EQ(sphere, camera().getFocalPoint());
    EXPECT_EQ(GameControl::MODE_ROLL, controls().getMode());
    ASSERT_EQ(1u, sphere->getInventory().getItemCount());
    EXPECT_EQ("Beacon", sphere->getInventory().getItem(0)->getName());
    frames(100, 0.02f);
    EXPECT_NEAR(1.0f, sphere->getPosition().y, 0.05f) << "resting on the floor";
    EXPECT_NEAR(1.0f, controls().getSphereFloorPlaneNormal().y, 1e-4f);
    EXPECT_EQ(std::string::npos, logText().find("ogre:scripts")) << logText();
}

TEST_F(ShippedGameTest, BindsTheDefaultKeysWhenThePlayersFileHasNone)
{
    ASSERT_EQ("", mStartError) << python().getErrorString();
    const struct {
        OIS::KeyCode key;
        const char* command;
    } cases[] = {
        {OIS::KC_W, "Movement/Forward"},
        {OIS::KC_A, "Movement/Left"},
        {OIS::KC_LEFT, "View/Left"},
        // Page Up brings the camera closer, which the command "Zoom Out" does.
        {OIS::KC_PGUP, "View/Zoom Out"},
        {OIS::KC_PGDOWN, "View/Zoom In"},
        {OIS::KC_L, "View/Toggle Local"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.command, commandOfKey(c.key)) << c.key;
    }
}

TEST_F(ShippedGameTest, DefaultKeysTakeNoKeyAndNoCommandThatThePlayersFileBinds)
{
    ASSERT_EQ("", mStartError) << python().getErrorString();
    // The player's file: W (the default key of Forward) turns the view left, and neither Forward
    // nor looking right has a key.
    typedef GameControlRegistry::Command Command;
    typedef GameControlRegistry::Control Control;
    GameControlRegistry& registry = *game().getControlRegistry();
    registry.unbind(Command("Forward", "Movement"));
    registry.unbind(Command("Left", "View"));
    registry.unbind(Command("Right", "View"));
    registry.bind(GameControlRegistry::Modifier(), Control(Control::TYPE_KEY, OIS::KC_W), Command("Left", "View"));
    mEngine->shutdown();
    controlsConfig = readFile(mHome->dataFile("controls.cfg"));
    ASSERT_NE(std::string::npos, controlsConfig.find("Forward"));
    stop();
    start({});
    ASSERT_EQ("", mStartError) << python().getErrorString();

    const struct {
        OIS::KeyCode key;
        const char* command;
    } cases[] = {
        {OIS::KC_W, "View/Left"},
        {OIS::KC_LEFT, ""},
        {OIS::KC_RIGHT, "View/Right"},
        {OIS::KC_A, "Movement/Left"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.command, commandOfKey(c.key)) << c.key;
    }
}

TEST_F(ShippedGameTest, PutsAFallenSphereBackAndLetsItGoAtShutdown)
{
    ASSERT_EQ("", mStartError) << python().getErrorString();
    PlaySphere* sphere = game().getPlaySphere();
    ASSERT_NE(nullptr, sphere);
    const Ogre::Vector3 start = sphere->getPosition();
    sphere->setPosition(Ogre::Vector3(0, -40, 0));
    frame();
    EXPECT_LT(start.distance(sphere->getPosition()), 0.1f);
    mEngine->shutdown();
    EXPECT_EQ(nullptr, game().getPlaySphere());
    EXPECT_EQ(nullptr, controls().getPlaySphere());
    EXPECT_EQ(std::string::npos, logText().find("ogre:scripts")) << logText();
}

TEST_F(ShippedGameTest, DrawsTheLevelInTheCompositorEffectThatTheConfigurationNames)
{
    ASSERT_EQ("", mStartError) << python().getErrorString();
    // Without the effect's section nothing asks for an effect.
    EXPECT_EQ(std::string::npos, logText().find("non existent effect")) << logText();
    stop();

    extraResources = "FileSystem=" TOLVA_TREE_DIR "/media/compositor\n";
    extraConfig = "[CompositorEffect-01]\nCompositor=compositor/HDR\n";
    start({});
    ASSERT_EQ("", mStartError) << python().getErrorString();
    const Graphics::CompositorEffectMap& effects = mEngine->getGraphics()->getCompositorEffects();
    ASSERT_EQ(1u, effects.count("compositor/HDR"));
    ASSERT_NE(nullptr, effects.at("compositor/HDR").instance);
    EXPECT_TRUE(effects.at("compositor/HDR").instance->getEnabled()) << "the effect is on";
    EXPECT_GT(effects.at("compositor/HDR").useCount, 10u) << "the level's objects use it";
    EXPECT_TRUE(game().getPlaySphere()->isEffectEnabled("compositor/HDR"));
}

TEST_F(ShippedGameTest, TheMagneticFieldRollsASphereAtRestOutOfItsMiddleAtAWalkingPace)
{
    ASSERT_EQ("", mStartError) << python().getErrorString();
    // Only the physics and the level's script matter here: the window draws nothing, so that the
    // sanitized build's slow renderer leaves the frames time enough.
    mEngine->getGraphics()->getWindow()->setActive(false);
    PlaySphere& sphere = *game().getPlaySphere();
    // The field's middle; its left edge is 2 units away at x = -12.
    sphere.setPosition(Ogre::Vector3(-10, 1, -7));
    sphere.getMovableBody()->setLinearVelocity(Ogre::Vector3::ZERO);
    sphere.getMovableBody()->setAngularVelocity(Ogre::Vector3::ZERO);
    float speed = 0.0f;
    for (int step = 0; step < 500 && sphere.getPosition().x > -12.0f; ++step) {
        frame(0.02f);
        speed = sphere.getMovableBody()->getLinearVelocity().length();
    }
    ASSERT_LT(sphere.getPosition().x, -12.0f) << "the field rolls the sphere out";
    EXPECT_NEAR(3.4f, speed, 3.4f * 0.25f) << "the speed on leaving the field";
}

TEST_F(ShippedGameTest, TheUpdraftLetsTheSphereDownToRestOnceTheGemIsTaken)
{
    // How the sphere moves the moment the gem is taken, as a player may leave it.
    const Ogre::Vector3 motions[] = {{0, 0, -3}, {3, 0, 0}, {-2, 2, 2}};
    for (const Ogre::Vector3& motion : motions) {
        stop();
        start({});
        ASSERT_EQ("", mStartError) << python().getErrorString();
        // Only the physics and the level's script matter here: the window draws nothing, which
        // the sanitized build's slow renderer needs for the frames to fit the test's time.
        mEngine->getGraphics()->getWindow()->setActive(false);
        PlaySphere& sphere = *game().getPlaySphere();
        sphere.setPosition(Ogre::Vector3(0, 1, -8));
        const auto gemLine = [&] {
            const std::vector<std::string> lines = mLog->getLines();
            return std::find_if(lines.begin(), lines.end(),
                       [](const std::string& line) { return line.find("Level: gem taken") == 0; })
                - lines.begin();
        };
        for (int step = 0; step < 1000 && gemLine() == std::ptrdiff_t(mLog->getLines().size()); ++step) {
            frame(0.02f);
        }
        const std::ptrdiff_t taken = gemLine();
        ASSERT_LT(taken, std::ptrdiff_t(mLog->getLines().size())) << "the updraft carries the sphere to the gem";
        sphere.getMovableBody()->setLinearVelocity(sphere.getMovableBody()->getLinearVelocity() + motion);
        // Eight seconds with the keys let go, a look every tenth of a second.
        std::vector<Ogre::Vector3> path;
        for (int step = 0; step < 400; ++step) {
            frame(0.02f);
            if (step % 5 == 4) {
                path.push_back(sphere.getPosition());
            }
        }
        const auto down = std::find_if(path.begin(), path.end(), [](const Ogre::Vector3& p) { return p.y < 2; });
        EXPECT_LE(down - path.begin(), 50) << motion << ": down within 5 s of the gem";
        float highest = 0.0f;
        float wandered = 0.0f;
        for (auto p = path.end() - 30; p != path.end(); ++p) {
            highest = std::max(highest, p->y);
            wandered = std::max(wandered, p->distance(path.back()));
        }
        EXPECT_LT(highest, 2.0f) << motion << ": stays down over the last 3 s";
        EXPECT_LT(wandered, 0.3f) << motion << ": rests over the last 3 s, at " << path.back();
        const std::vector<std::string> lines = mLog->getLines();
        const auto crossings = std::count_if(lines.begin() + taken, lines.end(), [](const std::string& line) {
            return line.find("Level: sphere in the updraft") == 0 || line.find("Level: sphere out of the updraft") == 0;
        });
        EXPECT_LE(crossings, 2) << motion << ": in and out of the updraft";
    }
}

class SpindlewakeModuleTest : public GameFixture {
protected:
    void SetUp() override { }
};

TEST_F(SpindlewakeModuleTest, ScriptsReachTheRunningGameThroughItsModule)
{
    // A game script that runs the checks while it is being built, and records how they went.
    const std::string record = "open(r'" + mScripts->path() + "/calls', 'w').write";
    ScriptFiles files = recordingScripts(mScripts->path());
    files["scripts/game/Game.py"]
        = "import sys, unittest\n"
          "sys.path.insert(0, r'" TOLVA_SOURCE_DIR "/tests/game/python')\n"
          "import spindlewake_game_checks as checks\n"
          "class Game:\n"
          "    def __init__(self):\n"
          "        tests = unittest.defaultTestLoader.loadTestsFromModule(checks)\n"
          "        result = unittest.TextTestRunner(stream=sys.__stderr__, verbosity=2).run(tests)\n"
          "        "
        + record
        + "('%d ran, %d failed' % (result.testsRun, len(result.failures) + len(result.errors)))\n"
          "    def frame(self, seconds):\n"
          "        pass\n";
    start(files);
    ASSERT_EQ("", mStartError) << python().getErrorString();
    EXPECT_EQ("7 ran, 0 failed", recordedCalls());
}

TEST_F(SpindlewakeModuleTest, ObjectsOfTheGameUsedAtExitRaiseReferenceErrors)
{
    // The game script's sphere goes with the game script; an atexit function still holds the
    // game, its camera, its controls and the sphere's inventory.
    ScriptFiles files = recordingScripts(mScripts->path());
    files["scripts/game/Game.py"] = "import atexit, Spindlewake, TolvaEngine\n"
                                    "class Game:\n"
                                    "    def __init__(self):\n"
                                    "        game = TolvaEngine.GameSingleton.getInstance()\n"
                                    "        self.sphere = Spindlewake.PlaySphere('Exit Sphere', 'play_sphere.mesh')\n"
                                    "        game.setPlaySphere(self.sphere)\n"
                                    "        camera, controls = game.getCamera(), game.getControls()\n"
                                    "        inventory = self.sphere.getInventory()\n"
                                    "        calls = [lambda: game.getCamera(), lambda: camera.setPitch(3),\n"
                                    "                 lambda: camera.getXZOrientation(), lambda: controls.getSpeed(),\n"
                                    "                 lambda: controls.getSphereFloorPlaneNormal(),\n"
                                    "                 lambda: inventory.getItemCount()]\n"
                                    "        def atExit():\n"
                                    "            outcomes = []\n"
                                    "            for call in calls:\n"
                                    "                try:\n"
                                    "                    call()\n"
                                    "                    outcomes.append('ok')\n"
                                    "                except Exception as error:\n"
                                    "                    outcomes.append(type(error).__name__)\n"
                                    "            open(r'"
        + mScripts->path()
        + "/calls', 'w').write(' '.join(outcomes))\n"
          "        atexit.register(atExit)\n"
          "    def frame(self, seconds):\n"
          "        pass\n";
    start(files);
    ASSERT_EQ("", mStartError) << python().getErrorString();
    frames(2);
    stop();
    EXPECT_EQ(
        "ReferenceError ReferenceError ReferenceError ReferenceError ReferenceError ReferenceError", recordedCalls());
}

TEST_F(SpindlewakeModuleTest, ARestartedEngineBindsItsModulesAgainWithoutWarningsAndKeepsTheirChecks)
{
    // The game script converts the game's enums both ways and hands a number the enum does not
    // name to a setter; each engine appends what it saw.
    ScriptFiles files = recordingScripts(mScripts->path());
    files["scripts/game/Game.py"] = "import Spindlewake, TolvaEngine\n"
                                    "class Game:\n"
                                    "    def __init__(self):\n"
                                    "        controls = TolvaEngine.GameSingleton.getInstance().getControls()\n"
                                    "        controls.setMode(Spindlewake.GameControl_Mode.MODE_ROLL)\n"
                                    "        seen = [repr(controls.getMode())]\n"
                                    "        try:\n"
                                    "            controls.setMode(Spindlewake.GameControl_Mode(99))\n"
                                    "            seen.append('accepted')\n"
                                    "        except ValueError:\n"
                                    "            seen.append('refused')\n"
                                    "        seen.append(repr(controls.getMode()))\n"
                                    "        open(r'"
        + mScripts->path()
        + "/calls', 'a').write(' '.join(seen) + '\\n')\n"
          "    def frame(self, seconds):\n"
          "        pass\n";
    std::string log;
    for (int engine = 0; engine < 3; ++engine) {
        start(files);
        ASSERT_EQ("", mStartError) << python().getErrorString();
        frames(2);
        for (const std::string& line : mLog->getLines()) {
            log += line + "\n";
        }
        stop();
    }
    const std::string seen
        = "loader\nSpindlewake.GameControl_Mode.MODE_ROLL refused Spindlewake.GameControl_Mode.MODE_ROLL\n";
    EXPECT_EQ(seen + seen + seen, recordedCalls());
    EXPECT_EQ(std::string::npos, log.find("already registered")) << log;
}

} // namespace
} // namespace tolva::test
