// A game object that shows one movable object of the rendering engine (an entity, a light, a
// particle system, a billboard chain) on its node, and chooses the compositor effects it is drawn
// in. Enabling an effect reports one use of it to the graphics module, which keeps the effect's
// compositor on while it has users, and adds the effect's visibility mask to the movable
// object's flags, which always hold the graphics module's base mask; each enabled effect is
// released exactly once, at the latest when the object goes.
//
// Billboard effects can also hang their billboard set on this object's node (attachEffect); such
// an effect goes back to its own node when it is detached or when this object is destroyed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "scene/GameObject.h"

namespace Ogre {
class MovableObject;
}

namespace tolva {

class BillboardEffect;

class RenderableObject : public GameObject {
public:
    /// Effect name to the effect's visibility mask.
    typedef std::map<std::string, std::uint32_t> EffectMap;

    /// A new game object showing the movable object (null: none yet; subclasses set theirs
    /// once they made it).
    explicit RenderableObject(Ogre::MovableObject* object);
    /// Releases every enabled effect and takes the movable object off the node; the subclass
    /// that made the movable object destroys it.
    ~RenderableObject() override;

    virtual Ogre::MovableObject* getObject() const { return mObject; }
    /// Takes the old object off this node (if it hangs here), shows the new one with no effects
    /// (the old one's are released) and, when attach is true, hangs it on this node.
    virtual void setObject(Ogre::MovableObject* object, bool attach);
    /// False while no movable object is set.
    virtual bool isVisible() const;
    /// Nothing while no movable object is set.
    virtual void setVisible(bool visible);
    virtual bool isEffectEnabled(const std::string& name) const;
    virtual const EffectMap& getEffects() const { return mEffects; }
    /// Uses or releases the effect; an effect is used once however often it is enabled. An
    /// effect that is not available gives a warning and changes nothing.
    virtual void setEffectEnable(const std::string& name, bool enable);

    /// Hangs the effect's billboard set on this node, taking it from wherever it hung.
    void attachEffect(BillboardEffect* effect);
    /// Sends an effect attached here back to its own node.
    void detachEffect(BillboardEffect* effect);
    /// The graphics module's base mask ORed with the masks of the enabled effects.
    std::uint32_t calculateVisibilityMask() const;
    /// Releases every enabled effect; the movable object keeps the base mask.
    void disableAllEffects();

    /// Bookkeeping of BillboardEffect, which moves its set between nodes.
    void _effectAttached(BillboardEffect* effect) { mAttachedEffects.push_back(effect); }
    void _effectDetached(BillboardEffect* effect);

protected:
    Ogre::MovableObject* mObject = nullptr;
    EffectMap mEffects;

private:
    void applyVisibilityMask();

    std::vector<BillboardEffect*> mAttachedEffects;
};

} // namespace tolva
