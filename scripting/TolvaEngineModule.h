// The built-in Python module "TolvaEngine", through which scripts reach the engine. The
// interpreter module appends its init function to the interpreter's built-in table before the
// interpreter starts, and imports it while initialising.
#pragma once

#include <Python.h>

extern "C" PyObject* PyInit_TolvaEngine();
