// Script objects that engine objects refer to only by plain pointer, kept alive here for as long
// as the engine object may call them: a command handler set in a control registry, for one. The
// engine object never owns a Python object itself (the engine headers know nothing of Python),
// so its binding tells this class, after every change made from a script, what it refers to now.
#pragma once

#include <boost/python/object.hpp>

#include <map>
#include <vector>

namespace tolva {

class ScriptObjectKeeper {
public:
    /// Keeps exactly these objects for the owner, releasing what was kept for it before.
    static void keep(const void* owner, std::vector<boost::python::object> objects);
    /// Releases everything. The interpreter module calls it while the interpreter still runs,
    /// after the engine objects that could call a kept object are gone.
    static void releaseAll();

private:
    typedef std::map<const void*, std::vector<boost::python::object>> KeptObjects;
    static KeptObjects& getKept();
};

} // namespace tolva
