#include "scripting/support/RunningScript.h"

#include <Python.h>

#include "core/Engine.h"
#include "core/StopSignals.h"

namespace tolva {

int RunningScript::msDepth = 0;

RunningScript::RunningScript()
{
    if (msDepth++ == 0) {
        Engine* engine = Engine::getInstance();
        StopSignals::setScriptInterruptible(engine && engine->isRunning());
    }
}

RunningScript::~RunningScript()
{
    if (--msDepth != 0) {
        return;
    }
    StopSignals::setScriptInterruptible(false);
    // A signal that came after the script's last check would raise in whatever script runs next;
    // whatever the script itself left pending stays.
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (PyErr_CheckSignals() != 0) {
        PyErr_Clear();
    }
    PyErr_Restore(type, value, traceback);
}

} // namespace tolva
