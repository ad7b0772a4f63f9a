// The game as it ships, played with keys from xdotool through the default bindings: the sphere
// rolls forward, sideways and brakes, stays put in the base mode, flies with its thruster, and the
// camera follows, turns, pitches, zooms, enters the local view and keeps out of a wall. The keys go
// to a child process with an X server of its own, so other window tests cannot take them.
#include <gtest/gtest.h>

#include <OgreMath.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "GameFixture.h"
#include "tests/input/ChildProcess.h"

namespace tolva::test {
namespace {

const char* const CHILD_VARIABLE = "TOLVA_PLAY_INPUT_CHILD";

class Player {
public:
    explicit Player(Engine& engine)
        : mEngine(engine)
    {
    }

    /// Frames the game for the seconds of game time, at a frame each 20 ms at the most, so that
    /// a slow machine plays the same frames, only later.
    void play(double seconds)
    {
        const int frames = static_cast<int>(seconds / 0.02 + 0.5);
        for (int frame = 0; frame < frames; ++frame) {
            mEngine.frame(0.02f);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void press(const std::string& key) { xdotool("keydown " + key); }
    void release(const std::string& key) { xdotool("keyup " + key); }

    /// Holds the key for the seconds while the game runs, then lets it settle briefly.
    void hold(const std::string& key, double seconds)
    {
        press(key);
        play(seconds);
        release(key);
        play(0.2);
    }

private:
    void xdotool(const std::string& arguments)
    {
        if (std::system(("xdotool " + arguments).c_str()) != 0) {
            std::cout << "FAILED: xdotool " << arguments << std::endl;
        }
    }

    Engine& mEngine;
};

int runPlay()
{
    Checks check;
    // The game as it ships: its scripts build the level and the sphere.
    TestHome home(std::string("[Plugins Linux]\nPluginFolder=") + TOLVA_PLUGIN_DIR
            + "\nRenderPlugin=RenderSystem_GL.so\nParticlePlugin=Plugin_ParticleFX.so\n"
              "ArchivePlugin=tolva_archive_lzma.so\n[Resources]\n"
              "FileSystem=" TOLVA_TREE_DIR "/media\nFileSystem=" TOLVA_TREE_DIR "/media/game\n"
              "LZMA=" TOLVA_TREE_DIR "/media/spindlewake.7z\nFileSystem=/usr/share/OGRE/Media/ShadowVolume\n"
              // Held keys repeat once a frame: a high sensitivity makes the turns plain at the
              // few frames a second of a software renderer.
              "[Game]\nMouse Sensitivity=10\n",
        readFile(TOLVA_SOURCE_DIR "/data/cfg/controls.cfg"));
    EngineOptions options = windowEngineOptions(true);
    options.physics = true;
    options.audio = true;
    options.gravityManager = true;
    options.scripting = true;
    options.createGame = nullptr;
    char program[] = "test_game_play";
    char* argv[] = {program, nullptr};
    useRendererWithoutCompiler();
    Engine engine(1, argv, options);
    keepGraphicsLibrariesLoaded();
    engine.initialise();
#if defined(__SANITIZE_ADDRESS__)
    // The renderer the sanitized build must use (see useRendererWithoutCompiler) draws the level's
    // stencil shadows far too slowly to play in the time the test has; the play is the same.
    engine.getGraphics()->setShadowsEnable(false);
#endif
    Game& game = *static_cast<Game*>(engine.getGame());
    Camera& camera = *game.getCamera();
    GameControl& controls = *game.getControls();
    Player player(engine);

    PlaySphere* sphere = game.getPlaySphere();
    if (!sphere || controls.getMode() != GameControl::MODE_ROLL) {
        std::cout << "FAILED: the game starts with a rolling sphere" << std::endl;
        return 1;
    }
    player.play(1.0);

    // Each look at the sphere is printed with the camera's state, for the record of a failure.
    auto position = [&] {
        std::cout << "sphere " << sphere->getPosition() << ", camera " << camera.getPosition() << " at distance "
                  << camera.getFocalDistance() << ", pitch " << camera.getPitch() << std::endl;
        return sphere->getPosition();
    };
    auto velocity = [&] { return sphere->getMovableBody()->getLinearVelocity(); };
    auto stop = [&] {
        sphere->getMovableBody()->setLinearVelocity(Ogre::Vector3::ZERO);
        sphere->getMovableBody()->setAngularVelocity(Ogre::Vector3::ZERO);
    };

    // Rolling.
    Ogre::Vector3 forward = camera.getXZDirection();
    Ogre::Vector3 start = position();
    player.hold("w", 1.0);
    check((position() - start).dotProduct(forward) > 1.0f, "W rolls the sphere forward");
    const float speed = velocity().dotProduct(forward);
    player.hold("s", 0.6);
    check(velocity().dotProduct(forward) < speed - 1.0f, "S brakes");
    stop();
    const Ogre::Vector3 right = -camera.getXZRight();
    start = position();
    player.hold("d", 1.0);
    check((position() - start).dotProduct(right) > 0.5f, "D rolls the sphere to the right");
    check(std::abs(camera.getPosition().distance(position()) - camera.getFocalDistance()) < 0.2f,
        "the camera follows at its distance");

    // Looking.
    stop();
    player.hold("Left", 1.0);
    const float turned = Ogre::Math::ACos(forward.dotProduct(camera.getXZDirection())).valueDegrees();
    check(turned > 10.0f, "the left arrow turns the view");
    forward = camera.getXZDirection();
    start = position();
    player.hold("w", 1.0);
    check((position() - start).normalisedCopy().dotProduct(forward) > 0.98f, "W then rolls the new way");
    stop();
    const float pitch = camera.getPitch();
    // Down raises the camera (Up would lower it into the floor, which pushes it back).
    player.hold("Down", 0.5);
    check(camera.getPitch() < pitch - 3.0f, "the down arrow pitches the view");
    const float distance = camera.getFocalDistance();
    player.hold("Prior", 0.5);
    const float closer = camera.getFocalDistance();
    check(closer < distance - 2.0f, "Page Up brings the camera closer");
    player.hold("Next", 0.5);
    check(camera.getFocalDistance() > closer + 2.0f, "Page Down takes the camera farther");
    player.hold("l", 0.1);
    check(camera.isLocal(), "L enters the local view");
    player.hold("l", 0.1);
    check(!camera.isLocal(), "L leaves the local view");
    player.play(2.5);

    // The base mode only marks thrust: W neither rolls the sphere nor lights the thruster.
    controls.setMode(GameControl::MODE_BASE);
    stop();
    start = position();
    player.press("w");
    player.play(0.4);
    check(!sphere->isThrusterEnabled(), "the base mode burns no thruster");
    player.release("w");
    player.play(0.2);
    check(position().distance(start) < 0.1f, "W in the base mode leaves the sphere where it is");

    // Flying: the thruster burns while a movement key is held, and the flight bends.
    controls.setMode(GameControl::MODE_FLY);
    engine.getPhysics()->setGravity(Ogre::Vector3::ZERO);
    sphere->setPosition(position() + Ogre::Vector3(0, 20, 0));
    sphere->getMovableBody()->setLinearVelocity(forward * 5.0f);
    sphere->getMovableBody()->setAngularVelocity(Ogre::Vector3::ZERO);
    player.play(0.2);
    player.press("w");
    player.play(0.4);
    check(sphere->isThrusterEnabled(), "the thruster burns while W is held");
    player.play(0.2);
    player.release("w");
    player.play(0.4);
    check(!sphere->isThrusterEnabled(), "the thruster goes out when W is let go");
    check(velocity().y < -1.0f, "W bends the flight downward");
    check(std::abs(velocity().length() - 5.0f) < 0.2f, "flying keeps the speed");

    // Moving the camera away toward a wall behind it ends with the camera in front of it.
    controls.setMode(GameControl::MODE_ROLL);
    engine.getPhysics()->setGravity(Ogre::Vector3(0, -9.81f, 0));
    stop();
    sphere->setPosition(Ogre::Vector3(0, 1, 0));
    camera.place(Ogre::Vector3(0, 1.5f, 5), Ogre::Vector3::ZERO);
    PhysicsObject wall(engine.getPhysics()->createBoxGeometry(Ogre::Vector3(40, 40, 10)));
    wall.setPosition(Ogre::Vector3(0, 0, 13));
    wall.getBase()->setCollisionCategory(PhysicalBase::COLL_FIXED);
    player.play(0.5);
    player.hold("Next", 1.5);
    player.play(0.5);
    position();
    check(camera.getPosition().z > 6.0f, "the camera zoomed out up to the wall");
    check(camera.getPosition().z < 8.0f, "the camera keeps out of the wall");

    std::cout << "played to the end" << std::endl;
    engine.shutdown();
    return check.status();
}

TEST(PlayInput, KeysRollFlyAndTurnTheViewAsTheDefaultBindingsSay)
{
    const std::string output = runUnderOwnXServer(CHILD_VARIABLE, "1", "ALSOFT_DRIVERS=null");
    EXPECT_EQ("", failedLines(output)) << tail(output);
    EXPECT_NE(output.find("played to the end"), std::string::npos) << tail(output);
}

} // namespace
} // namespace tolva::test

int main(int argc, char** argv)
{
    if (std::getenv(tolva::test::CHILD_VARIABLE)) {
        try {
            return tolva::test::runPlay();
        } catch (const std::exception& e) {
            std::cout << "FAILED: " << e.what() << std::endl;
            return 1;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
