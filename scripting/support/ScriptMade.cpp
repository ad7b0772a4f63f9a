#include "scripting/support/ScriptMade.h"

#include "core/Hierarchical.h"

namespace tolva {

namespace {

void* holdScriptObject(const Hierarchical* object)
{
    const auto* owned = dynamic_cast<const ScriptOwned*>(object);
    if (!owned || !Py_IsInitialized()) {
        return nullptr;
    }
    PyObject* self = owned->getScriptObject();
    Py_INCREF(self);
    return self;
}

void releaseScriptObject(void* held)
{
    // The emission may be ending with a slot's error on its way out: the release (which may run
    // the object's destruction and scripts' finalisers) must neither see nor lose it.
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    Py_DECREF(static_cast<PyObject*>(held));
    PyErr_Restore(type, value, traceback);
}

} // namespace

void ScriptOwned::install()
{
    Hierarchical::_setLifeHolder(&holdScriptObject, &releaseScriptObject);
}

} // namespace tolva
