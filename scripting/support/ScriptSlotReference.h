// The reference that a script slot of an engine signal holds to its Python callable.
//
// Signals live in engine objects, some of which outlast the interpreter (the input module is
// deleted after it), and a slot that an atexit function connected would otherwise release its
// callable after the interpreter ended (the interpreter aborts then). Every reference is
// therefore listed here, and the scripting module releases them all before the interpreter ends;
// a slot left behind then calls nothing. From that moment until the next interpreter starts, no
// script slot can be connected. Main thread only, like the interpreter.
#pragma once

#include <Python.h>

namespace tolva {

class ScriptSlotReference {
public:
    /// Holds a new reference to the object.
    explicit ScriptSlotReference(PyObject* object);
    ScriptSlotReference(const ScriptSlotReference& other);
    ScriptSlotReference& operator=(const ScriptSlotReference& other);
    ~ScriptSlotReference();

    /// The callable; null once every reference was released.
    PyObject* get() const { return mObject; }

    /// Whether script slots may be connected: from the interpreter's start until releaseAll.
    static bool isConnectingAllowed();
    /// Releases every reference, lets none be taken any more, and so leaves every script slot
    /// calling nothing. The scripting module calls it before the interpreter ends.
    static void releaseAll();
    /// Lets references be taken again. The scripting module calls it once its interpreter runs.
    static void allowConnecting();

private:
    void link();
    void unlink();
    void release();

    PyObject* mObject;
    ScriptSlotReference* mPrevious;
    ScriptSlotReference* mNext;
};

} // namespace tolva
