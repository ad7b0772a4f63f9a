#include "core/Engine.h"

#include <CEGUI/Window.h>
#include <OISException.h>
#include <OISKeyboard.h>
#include <OgreArchive.h>
#include <OgreException.h>
#include <OgreLogManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreStringConverter.h>

#include <boost/any.hpp>
#include <boost/filesystem.hpp>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <langinfo.h>

#include "core/Bootstrap.h"
#include "core/ConfigFile.h"
#include "core/Exceptions.h"
#include "core/GameBase.h"
#include "core/Log.h"
#include "core/ResourceLocator.h"
#include "core/StopSignals.h"
#include "core/Time.h"
#include "core/ToString.h"
#include "core/LogLine.h"
#include "audio/Audio.h"
#include "game/GameFactory.h"
#include "input/Console.h"
#include "input/Gui.h"
#include "input/Input.h"
#include "physics/GravityManager.h"
#include "physics/Physics.h"
#include "scene/Graphics.h"
#include "scripting/Python.h"

namespace tolva {

namespace {

const unsigned int LogTailSize = 4096;
const char* const ResourcesSection = "Resources";

/// Whether an earlier engine of this process has written "engine.log". A program run starts a
/// fresh log, but an engine built for a restart keeps the lines of the engines before it, so the
/// reason for the restart (and anything the earlier engine said) can still be read.
bool sLogStarted = false;

/// The engine log of a restarted engine: the rendering engine's log writer truncates the file it
/// opens, so the earlier text is read first and written back before anything new.
class ContinuedLog : public Log {
public:
    ContinuedLog(const std::string& name, const std::string& earlierText)
        : Log(name, true, false, LogTailSize)
    {
        if (mLog.is_open()) {
            mLog << earlierText;
            mLog.flush();
        }
    }
};

/// Numbers in files (the configuration, the objects' properties, the GUI library's files) are
/// written with a decimal point whatever the player's locale, and the C library's conversions
/// follow LC_NUMERIC, so it stays the C locale's. The GUI library also checks, at every file it
/// reads, that the locale as a whole reads as a C locale, which the interpreter and the keyboard
/// break by taking the player's character type (LC_CTYPE): every category becomes the C locale's
/// UTF-8 variant where the player's characters are UTF-8 (texts keep their encoding); otherwise
/// the character type stays the player's and the rest becomes the C locale.
void useCLocaleNumbers()
{
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    if (utf8 && std::setlocale(LC_ALL, "C.UTF-8")) {
        return;
    }
    const std::string characterType = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_ALL, "C");
    std::setlocale(LC_CTYPE, characterType.c_str());
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) {
        text << in.rdbuf();
    }
    return text.str();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and destruction

Engine::Engine(int argc, char** argv, const EngineOptions& options)
    : mOptions(options)
{
    // 1. The singleton base has registered this engine before any module below is built.
    // Each module is created only when its option is on, followed by traceStep("create", name).
    try {
        useCLocaleNumbers();

        // 2. Data directory.
        mDataDirectory = bootstrap::GetDataDirectory();

        // 3. Configuration.
        try {
            mConfigFile = new ConfigFile((boost::filesystem::path(mDataDirectory) / "engine.cfg").string());
        } catch (const std::exception& error) {
            // The fixed message does not say what is wrong with the file, and no log exists yet:
            // the reason goes on the one fatal line.
            throw InitialisationException(
                ToString("Failed to load engine configuration file. ") + ToString(error.what()));
        } catch (...) {
            throw InitialisationException("Failed to load engine configuration file.");
        }
        traceStep("create", "config");

        // 4. The rendering engine's log manager (a test may have made one already).
        if (!Ogre::LogManager::getSingletonPtr()) {
            new Ogre::LogManager();
            mOwnsLogManager = true;
        }

        // 5. Log, the log manager's default log.
        createLog();
        traceStep("create", "log");
        // Resource locations are a list: one archive type names many locations.
        for (const std::string& warning : mConfigFile->getDuplicateKeyWarnings({ResourcesSection})) {
            logWarning(warning);
        }

        // 6. Graphics: its constructor calls back initialiseResourcePaths().
        if (mOptions.graphics) {
            mGraphics = new Graphics();
            traceStep("create", "graphics");
        }

        // 7. The default resource group, once graphics has added the resource locations.
        if (mGraphics) {
            try {
                Ogre::ResourceGroupManager::getSingleton().initialiseResourceGroup(
                    Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
            } catch (...) {
                throw InitialisationException("Failed to initialise resources.");
            }
        }

        // 8. Audio, on the default sound device.
        if (mOptions.audio) {
            mAudio = new Audio("");
            traceStep("create", "audio");
        }

        // 9. Input, on the graphics module's window.
        if (mOptions.input && mGraphics) {
            try {
                mInput = new Input(mGraphics->getWindowHandle());
            } catch (const OIS::Exception& exception) {
                logLine(exception.what());
                throw;
            }
            traceStep("create", "input");
        }

        // 10. keyPressed and keyReleased at the front of the input module's key signals, so
        //     they run before the GUI's, the game's and the scripts' slots.
        if (mInput) {
            mInput->eventKeyPressed().connect(
                [this](const OIS::KeyEvent& event) { return keyPressed(event); }, boost::signals2::at_front);
            mInput->eventKeyReleased().connect(
                [this](const OIS::KeyEvent& event) { return keyReleased(event); }, boost::signals2::at_front);
        }

        // 11. Physics.
        if (mOptions.physics) {
            mPhysics = new Physics(0.01f, 1.0f / 30.0f);
            traceStep("create", "physics");
        }

        // 12. Time.
        if (mOptions.time) {
            mTime = new Time();
            traceStep("create", "time");
        }

        // 13. Scripting, with the program path as the interpreter's program name.
        if (mOptions.scripting) {
            mScripting = new Python(argc > 0 && argv && argv[0] ? argv[0] : "");
            traceStep("create", "scripting");
        }

        // 14. GUI, enabled (on the GUI library's null renderer when there is no window).
        if (mOptions.gui) {
            mGui = new Gui(mGraphics);
            traceStep("create", "gui");
            mGui->setEnabled(true);
        }

        // The interpreter and the keyboard have taken the player's character type, and the GUI
        // library has set LC_NUMERIC alone, before any file of the GUI is read.
        useCLocaleNumbers();

        // 15. Console, its window hidden and added to the GUI.
        if (mOptions.console && mGui) {
            mConsole = new Console();
            traceStep("create", "console");
            mConsole->getCEGUIWindow()->setVisible(false);
            mGui->addChild(mConsole->getCEGUIWindow());
        }

        // 16. Game, after the key handlers so that its input slots run after the engine's.
        mGame = mOptions.createGame ? mOptions.createGame() : GameFactory::createGame();
        if (mGame) {
            traceStep("create", "game");
        }

        // 17. Gravity manager.
        if (mOptions.gravityManager) {
            mGravityManager = new GravityManager();
            traceStep("create", "gravity manager");
        }
    } catch (...) {
        destroyModules();
        throw;
    }
}

Engine::~Engine()
{
    destroyModules();
}

void Engine::destroyModules()
{
    // 1. The input module's shutdown again: every slot on the input signals goes before the
    //    objects owning those slots are deleted.
    if (mInput) {
        mInput->shutdown();
    }

    // 2. Modules. Each pointer is cleared before its module is deleted, so nothing running in a
    //    destructor reaches a half-destroyed module through the engine.
    deleteModule(mConsole, "console");
    deleteModule(mGravityManager, "gravity manager");
    deleteModule(mGame, "game");
    deleteModule(mGui, "gui");
    deleteModule(mScripting, "scripting");
    deleteModule(mTime, "time");
    deleteModule(mPhysics, "physics");
    deleteModule(mInput, "input");
    deleteModule(mAudio, "audio");
    deleteModule(mGraphics, "graphics");
    deleteModule(mLog, "log");

    // 3. The log manager, when this engine made it.
    if (mOwnsLogManager) {
        delete Ogre::LogManager::getSingletonPtr();
        mOwnsLogManager = false;
    }

    // 4. Configuration (written back beforehand by writeConfiguration()).
    deleteModule(mConfigFile, "config");
}

void Engine::createLog()
{
    const std::string fileName = (boost::filesystem::path(mDataDirectory) / "engine.log").string();
    if (sLogStarted) {
        mLog = new ContinuedLog(fileName, readWholeFile(fileName));
    } else {
        mLog = new Log(fileName, true, false, LogTailSize);
        sLogStarted = true;
    }
    Ogre::LogManager::getSingleton().setDefaultLog(mLog);
}

void Engine::writeConfiguration()
{
    if (mConfigFile) {
        mConfigFile->write("");
    }
}

// ---------------------------------------------------------------------------------------------
// Life cycle: one line per module, in the fixed orders; the comments hold the places of the
// modules that are not part of the engine yet.

void Engine::initialise()
{
    mStarted.clear();
    initialiseModule(mLog, "log");
    initialiseModule(mGraphics, "graphics");
    initialiseModule(mAudio, "audio");
    initialiseModule(mInput, "input");
    initialiseModule(mPhysics, "physics");
    initialiseModule(mTime, "time");
    initialiseModule(mScripting, "scripting");
    initialiseModule(mGui, "gui");
    initialiseModule(mGame, "game");
}

void Engine::frame(float seconds)
{
    frameModule(mTime, "time", seconds);
    frameModule(mInput, "input", seconds);
    frameModule(mGame, "game", seconds);
    frameModule(mPhysics, "physics", seconds);
    frameModule(mAudio, "audio", seconds);
    frameModule(mGui, "gui", seconds);
    if (mConsole) {
        // What the modules wrote this frame goes into the console's box at once, before drawing.
        mConsole->flushOutput();
    }
    frameModule(mGraphics, "graphics", seconds);
}

void Engine::shutdown()
{
    shutdownModule(mGame, "game");
    shutdownModule(mGui, "gui");
    shutdownModule(mScripting, "scripting");
    shutdownModule(mTime, "time");
    shutdownModule(mPhysics, "physics");
    shutdownModule(mInput, "input");
    shutdownModule(mAudio, "audio");
    shutdownModule(mGraphics, "graphics");
    shutdownModule(mLog, "log");
    mStarted.clear();
}

void Engine::shutdownAfterFailure()
{
    shutdownStartedModule(mGame, "game");
    shutdownStartedModule(mGui, "gui");
    shutdownStartedModule(mScripting, "scripting");
    shutdownStartedModule(mTime, "time");
    shutdownStartedModule(mPhysics, "physics");
    shutdownStartedModule(mInput, "input");
    shutdownStartedModule(mAudio, "audio");
    shutdownStartedModule(mGraphics, "graphics");
    shutdownStartedModule(mLog, "log");
    mStarted.clear();
}

bool Engine::run()
{
    mRunning = true;
    mTimer.reset();
    while (!mStopRequested) {
        const unsigned long long microseconds = mTimer.getMicroseconds();
        mTimer.reset();
        try {
            frame(static_cast<float>(microseconds) / 1000000.0f);
        } catch (...) {
            // A stop signal interrupted a script in a callback, and the interruption left the
            // frame: the traceback goes to the log, and the program still shuts down in order.
            if (!StopSignals::received() || !mScripting || !PyErr_ExceptionMatches(PyExc_KeyboardInterrupt)) {
                throw;
            }
            mScripting->getErrorString();
        }
        if (StopSignals::received()) {
            // Ctrl-C, SIGTERM or SIGHUP: the end of the program, never a restart.
            StopSignals::beginOrderlyEnd();
            stop(false);
        }
    }
    mStopRequested = false;
    mRunning = false;
    return mRestart;
}

void Engine::stop(bool restart)
{
    if (mRunning) {
        mStopRequested = true;
    }
    mRestart = restart;
}

template <typename Module>
void Engine::initialiseModule(Module* module, const char* name)
{
    if (module) {
        traceStep("initialise", name);
        module->initialise();
        mStarted.push_back(module);
    }
}

template <typename Module>
void Engine::frameModule(Module* module, const char* name, float seconds)
{
    if (module) {
        traceStep("frame", name);
        module->frame(seconds);
    }
}

template <typename Module>
void Engine::shutdownModule(Module* module, const char* name)
{
    if (module) {
        traceStep("shutdown", name);
        module->shutdown();
    }
}

template <typename Module>
void Engine::shutdownStartedModule(Module* module, const char* name)
{
    if (!module || std::find(mStarted.begin(), mStarted.end(), module) == mStarted.end()) {
        return;
    }
    try {
        shutdownModule(module, name);
    } catch (const std::exception& error) {
        logLine(ToString("Error: Shutting down the ") + ToString(name) + ToString(" module failed: ")
            + ToString(error.what()));
    } catch (...) {
        logLine(ToString("Error: Shutting down the ") + ToString(name) + ToString(" module failed."));
    }
}

template <typename Module>
void Engine::deleteModule(Module*& module, const char* name)
{
    if (module) {
        traceStep("delete", name);
        Module* doomed = module;
        module = nullptr;
        delete doomed;
    }
}

void Engine::traceStep(const char* step, const char* module) const
{
    if (mOptions.trace) {
        mOptions.trace(step, module);
    }
}

// ---------------------------------------------------------------------------------------------
// Console key

bool Engine::keyPressed(const OIS::KeyEvent& event)
{
    if (event.key != OIS::KC_GRAVE || !isConsoleEnabled()) {
        return false;
    }
    return toggleConsole();
}

bool Engine::keyReleased(const OIS::KeyEvent& event)
{
    return event.key == OIS::KC_GRAVE;
}

bool Engine::isConsoleEnabled() const
{
    if (!mConfigFile) {
        return false;
    }
    const boost::any value = mConfigFile->getValueDefault("", ConfigFile::PT_BOOL, "Console Enable", boost::any(false));
    const bool* enabled = boost::any_cast<bool>(&value);
    return enabled && *enabled;
}

bool Engine::toggleConsole()
{
    // Without a console there is nothing to show or hide: the press goes on to the GUI and the
    // game like any other key.
    if (!mConsole) {
        return false;
    }
    CEGUI::Window* window = mConsole->getCEGUIWindow();
    window->setVisible(!window->isVisible());
    return true;
}

// ---------------------------------------------------------------------------------------------
// Resources

bool Engine::initialiseResourcePaths()
{
    if (!mConfigFile || !mConfigFile->hasSection(ResourcesSection)) {
        logLine("No resource section specified in the configuration.");
        return false;
    }
    try {
        // A multimap: keys (archive types) in byte order, equal keys in file order, so every
        // "FileSystem" location comes before every "LZMA" one.
        return ResourceLocator::addLocations(
            mConfigFile->Ogre::ConfigFile::getSettings(ResourcesSection), mDataDirectory);
    } catch (const InitialisationException&) {
        // A location that cannot be read names itself in the fatal message.
        throw;
    } catch (const std::exception& error) {
        logLine(ToString("Failed to add resource location: ") + ToString(error.what()));
        return false;
    }
}

bool Engine::initialiseResourcePath(const std::string& archiveType, const std::string& entry)
{
    return ResourceLocator::addLocation(archiveType, entry);
}

std::string Engine::getResourceData(const std::string& name)
{
    return ResourceLocator::read(name);
}

bool Engine::isResourceAvailable(const std::string& name)
{
    return ResourceLocator::exists(name);
}

} // namespace tolva
