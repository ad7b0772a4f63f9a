// Position, orientation and scale of scene and physical objects. Angles given by callers are in
// degrees.
#pragma once

#include <OgreNode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace tolva {

class Transformable {
public:
    virtual ~Transformable() = default;

    virtual Ogre::Vector3 getPosition() const = 0;
    virtual void setPosition(const Ogre::Vector3& position) = 0;
    virtual void translate(const Ogre::Vector3& offset) = 0;
    virtual Ogre::Quaternion getOrientation() const = 0;
    virtual void setOrientation(const Ogre::Quaternion& orientation) = 0;
    /// @param degrees angle about the axis, in degrees
    virtual void rotate(const Ogre::Vector3& axis, float degrees) = 0;
    /// @param degrees angle about the axis, in degrees
    virtual void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space) = 0;
    virtual Ogre::Vector3 getScale() const = 0;
    virtual void setScale(const Ogre::Vector3& scale) = 0;
    virtual void scale(const Ogre::Vector3& factors) = 0;
};

} // namespace tolva
