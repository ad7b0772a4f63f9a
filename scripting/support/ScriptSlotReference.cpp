#include "scripting/support/ScriptSlotReference.h"

namespace tolva {

namespace {

/// The references that hold an object, in a list through the references themselves, so that a
/// slot copied by the signal library costs no allocation here.
ScriptSlotReference* gFirst = nullptr;
bool gConnectingAllowed = true;

} // namespace

ScriptSlotReference::ScriptSlotReference(PyObject* object)
    : mObject(object)
    , mPrevious(nullptr)
    , mNext(nullptr)
{
    Py_XINCREF(mObject);
    link();
}

ScriptSlotReference::ScriptSlotReference(const ScriptSlotReference& other)
    : ScriptSlotReference(other.mObject)
{
}

ScriptSlotReference& ScriptSlotReference::operator=(const ScriptSlotReference& other)
{
    if (this != &other) {
        PyObject* object = other.mObject;
        Py_XINCREF(object);
        release();
        mObject = object;
        link();
    }
    return *this;
}

ScriptSlotReference::~ScriptSlotReference()
{
    release();
}

void ScriptSlotReference::link()
{
    if (!mObject) {
        return;
    }
    mPrevious = nullptr;
    mNext = gFirst;
    if (gFirst) {
        gFirst->mPrevious = this;
    }
    gFirst = this;
}

void ScriptSlotReference::unlink()
{
    if (mPrevious) {
        mPrevious->mNext = mNext;
    } else if (gFirst == this) {
        gFirst = mNext;
    }
    if (mNext) {
        mNext->mPrevious = mPrevious;
    }
    mPrevious = mNext = nullptr;
}

// Unlinked before the object goes: its release may run script code that copies or drops other
// references.
void ScriptSlotReference::release()
{
    if (!mObject) {
        return;
    }
    unlink();
    PyObject* object = mObject;
    mObject = nullptr;
    Py_DECREF(object);
}

bool ScriptSlotReference::isConnectingAllowed()
{
    return gConnectingAllowed;
}

void ScriptSlotReference::releaseAll()
{
    gConnectingAllowed = false;
    while (gFirst) {
        gFirst->release();
    }
}

void ScriptSlotReference::allowConnecting()
{
    gConnectingAllowed = true;
}

} // namespace tolva
