// A camera-facing quad (a glow, a flare, a sprite): a billboard set with one billboard, the first,
// on the object's own node. Colour, rotation and size act on the first billboard; further
// billboards can be added. The set can be hung on a renderable object's node instead
// (RenderableObject::attachEffect) and comes back to this object's node when detached there or
// when that object goes.
#pragma once

#include <OgreBillboardSet.h>
#include <OgreColourValue.h>
#include <OgreVector.h>

#include <string>

#include "scene/GameObject.h"

namespace Ogre {
class Billboard;
}

namespace tolva {

class RenderableObject;

class BillboardEffect : public GameObject {
public:
    /// A set named name with one white billboard at the node's origin, turned by its vertices.
    /// An unknown material gives a warning and leaves the set's default material.
    /// @throws InvalidArgumentException when a billboard set of that name exists
    BillboardEffect(const std::string& name, const std::string& materialName);
    /// Takes the set off whatever node it hangs on and destroys it.
    ~BillboardEffect() override;

    using GameObject::rotate;
    /// The first billboard's rotation, in degrees.
    virtual float getRotation() const;
    virtual void setRotation(float degrees);
    /// Adds to the first billboard's rotation.
    virtual void rotate(float degrees);

    bool isVisible() const;
    void setVisible(bool visible);
    /// A further white billboard, owned by the set.
    Ogre::Billboard* createBillboard(const Ogre::Vector3& position);
    void removeBillboard(Ogre::Billboard* billboard);
    Ogre::BillboardType getType() const;
    void setType(Ogre::BillboardType type);
    Ogre::BillboardOrigin getOrigin() const;
    void setOrigin(Ogre::BillboardOrigin origin);
    Ogre::Vector3 getCommonDirection() const;
    void setCommonDirection(const Ogre::Vector3& direction);
    Ogre::Vector3 getCommonUpVector() const;
    void setCommonUpVector(const Ogre::Vector3& up);
    Ogre::ColourValue getColour() const;
    void setColour(const Ogre::ColourValue& colour);
    /// Every billboard, and the set's default, get this size.
    void setSize(float width, float height);
    /// The first billboard's own size, else the set's default (width, height).
    Ogre::Vector2 getSize() const;

    Ogre::BillboardSet* getBillboardSet() const { return mSet; }
    /// The renderable object whose node the set hangs on; null while it hangs on this object's
    /// own node.
    RenderableObject* getHost() const { return mHost; }
    /// Moves the set to the host's node (null: back to this object's node). Called by
    /// RenderableObject's attachEffect and detachEffect.
    void _hangOn(RenderableObject* host);

private:
    Ogre::BillboardSet* mSet;
    Ogre::Billboard* mFirst;
    RenderableObject* mHost = nullptr;
};

} // namespace tolva
