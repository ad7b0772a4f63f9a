// Runs one Python test script inside a running engine: `test_python_scripts <script.py>`.
//
// The script is a unittest module (tests/scripting/python/test_<folder>.py). It runs in the
// engine's own interpreter with TolvaEngine and the test module "tolvatest" importable; the
// results and every failure's traceback go to standard error, and the exit status is 0 only when
// at least one test ran and none failed.
//
// The engine is windowless (time, physics on a scene manager of its own, scripting, a game that
// never stops the engine by itself) unless the script's first lines say "# engine: window":
// then it also has the graphics and input modules and needs an X display.
#include "ScriptTestModule.h"

#include "core/Engine.h"
#include "physics/Physics.h"
#include "scripting/Python.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include <boost/python.hpp>

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace bp = boost::python;

namespace {

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

    tolva::test::TestHome home(tolva::test::TestHome::minimalEngineConfig(), "");
    if (PyImport_AppendInittab("tolvatest", &PyInit_tolvatest) == -1) {
        return 2;
    }
    // Without a window the physics module needs a scene manager of its own.
    std::unique_ptr<Ogre::Root> root;
    if (!window) {
        root = std::make_unique<Ogre::Root>("", "", "");
    }

    int status = 1;
    {
        tolva::EngineOptions options = tolva::test::coreOptions(
            [] { return static_cast<tolva::GameBase*>(new tolva::test::TestGame(0)); });
        options.scripting = true;
        options.physics = true;
        options.graphics = window;
        options.input = window;
        tolva::Engine engine(argc, argv, options);
        if (root) {
            engine.getPhysics()->setSceneManager(root->createSceneManager());
        }
        tolva::test::setScriptTestEngine(&engine);
        engine.initialise();
        status = runScript(engine, path);
        engine.shutdown();
        tolva::test::setScriptTestEngine(nullptr);
    }
    root.reset();
    return status;
}
