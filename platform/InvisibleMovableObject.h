// The common ground of the layer's stand-ins on the scene graph (sounds, the listener, bodies,
// geometries): each hangs on a scene node only to follow it or lead it, so it has no size and
// draws nothing. What each does when it is (un)hung stays in its own _notifyAttached.
#pragma once

#include <OgreMovableObject.h>

namespace tolva::platform {

class InvisibleMovableObject : public Ogre::MovableObject {
public:
    // Ogre::MovableObject
    const Ogre::String& getMovableType() const override { return mMovableType; }
    const Ogre::AxisAlignedBox& getBoundingBox() const override;
    Ogre::Real getBoundingRadius() const override { return 0; }
    void _updateRenderQueue(Ogre::RenderQueue*) override { }
    void visitRenderables(Ogre::Renderable::Visitor*, bool) override { }

protected:
    /// @param movableType what getMovableType reports for every object of the derived class
    InvisibleMovableObject(const Ogre::String& name, const Ogre::String& movableType);

private:
    const Ogre::String mMovableType;
};

} // namespace tolva::platform
