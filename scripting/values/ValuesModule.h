// The built-in Python module "TolvaValues": script classes for the values of the outside libraries
// that cross the script boundary. TolvaEngine registers no class for OGRE's, OIS's or CEGUI's
// types; this module does, and the interpreter module imports it beside TolvaEngine, so every
// engine member that takes or returns one of these types works in every script, whether or not
// the script imports this module itself.
//
// One submodule per library, each importable on its own ("from TolvaValues.Ogre import Vector3"):
//   TolvaValues.Ogre   vectors, quaternions, colours, angles, boxes and the enums engine members take
//   TolvaValues.OIS    key codes, mouse buttons, and the key and mouse events input slots receive
//   TolvaValues.CEGUI  mouse buttons and handles of GUI windows
//   TolvaValues.al     the sound layer's sounds (LayerValues.cpp)
//   TolvaValues.ode    the physics layer's geometries, bodies, masses and joints (OdeValues.cpp)
// An enum declared at namespace level in its library exports its values into the submodule, as
// in C++ (Ogre.FOG_LINEAR, OIS.KC_ESCAPE); a nested enum is named after its class
// (Ogre.Node_TransformSpace) and holds its values as attributes of its type only.
//
// A later library joins with one more file here and one more submodule line in ValuesModule.cpp.
#pragma once

#include <Python.h>

extern "C" PyObject* PyInit_TolvaValues();

namespace tolva::values {

/// The classes and enums of each submodule, defined into the current Boost.Python scope.
void defineOgreValues();
void defineOisValues();
void defineCeguiValues();
void defineSoundLayerValues();
void defineOdeValues();

} // namespace tolva::values
