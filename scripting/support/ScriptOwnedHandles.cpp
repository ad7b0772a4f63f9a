#include "scripting/support/ScriptOwnedHandles.h"

namespace tolva {

void ScriptOwnedHandles::releaseAll()
{
    std::vector<std::function<void()>> deleters;
    deleters.swap(getDeleters());
    for (const std::function<void()>& deleteHandle : deleters) {
        deleteHandle();
    }
}

std::vector<std::function<void()>>& ScriptOwnedHandles::getDeleters()
{
    static std::vector<std::function<void()>> deleters;
    return deleters;
}

} // namespace tolva
