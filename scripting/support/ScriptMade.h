// Engine objects that scripts make live inside their script objects. When an emission lends such
// an object to several slots and an early slot drops the script's last reference, the object
// would be destroyed while the later slots are still to receive it. The object therefore knows
// its script object, and the emission holds that script object until it is over
// (Hierarchical::KeptAlive): every slot receives a live object, and it goes afterwards.
#pragma once

#include <Python.h>

#include <utility>

namespace tolva {

class Hierarchical;

/// The script object an engine object lives in.
class ScriptOwned {
public:
    explicit ScriptOwned(PyObject* self)
        : mSelf(self)
    {
    }
    virtual ~ScriptOwned() = default;
    ScriptOwned(const ScriptOwned&) = delete;
    ScriptOwned& operator=(const ScriptOwned&) = delete;

    PyObject* getScriptObject() const { return mSelf; }

    /// Lets emissions hold the script objects of what they lend (Hierarchical::_setLifeHolder).
    static void install();

private:
    /// Borrowed: the script object owns this one.
    PyObject* mSelf;
};

/// The held type of a script class whose objects scripts make: the binding library hands every
/// constructor the new script object first.
template <typename T>
class ScriptMade : public T, public ScriptOwned {
public:
    template <typename... Args>
    explicit ScriptMade(PyObject* self, Args&&... args)
        : T(std::forward<Args>(args)...)
        , ScriptOwned(self)
    {
    }
};

} // namespace tolva
