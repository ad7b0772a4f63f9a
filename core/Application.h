// The program from start to end: the bootstrap, then engine after engine for as long as each one
// asks for a restart when its loop ends, and one line on standard error for a failure that ends
// the program. main() only builds an Application and returns what run() returns.
#pragma once

#include <exception>
#include <string>

#include "core/EngineOptions.h"

namespace tolva {

class Engine;

class Application {
public:
    Application(int argc, char** argv, const EngineOptions& options = EngineOptions());

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /// Runs the program. Ctrl-C, SIGTERM and SIGHUP end it like a stop without restart (StopSignals).
    /// After a fatal error the line "Brindlemoor: Fatal Error: " + reason is
    /// written to standard error.
    /// @return the exit status: 0, or 1 after a fatal error
    int run();

    /// The reason printed for a failure. A script error is described by the interpreter of the
    /// engine given (null when no engine exists); when that gives no text, by the failure's own
    /// message.
    static std::string describeFatalError(std::exception_ptr error, Engine* engine);

    /// The engine that failures are reported with: fully built and not yet being deleted; null
    /// at every other moment.
    Engine* getEngine() const { return mEngine; }

private:
    /// One engine's life: create, initialise, run, shut down, write "engine.cfg", delete.
    /// @return the restart flag
    bool runEngine();
    /// After a fatal error in an engine's initialise or run: shuts down what it started and
    /// deletes it, without writing "engine.cfg".
    void abandonEngine();

    int mArgc;
    char** mArgv;
    EngineOptions mOptions;
    Engine* mEngine = nullptr;
};

} // namespace tolva
