// The built-in module "tolvatest" that Python test scripts import beside TolvaEngine: what a test
// needs of the engine that scripts do not reach through TolvaEngine (driving frames and the main
// loop, reading the log's tail, the game's control registry, emitting input events and typing
// keys into the window, firing a signal, calling a listener from C++), plus small stand-ins that
// exercise the binding support (listener holders, value converters, exception translation), and
// the record of the engine's own errors that left frames (with a way to make the next frame refuse
// itself).
#pragma once

#include <Python.h>

#include <string>
#include <vector>

namespace tolva {
class Engine;
}

namespace tolva::test {

/// The engine the module's functions act on, and how many engines ran before it in this process;
/// set by the runner before any script runs.
void setScriptTestEngine(Engine* engine, unsigned int generation);
/// The engine's own errors that left frames run through the module (not a script's own exception
/// from its slot), oldest first, since they were last taken; clears them.
std::vector<std::string> takeFrameErrors();
/// Whether the script ran the main loop and it ended with a restart request; clears the request.
bool takeRestartRequest();

} // namespace tolva::test

extern "C" PyObject* PyInit_tolvatest();
