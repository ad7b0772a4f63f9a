// Script objects that the engine reaches only through a plain pointer (a listener connected to a
// holder, a command's handler) are kept alive here for as long as the engine may call them. A
// script may then hand the engine an object it keeps no reference to of its own, as in
// holder.connect(Listener()), and the engine never calls an object that is gone.
//
// Each object is kept under a key (an owner's address and a name) until it is released under that
// key, replaced by another object under the same key, or found no longer needed when prune() asks
// its condition (a connection handle that is no longer connected, for example). Everything kept is
// released before the interpreter ends; once that release has begun nothing new is kept, so a
// finaliser that hands the engine a fresh object cannot keep the release going for ever: the call
// that would need the keep checks isKeepingAllowed first and refuses, leaving nothing scheduled
// or connected. Main thread only, like the interpreter.
#pragma once

#include <boost/python/object.hpp>

#include <cstddef>
#include <functional>
#include <string>

namespace tolva {

class ScriptKeepAlive {
public:
    /// Tells prune() whether the object is still needed; it must stay callable until the object
    /// is released.
    typedef std::function<bool()> Condition;

    /// Keeps the object alive under (owner, name), releasing what was kept there before. An empty
    /// condition keeps it until it is released by key. Prunes first whenever the table has
    /// doubled since the last prune, so that n keeps cost O(n log n) in all.
    /// @throw IllegalStateException once releaseAll has begun
    static void keep(const void* owner, const std::string& name, const boost::python::object& object,
        Condition needed = Condition());
    /// Releases what is kept under (owner, name), if anything.
    static void release(const void* owner, const std::string& name = std::string());
    /// Releases every object whose condition no longer holds.
    static void prune();
    /// Releases everything and keeps nothing more until allowKeeping. The interpreter module
    /// calls it before the interpreter ends.
    static void releaseAll();
    /// Whether keep may be called: from the interpreter's start until releaseAll.
    static bool isKeepingAllowed();
    /// Throws IllegalStateException with the message unless keep may be called. For the calls
    /// that hand the engine a script object: they ask before they change anything.
    static void requireKeeping(const char* refusal);
    /// Lets objects be kept again. The interpreter module calls it once its interpreter runs.
    static void allowKeeping();
    /// How many objects are kept.
    static std::size_t getCount();
};

} // namespace tolva
