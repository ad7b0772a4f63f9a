// Whether engine objects that scripts hold handles to are still alive. A script's handle never
// owns an engine object that the engine (or another script's object) may destroy, so the handle
// asks here before every use: scene and physical objects report their destruction through the
// hierarchy's destruction observer, geometries and bodies of the physics layer through their
// listener as movable objects of the rendering engine. Main thread only, like the interpreter.
#pragma once

#include <memory>

namespace Ogre {
class MovableObject;
}

namespace tolva {

class Hierarchical;

class ObjectLives {
public:
    /// True while the object lives; shared by every handle of the object.
    typedef std::shared_ptr<const bool> Token;

    /// Starts watching the object (a live one, not null) unless it is watched already.
    static Token watch(const Hierarchical* object);
    static Token watch(Ogre::MovableObject* object);
    /// An object nobody can destroy behind a script's back: always alive.
    static Token unwatched();

    /// Whether the object is watched and alive. An object destroyed since is not watched any more.
    static bool isWatched(const void* object);

    /// Connects the hierarchy's destruction observer; the interpreter module calls it once.
    static void install();

    /// Marks the object destroyed.
    static void _destroyed(const void* object);
};

} // namespace tolva
