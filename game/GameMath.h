// Vector helpers of the game that keep the normalisation rule of the game's movement code: a
// vector is scaled to unit length only when it is longer than 1e-8, and otherwise left as it is.
#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace tolva {

inline Ogre::Vector3 normalisedOrSame(const Ogre::Vector3& vector)
{
    const Ogre::Real length = vector.length();
    return length > 1e-08f ? vector / length : vector;
}

/// The rotation by the angle (degrees) about the axis.
inline Ogre::Quaternion rotationAbout(float degrees, const Ogre::Vector3& axis)
{
    return Ogre::Quaternion(Ogre::Degree(degrees), axis);
}

} // namespace tolva
