// Listener-holder handles that scripts received. A script's handle object only refers to the
// handle (dropping it must not disconnect the listener), so nobody else would ever delete it;
// the handles are kept here and deleted once the interpreter has ended.
#pragma once

#include <functional>
#include <vector>

namespace tolva {

class ScriptOwnedHandles {
public:
    /// Keeps the handle until releaseAll.
    template <typename Handle>
    static void adopt(Handle* handle)
    {
        if (handle) {
            getDeleters().push_back([handle]() { delete handle; });
        }
    }

    /// Deletes every adopted handle (a handle still connected leaves its holder). Only when no
    /// script can reach a handle any more: after the interpreter has been finalised.
    static void releaseAll();

private:
    static std::vector<std::function<void()>>& getDeleters();
};

} // namespace tolva
