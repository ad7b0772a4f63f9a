#include "scripting/support/ScriptKeepAlive.h"

#include <map>
#include <utility>
#include <vector>

namespace tolva {

namespace {

struct Kept {
    boost::python::object object;
    ScriptKeepAlive::Condition needed;
};

typedef std::map<std::pair<const void*, std::string>, Kept> KeptMap;

/// Never destroyed: what it holds may only be released while an interpreter runs, and a table
/// left over at exit must not be released after the interpreter has gone.
KeptMap& getKept()
{
    static KeptMap* kept = new KeptMap;
    return *kept;
}

} // namespace

// Releasing an object may run script code (its __del__, or the release of what it holds) that
// keeps or releases others, so objects are only let go once the table is consistent again.

void ScriptKeepAlive::keep(
    const void* owner, const std::string& name, const boost::python::object& object, Condition needed)
{
    prune();
    Kept previous{object, std::move(needed)};
    std::swap(previous, getKept()[std::make_pair(owner, name)]);
}

void ScriptKeepAlive::release(const void* owner, const std::string& name)
{
    KeptMap& kept = getKept();
    const KeptMap::iterator found = kept.find(std::make_pair(owner, name));
    if (found == kept.end()) {
        return;
    }
    const Kept released = std::move(found->second);
    kept.erase(found);
}

void ScriptKeepAlive::prune()
{
    std::vector<Kept> released;
    KeptMap& kept = getKept();
    for (KeptMap::iterator it = kept.begin(); it != kept.end();) {
        if (it->second.needed && !it->second.needed()) {
            released.push_back(std::move(it->second));
            it = kept.erase(it);
        } else {
            ++it;
        }
    }
}

void ScriptKeepAlive::releaseAll()
{
    while (!getKept().empty()) {
        KeptMap released;
        released.swap(getKept());
    }
}

std::size_t ScriptKeepAlive::getCount()
{
    return getKept().size();
}

} // namespace tolva
