// The built-in Python module "Spindlewake", through which the game's scripts reach the game's
// own classes: the game module, the camera, the play sphere with its inventory and items, and the
// player controls. The game factory appends its init function to the interpreter's built-in
// table before the interpreter starts; its Python bases are classes of "TolvaEngine", which the
// interpreter imports first.
#pragma once

#include <Python.h>

extern "C" PyObject* PyInit_Spindlewake();
