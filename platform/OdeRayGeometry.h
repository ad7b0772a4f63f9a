// A ray: a half-line of given length that senses what it crosses. Its definition (start and
// direction) is relative to its pose, so a ray hanging on a scene node turns with the node.
#pragma once

#include "platform/OdeGeometry.h"

namespace tolva::ode {

class RayGeometry : public Geometry {
public:
    /// @throws InvalidArgumentException when the length is negative or not finite
    explicit RayGeometry(float length, Space* space = nullptr);

    /// Without a scene node: the ray starts at the start point (which becomes its position) and
    /// points along the direction. On a node: both are taken in the node's frame.
    void setDefinition(const Ogre::Vector3& start, const Ogre::Vector3& direction);
    float getLength() const;
    /// A negative or infinite length is refused with a warning.
    void setLength(float length);
    /// The world direction, unit length.
    Ogre::Vector3 getDirection() const;
    /// The world start point.
    Ogre::Vector3 getStart() const;

protected:
    void applyPose(const Ogre::Vector3& position, const Ogre::Quaternion& orientation) override;

private:
    Ogre::Vector3 mLocalStart = Ogre::Vector3::ZERO;
    Ogre::Vector3 mLocalDirection = Ogre::Vector3::UNIT_Z;
};

} // namespace tolva::ode
