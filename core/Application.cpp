#include "core/Application.h"

#include <CEGUI/Exceptions.h>

#include <boost/python/errors.hpp>

#include <iostream>

#include "core/Bootstrap.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/StopSignals.h"
#include "scripting/Python.h"

namespace tolva {

namespace {

const char* const FatalErrorPrefix = "Brindlemoor: Fatal Error: ";

std::string scriptErrorText(Engine* engine, const std::string& ownMessage)
{
    if (!engine) {
        return "Unknown scripting error.";
    }
    std::string text;
    if (engine->getScripting()) {
        text = engine->getScripting()->getErrorString();
    }
    if (text.empty()) {
        // A script error raised by the engine itself has no interpreter text: its own message
        // is the reason.
        text = ownMessage.empty() ? std::string("Unknown scripting error.") : ownMessage;
    }
    return text;
}

} // namespace

Application::Application(int argc, char** argv, const EngineOptions& options)
    : mArgc(argc)
    , mArgv(argv)
    , mOptions(options)
{
}

int Application::run()
{
    try {
        const StopSignals stopSignals;
        bootstrap::Bootstrap(mArgc, mArgv);
        while (runEngine() && !StopSignals::received()) { }
        return 0;
    } catch (...) {
        // The reason first: a script error is described by the engine's interpreter.
        std::cerr << FatalErrorPrefix << describeFatalError(std::current_exception(), mEngine) << std::endl;
        std::cerr.flush();
        abandonEngine();
        return 1;
    }
}

void Application::abandonEngine()
{
    if (!mEngine) {
        return;
    }
    // Its modules are shut down and deleted (closing the sound device and the window), but
    // "engine.cfg" is not written back from a state that went wrong.
    Engine* engine = mEngine;
    mEngine = nullptr;
    engine->shutdownAfterFailure();
    delete engine;
}

bool Application::runEngine()
{
    Engine* engine = new Engine(mArgc, mArgv, mOptions);
    mEngine = engine;

    // A failure of initialise or run ends the program through run(), which shuts the engine
    // down without writing "engine.cfg" back.
    engine->initialise();
    const bool restart = engine->run();
    engine->shutdown();

    std::exception_ptr writeFailure;
    try {
        engine->writeConfiguration();
    } catch (...) {
        writeFailure = std::current_exception();
    }

    mEngine = nullptr;
    delete engine;

    // The engine is gone either way; a failed write still ends the program, since the next
    // engine of a restart would start from settings that were not saved.
    if (writeFailure) {
        std::rethrow_exception(writeFailure);
    }
    return restart;
}

std::string Application::describeFatalError(std::exception_ptr error, Engine* engine)
{
    try {
        std::rethrow_exception(error);
    } catch (const ScriptingException& exception) {
        return scriptErrorText(engine, exception.what());
    } catch (const boost::python::error_already_set&) {
        return scriptErrorText(engine, std::string());
    } catch (const CEGUI::Exception& exception) {
        return exception.getMessage().c_str();
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "Unknown error.";
    }
}

} // namespace tolva
