#include "scripting/support/ScriptKeepAlive.h"

#include "core/Exceptions.h"

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

/// The table's size after the last prune. keep() prunes again only once the table has doubled
/// since: asking every condition on every keep made n keeps cost O(n^2) conditions (a script
/// scheduling thousands of listeners waited minutes), while this costs each keep amortised O(1)
/// conditions and still holds at most about twice what is needed.
std::size_t& getSizeAfterPrune()
{
    static std::size_t size = 0;
    return size;
}

bool gKeepingAllowed = true;

} // namespace

// Releasing an object may run script code (its __del__, or the release of what it holds) that
// keeps or releases others, so objects are only let go once the table is consistent again.

void ScriptKeepAlive::keep(
    const void* owner, const std::string& name, const boost::python::object& object, Condition needed)
{
    requireKeeping("The interpreter is ending: no script object can be kept any more.");
    if (getKept().size() >= 2 * getSizeAfterPrune() + 8) {
        prune();
    }
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
    getSizeAfterPrune() = kept.size();
}

void ScriptKeepAlive::releaseAll()
{
    // A finaliser run by a release may still release others, but keeps nothing new: the passes
    // end once what was kept at the start, and what those releases let go, is gone.
    gKeepingAllowed = false;
    while (!getKept().empty()) {
        KeptMap released;
        released.swap(getKept());
    }
    getSizeAfterPrune() = 0;
}

bool ScriptKeepAlive::isKeepingAllowed()
{
    return gKeepingAllowed;
}

void ScriptKeepAlive::requireKeeping(const char* refusal)
{
    if (!gKeepingAllowed) {
        throw IllegalStateException(refusal);
    }
}

void ScriptKeepAlive::allowKeeping()
{
    gKeepingAllowed = true;
}

std::size_t ScriptKeepAlive::getCount()
{
    return getKept().size();
}

} // namespace tolva
