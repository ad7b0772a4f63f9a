#include "platform/InvisibleMovableObject.h"

#include <OgreAxisAlignedBox.h>

namespace tolva::platform {

InvisibleMovableObject::InvisibleMovableObject(const Ogre::String& name, const Ogre::String& movableType)
    : Ogre::MovableObject(name)
    , mMovableType(movableType)
{
}

const Ogre::AxisAlignedBox& InvisibleMovableObject::getBoundingBox() const
{
    return Ogre::AxisAlignedBox::BOX_NULL;
}

} // namespace tolva::platform
