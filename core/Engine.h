// The root object of the running system. The engine owns the configuration, the log and every
// engine module; it creates them in a fixed order, drives their life cycle (initialise, frame,
// shutdown) in fixed orders, runs the main loop until it is told to stop, and deletes them in a
// fixed order. Exactly one engine exists at a time: every other part reaches the modules through
// Singleton<tolva::Engine>::getInstance() and the accessors below, which return null for a module
// that is not part of this engine (not built yet, or turned off through EngineOptions).
//
// Orders (modules that are absent are skipped):
//   create      config, log, graphics, (resources), audio, input, (key handlers), physics, time,
//               scripting, gui, console, game, gravity manager
//   initialise  log, graphics, audio, input, physics, time, scripting, gui, game
//   frame       time, input, game, physics, audio, gui, graphics
//   shutdown    game, gui, scripting, time, physics, input, audio, graphics, log
//   delete      console, gravity manager, game, gui, scripting, time, physics, input, audio,
//               graphics, log, (log manager), config
// "engine.cfg" is written back by writeConfiguration(), which the owner calls after shutdown and
// before deleting the engine, so a failed write can be reported (a destructor cannot throw).
#pragma once

#include <OgreTimer.h>

#include <string>
#include <vector>

#include "core/EngineModule.h"
#include "core/EngineOptions.h"
#include "core/Singleton.h"

namespace OIS {
class KeyEvent;
}

namespace tolva {

class Audio;
class ConfigFile;
class Console;
class GameBase;
class Graphics;
class GravityManager;
class Gui;
class Input;
class Log;
class Physics;
class Python;
class Time;

class Engine : public Singleton<Engine>, public EngineModule {
public:
    /// Builds every module. argv[0], the program path, goes to the scripting module.
    /// @throw NotFoundException when "HOME" is not set
    /// @throw InitialisationException "Failed to load engine configuration file. " + the reason,
    ///        when "engine.cfg" in the data directory cannot be read
    /// Modules throw their own exceptions. A failed construction deletes what it had built and
    /// clears the engine singleton.
    Engine(int argc, char** argv, const EngineOptions& options = EngineOptions());
    /// Deletes every module in the fixed order. Does not write "engine.cfg": see
    /// writeConfiguration().
    ~Engine() override;

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void initialise() override;
    /// Frames every module with the same seconds.
    void frame(float seconds) override;
    void shutdown() override;
    /// After initialise() or run() failed: shuts down, in the shutdown order, only the modules
    /// whose initialise() completed, so that what they opened (the sound device, the window, the
    /// interpreter) is closed before the engine is deleted. A failure on the way is logged and the
    /// rest still shut down. "engine.cfg" is not written.
    void shutdownAfterFailure();

    /// Writes "engine.cfg" back to the data directory. Call it after shutdown() and before
    /// deleting the engine; modules store their settings in the configuration when they change.
    /// @throw IOException "Failed to open configuration file for output."; the old file stays
    void writeConfiguration();

    /// Frames until stop() is called, or until a stop signal arrives while StopSignals are
    /// installed (then as stop(false)); the first frame receives the time since run() began.
    /// @return the restart flag of the last stop()
    bool run();
    /// Ends run() after the current frame (when running) and records the restart flag (always).
    void stop(bool restart);
    bool isRunning() const { return mRunning; }

    const std::string& getDataDirectory() const { return mDataDirectory; }
    ConfigFile* getConfigFile() const { return mConfigFile; }
    Log* getLog() const { return mLog; }
    Graphics* getGraphics() const { return mGraphics; }
    Audio* getAudio() const { return mAudio; }
    Input* getInput() const { return mInput; }
    Physics* getPhysics() const { return mPhysics; }
    Time* getTime() const { return mTime; }
    Python* getScripting() const { return mScripting; }
    Gui* getGui() const { return mGui; }
    Console* getConsole() const { return mConsole; }
    GameBase* getGame() const { return mGame; }
    GravityManager* getGravityManager() const { return mGravityManager; }
    /// Always 1; the game's value smoothing divides by it.
    float getTimeScale() const { return mTimeScale; }

    /// Key handlers, first in the input module's key signals. The grave-accent key toggles the
    /// console when "Console Enable" in the unnamed section is true.
    /// @return true when the event is consumed
    bool keyPressed(const OIS::KeyEvent& event);
    bool keyReleased(const OIS::KeyEvent& event);

    /// Adds the locations of the section "Resources" (in key order, equal keys in file order),
    /// then the data directory, to the default resource group. Called by the graphics module.
    /// @return false (after a log line) when the section is missing or an entry is rejected
    /// @throw InitialisationException from ResourceLocator::addLocation for an unreadable location
    bool initialiseResourcePaths();
    /// Adds one location: the entry is "<location>" or "<location>,true" / "<location>,false"
    /// (recursive or not; no blanks allowed around the flag).
    /// @return false (after a log line) when the entry is malformed
    bool initialiseResourcePath(const std::string& archiveType, const std::string& entry);
    /// The whole content (bytes, zero bytes kept) of a resource: searched in the default group,
    /// then every group, then every resource location directly (names with folders, absolute
    /// paths inside a location), then, for an absolute path, the file system.
    /// @throw Ogre::FileNotFoundException when it is nowhere
    std::string getResourceData(const std::string& name);
    /// Whether getResourceData would find the resource.
    bool isResourceAvailable(const std::string& name);

private:
    /// Deletes every module that exists, in the fixed order; used by the destructor and by a
    /// failed construction.
    void destroyModules();
    void createLog();
    bool isConsoleEnabled() const;
    bool toggleConsole();
    void traceStep(const char* step, const char* module) const;

    template <typename Module>
    void initialiseModule(Module* module, const char* name);
    template <typename Module>
    void frameModule(Module* module, const char* name, float seconds);
    template <typename Module>
    void shutdownModule(Module* module, const char* name);
    template <typename Module>
    void shutdownStartedModule(Module* module, const char* name);
    template <typename Module>
    void deleteModule(Module*& module, const char* name);

    EngineOptions mOptions;
    std::string mDataDirectory;
    ConfigFile* mConfigFile = nullptr;
    Log* mLog = nullptr;
    Graphics* mGraphics = nullptr;
    Audio* mAudio = nullptr;
    Input* mInput = nullptr;
    Physics* mPhysics = nullptr;
    Time* mTime = nullptr;
    Python* mScripting = nullptr;
    Gui* mGui = nullptr;
    GameBase* mGame = nullptr;
    GravityManager* mGravityManager = nullptr;
    Ogre::Timer mTimer;
    float mTimeScale = 1.0f;
    Console* mConsole = nullptr;
    bool mRunning = false;
    bool mRestart = false;
    bool mStopRequested = false;
    /// The modules whose initialise() completed, until shutdown.
    std::vector<const EngineModule*> mStarted;
    /// The log manager this engine created (null when one existed already, as in tests).
    bool mOwnsLogManager = false;
};

} // namespace tolva
