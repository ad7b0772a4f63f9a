#include "scripting/support/ScriptObjectKeeper.h"

#include <utility>

namespace tolva {

void ScriptObjectKeeper::keep(const void* owner, std::vector<boost::python::object> objects)
{
    KeptObjects& kept = getKept();
    // The old objects are released only after the new ones are stored: releasing one may run
    // script code (a destructor) that changes what is kept.
    std::vector<boost::python::object> released;
    if (objects.empty()) {
        const KeptObjects::iterator entry = kept.find(owner);
        if (entry != kept.end()) {
            released.swap(entry->second);
            kept.erase(entry);
        }
    } else {
        released.swap(kept[owner]);
        kept[owner] = std::move(objects);
    }
}

void ScriptObjectKeeper::releaseAll()
{
    KeptObjects released;
    released.swap(getKept());
}

ScriptObjectKeeper::KeptObjects& ScriptObjectKeeper::getKept()
{
    static KeptObjects kept;
    return kept;
}

} // namespace tolva
