// The built-in module "tolvatest" that Python test scripts import beside TolvaEngine: what a test
// needs of the engine that scripts do not reach through TolvaEngine (driving frames, reading the
// log's tail, firing a signal, calling a listener from C++), plus small stand-ins that exercise
// the binding support (listener holders, value converters, exception translation).
#pragma once

#include <Python.h>

namespace tolva {
class Engine;
}

namespace tolva::test {

/// The engine the module's functions act on; set by the runner before any script runs.
void setScriptTestEngine(Engine* engine);

} // namespace tolva::test

extern "C" PyObject* PyInit_tolvatest();
