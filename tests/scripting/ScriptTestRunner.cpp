// Runs one Python test script inside a running engine: `test_python_scripts <script.py>`.
//
// The script is a unittest module (tests/scripting/python/test_<folder>.py). It runs in the
// engine's own interpreter with TolvaEngine and the test module "tolvatest" importable; the
// results and every failure's traceback go to standard error, and the exit status is 0 only when
// at least one test ran and none failed, and no frame ended with an error of the engine's own (one
// that ends the shipped game; a script's own exception from its slot is the script's outcome).
//
// The engine is windowless (time, physics and audio on a scene manager of their own, scripting, the
// GUI on the GUI library's renderer that draws nothing, a game that never stops the engine by
// itself) unless the script's first lines say "# engine: window":
// then it also has the graphics and input modules, the gravity manager and the test media
// (meshes, materials, particle templates), on an X server of its own (the runner starts itself
// again under xvfb-run), so that keys injected with xdotool reach only this engine's window.
//
// A script that runs the main loop (tolvatest.runMainLoop) and stops it with a restart makes the
// runner build a new engine, with a new interpreter, and run the whole script again in it, as the
// program does on a restart; tolvatest.getEngineGeneration() tells the script which engine it is
// in. The exit status covers every engine's run.
#include "ScriptTestGame.h"
#include "ScriptTestModule.h"

#include "audio/Audio.h"
#include "core/Engine.h"
#include "physics/Physics.h"
#include "scripting/Python.h"
#include "scene/WindowTestSupport.h"
#include "support/TestHome.h"

#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include <boost/python.hpp>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace bp = boost::python;

namespace {

/// Set in the environment of the runner started again on its own X server.
const char* const OwnDisplayVariable = "TOLVA_SCRIPT_TEST_OWN_DISPLAY";
/// A controls file with no commands and an empty base layer (pickle protocol 2 of
/// ((), (0, (), ()))): the engines start as a configured game does, without a read warning.
const std::string EmptyControls("\x80\x02)K\x00))\x87q\x00\x86q\x01.", 14);
/// Engines after which a script that keeps asking for restarts is stopped.
const unsigned int MaxEngines = 5;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool wantsWindow(const std::string& script)
{
    std::istringstream lines(script);
    std::string line;
    for (int i = 0; i < 5 && std::getline(lines, line); ++i) {
        if (line.rfind("# engine:", 0) == 0 && line.find("window") != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string ownPath()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// The server must not reset when its last client leaves: between the engines of a restart there
// is none, and the next engine would find no display.
int runOnOwnDisplay(const std::string& scriptPath)
{
    setenv(OwnDisplayVariable, "1", 1);
    // The software renderer without a shader compiler: the compiler registers its code while
    // holding the unwinder's lock, where the sanitizer's full stack unwinding would wait for ever.
    setenv("GALLIUM_DRIVER", "softpipe", 0);
    const std::string command
        = "xvfb-run -a -s '-screen 0 1024x768x24 -noreset' '" + ownPath() + "' '" + scriptPath + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Loads the script as a module of its own name and runs its tests; the result is a bool in the
// main namespace.
const char* const RunScript = R"(
import importlib.util, sys, unittest
def _runTestScript(path):
    name = path.rsplit('/', 1)[-1][:-3]
    spec = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(spec)
    sys.modules[name] = module
    spec.loader.exec_module(module)
    tests = unittest.defaultTestLoader.loadTestsFromModule(module)
    result = unittest.TextTestRunner(stream=sys.__stderr__, verbosity=2).run(tests)
    return result.wasSuccessful() and result.testsRun > 0
)";

int runScript(tolva::Engine& engine, const std::string& path)
{
    tolva::Python* python = engine.getScripting();
    try {
        python->executeStatement(RunScript);
        const bool passed = bp::extract<bool>(python->getGlobal("_runTestScript")(path));
        return passed ? 0 : 1;
    } catch (const bp::error_already_set&) {
        std::cerr << python->getErrorString() << std::endl;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n" << python->getErrorString() << std::endl;
    }
    return 1;
}

/// One engine's life with the script run inside it.
int runEngine(int argc, char** argv, const std::string& path, bool window, unsigned int generation)
{
    if (PyImport_AppendInittab("tolvatest", &PyInit_tolvatest) == -1) {
        return 2;
    }
    // Without a window the physics and audio modules need a scene manager of their own.
    std::unique_ptr<Ogre::Root> root;
    if (!window) {
        root = std::make_unique<Ogre::Root>("", "", "");
    }
    int status = 1;
    try {
        tolva::EngineOptions options
            = tolva::test::coreOptions([] { return static_cast<tolva::GameBase*>(new tolva::test::ScriptTestGame()); });
        options.scripting = true;
        options.physics = true;
        options.audio = true;
        options.gui = true;
        options.graphics = window;
        options.input = window;
        options.gravityManager = window;
        tolva::Engine engine(argc, argv, options);
        if (window) {
            tolva::test::keepGraphicsLibrariesLoaded();
        } else {
            Ogre::SceneManager* sceneManager = root->createSceneManager();
            engine.getPhysics()->setSceneManager(sceneManager);
            engine.getAudio()->setSceneManager(sceneManager);
        }
        tolva::test::setScriptTestEngine(&engine, generation);
        engine.initialise();
        status = runScript(engine, path);
        // The shipped game ends at such an error; a test that caught it and went on still fails.
        for (const std::string& error : tolva::test::takeFrameErrors()) {
            std::cerr << "A frame ended with the engine's own error: " << error << std::endl;
            status = 1;
        }
        engine.shutdown();
        tolva::test::setScriptTestEngine(nullptr, generation);
    } catch (const std::exception& error) {
        std::cerr << "Engine " << generation << " failed: " << error.what() << std::endl;
        tolva::test::setScriptTestEngine(nullptr, generation);
        status = 1;
    }
    root.reset();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: test_python_scripts <script.py>" << std::endl;
        return 2;
    }
    const std::string path = argv[1];
    const std::string script = readFile(path);
    if (script.empty()) {
        std::cerr << "Cannot read the test script " << path << "." << std::endl;
        return 2;
    }
    const bool window = wantsWindow(script);
    if (window && !std::getenv(OwnDisplayVariable)) {
        return runOnOwnDisplay(path);
    }

    tolva::test::TestHome home(window ? tolva::test::windowEngineConfig("FileSystem=" TOLVA_TEST_MEDIA_DIR "\n")
                                      : tolva::test::TestHome::minimalEngineConfig(),
        EmptyControls);
    int status = 0;
    for (unsigned int generation = 0;; ++generation) {
        status |= runEngine(argc, argv, path, window, generation);
        if (!tolva::test::takeRestartRequest()) {
            break;
        }
        if (generation + 1 == MaxEngines) {
            std::cerr << "The script asked for a restart of engine " << MaxEngines << "; stopping." << std::endl;
            return 1;
        }
    }
    return status;
}
