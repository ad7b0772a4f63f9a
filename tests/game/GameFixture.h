// An engine with the render window, physics, audio on the null device, the interpreter and the
// game module itself, started on a small script package of the test's own (by default one whose
// game script does nothing), with the game's media of the runnable tree. Helpers build a floor
// and play spheres.
#pragma once

#include <gtest/gtest.h>

#include <OgreRenderWindow.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "core/Engine.h"
#include "game/Camera.h"
#include "game/Game.h"
#include "game/GameControl.h"
#include "game/PlaySphere.h"
#include "physics/PhysicalBase.h"
#include "physics/Physics.h"
#include "physics/PhysicsObject.h"
#include "platform/OdeBoxGeometry.h"
#include "scene/Graphics.h"
#include "scene/WindowTestSupport.h"
#include "scripting/Python.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "support/TestHome.h"

namespace tolva::test {

/// A script package: resource names below the scripts folder to their text.
typedef std::map<std::string, std::string> ScriptFiles;

/// The loader that puts the scripts' folder on the module path, and a package whose game script
/// does nothing. Every step is recorded as a line of the file "calls" in that folder.
inline ScriptFiles recordingScripts(const std::string& folder)
{
    const std::string record = "open(r'" + folder + "/calls', 'a').write(";
    return {
        {"scripts/game/OgreLoader.py",
            "import sys\nsys.path.insert(0, r'" + folder + "')\n" + record + "'loader\\n')\n"},
        {"scripts/__init__.py", ""},
        {"scripts/game/__init__.py", "from . import Game\n"},
        {"scripts/game/Game.py",
            "class Game:\n"
            "    def __init__(self):\n"
            "        "
                + record
                + "'init\\n')\n"
                  "    def frame(self, seconds):\n"
                  "        "
                + record
                + "'frame %g\\n' % seconds)\n"
                  "    def shutdown(self):\n"
                  "        "
                + record + "'shutdown\\n')\n"},
    };
}

/// Under the address sanitizer the software renderer must not compile: its compiler registers
/// code while holding the unwinder's lock, where the sanitizer's full unwinding (which the
/// interpreter's leaks need) would wait for that lock for ever.
inline void useRendererWithoutCompiler()
{
#if defined(__SANITIZE_ADDRESS__)
    setenv("GALLIUM_DRIVER", "softpipe", 0);
#endif
}

class GameFixture : public ::testing::Test {
protected:
    void SetUp() override { start(recordingScripts(mScripts->path())); }

    void TearDown() override { stop(); }

    /// Builds the engine on the scripts and initialises it; an exception of the initialisation
    /// is kept in mStartError (the engine is then shut down by stop()).
    void start(const ScriptFiles& scripts, bool input = false)
    {
        mStartError.clear();
        for (const auto& file : scripts) {
            mScripts->write(file.first, file.second);
        }
        mHome = std::make_unique<TestHome>(engineConfig(), controlsConfig);
        EngineOptions options = windowEngineOptions(input);
        options.physics = true;
        options.audio = true;
        options.gravityManager = true;
        options.scripting = true;
        options.createGame = nullptr;
        char program[] = "test_game";
        char* argv[] = {program, nullptr};
        useRendererWithoutCompiler();
        mEngine = std::make_unique<Engine>(1, argv, options);
        keepGraphicsLibrariesLoaded();
        mLog = std::make_unique<LogCapture>();
        try {
            mEngine->initialise();
        } catch (const std::exception& error) {
            mStartError = error.what();
        }
    }

    void stop()
    {
        mFloor.reset();
        if (mEngine) {
            mEngine->shutdown();
        }
        mLog.reset();
        mEngine.reset();
        mHome.reset();
    }

    /// What the scripts recorded, one step per line.
    std::string recordedCalls() const { return readFile(mScripts->file("calls")); }

    std::string engineConfig() const
    {
        return std::string("[Plugins Linux]\nPluginFolder=") + TOLVA_PLUGIN_DIR
            + "\nRenderPlugin=RenderSystem_GL.so\nParticlePlugin=Plugin_ParticleFX.so\n"
              "ArchivePlugin=tolva_archive_lzma.so\n"
              "[Resources]\nFileSystem="
            + mScripts->path() + "\n" + extraResources
            + (withMedia ? "FileSystem=" TOLVA_TREE_DIR "/media\nFileSystem=" TOLVA_TREE_DIR
                           "/media/game\nLZMA=" TOLVA_TREE_DIR
                           "/media/spindlewake.7z\nFileSystem=/usr/share/OGRE/Media/ShadowVolume\n"
                         : "")
            + extraConfig;
    }

    Game& game() { return *static_cast<Game*>(mEngine->getGame()); }
    Camera& camera() { return *game().getCamera(); }
    GameControl& controls() { return *game().getControls(); }
    Physics& physics() { return *mEngine->getPhysics(); }
    Python& python() { return *mEngine->getScripting(); }

    /// One engine frame: the game (updateables, controls, repeats, script), physics, audio,
    /// rendering.
    void frame(float seconds = 0.01f) { mEngine->frame(seconds); }
    void frames(int count, float seconds = 0.01f)
    {
        for (int i = 0; i < count; ++i) {
            frame(seconds);
        }
    }

    /// A static slab whose top is the plane y = 0.
    void addFloor()
    {
        mFloor = std::make_unique<PhysicsObject>(physics().createBoxGeometry(Ogre::Vector3(100, 2, 100)));
        mFloor->setPosition(Ogre::Vector3(0, -1, 0));
        mFloor->getBase()->setCollisionCategory(PhysicalBase::COLL_FIXED);
    }

    std::unique_ptr<PlaySphere> makeSphere(const std::string& name = "Sphere")
    {
        return std::make_unique<PlaySphere>(name, "play_sphere.mesh");
    }

    std::unique_ptr<TempDir> mScripts = std::make_unique<TempDir>();
    /// Whether the runnable tree's media (and with them the game's own scripts) are resources.
    bool withMedia = true;
    /// Further resource lines, placed between the scripts folder and the media.
    std::string extraResources;
    /// Further sections of "engine.cfg".
    std::string extraConfig;
    /// The player's "controls.cfg" the engine starts with.
    std::string controlsConfig;
    std::unique_ptr<TestHome> mHome;
    std::unique_ptr<Engine> mEngine;
    std::unique_ptr<LogCapture> mLog;
    std::unique_ptr<PhysicsObject> mFloor;
    std::string mStartError;
};

} // namespace tolva::test
