#include "scripting/support/ObjectLives.h"

#include "core/Hierarchical.h"

#include <OgreMovableObject.h>

#include <unordered_map>

namespace tolva {

namespace {

typedef std::unordered_map<const void*, std::shared_ptr<bool>> LifeMap;

/// Never destroyed: objects are destroyed after static destruction has begun.
LifeMap& getLives()
{
    static LifeMap* lives = new LifeMap;
    return *lives;
}

ObjectLives::Token watchAddress(const void* object)
{
    std::shared_ptr<bool>& life = getLives()[object];
    if (!life) {
        life = std::make_shared<bool>(true);
    }
    return life;
}

void hierarchicalDestroyed(const Hierarchical* object)
{
    ObjectLives::_destroyed(object);
}

/// Movable objects have one listener slot; whoever held it before keeps hearing everything
/// through this listener, and gets the slot back when the object goes (the rendering engine tells
/// the slot's listener again after the destruction call).
class MovableLifeListener : public Ogre::MovableObject::Listener {
public:
    void watch(Ogre::MovableObject* object)
    {
        if (object->getListener() == this) {
            return;
        }
        mPrevious[object] = object->getListener();
        object->setListener(this);
    }

    void objectDestroyed(Ogre::MovableObject* object) override
    {
        Ogre::MovableObject::Listener* previous = takePrevious(object);
        object->setListener(previous);
        ObjectLives::_destroyed(object);
        if (previous) {
            previous->objectDestroyed(object);
        }
    }
    void objectAttached(Ogre::MovableObject* object) override
    {
        if (Ogre::MovableObject::Listener* previous = findPrevious(object)) {
            previous->objectAttached(object);
        }
    }
    void objectDetached(Ogre::MovableObject* object) override
    {
        if (Ogre::MovableObject::Listener* previous = findPrevious(object)) {
            previous->objectDetached(object);
        }
    }
    void objectMoved(Ogre::MovableObject* object) override
    {
        if (Ogre::MovableObject::Listener* previous = findPrevious(object)) {
            previous->objectMoved(object);
        }
    }
    bool objectRendering(const Ogre::MovableObject* object, const Ogre::Camera* camera) override
    {
        Ogre::MovableObject::Listener* previous = findPrevious(object);
        return previous ? previous->objectRendering(object, camera) : true;
    }
    const Ogre::LightList* objectQueryLights(const Ogre::MovableObject* object) override
    {
        Ogre::MovableObject::Listener* previous = findPrevious(object);
        return previous ? previous->objectQueryLights(object) : nullptr;
    }

private:
    Ogre::MovableObject::Listener* findPrevious(const Ogre::MovableObject* object) const
    {
        const auto found = mPrevious.find(object);
        return found == mPrevious.end() ? nullptr : found->second;
    }

    Ogre::MovableObject::Listener* takePrevious(const Ogre::MovableObject* object)
    {
        Ogre::MovableObject::Listener* previous = findPrevious(object);
        mPrevious.erase(object);
        return previous;
    }

    std::unordered_map<const Ogre::MovableObject*, Ogre::MovableObject::Listener*> mPrevious;
};

/// Never destroyed, like the table of lives.
MovableLifeListener& getMovableListener()
{
    static MovableLifeListener* listener = new MovableLifeListener;
    return *listener;
}

} // namespace

ObjectLives::Token ObjectLives::watch(const Hierarchical* object)
{
    return watchAddress(object);
}

ObjectLives::Token ObjectLives::watch(Ogre::MovableObject* object)
{
    getMovableListener().watch(object);
    return watchAddress(object);
}

ObjectLives::Token ObjectLives::unwatched()
{
    static const Token alive = std::make_shared<const bool>(true);
    return alive;
}

bool ObjectLives::isWatched(const void* object)
{
    const LifeMap& lives = getLives();
    const LifeMap::const_iterator found = lives.find(object);
    return found != lives.end() && *found->second;
}

void ObjectLives::install()
{
    Hierarchical::_setDestructionObserver(&hierarchicalDestroyed);
}

void ObjectLives::_destroyed(const void* object)
{
    LifeMap& lives = getLives();
    const LifeMap::iterator found = lives.find(object);
    if (found != lives.end()) {
        *found->second = false;
        lives.erase(found);
    }
}

} // namespace tolva
