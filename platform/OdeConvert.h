// Conversions between ODE's double-precision arrays and the rendering engine's math types.
// ODE stores quaternions as (w, x, y, z), the same order as Ogre::Quaternion's constructor.
#pragma once

#include <ode/ode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cmath>
#include <limits>

namespace tolva::ode {

/// The physics layer's infinity (friction, limits).
inline const float Infinity = std::numeric_limits<float>::infinity();

inline Ogre::Vector3 toOgre(const dReal* v)
{
    return Ogre::Vector3(Ogre::Real(v[0]), Ogre::Real(v[1]), Ogre::Real(v[2]));
}

inline Ogre::Quaternion toOgreQuaternion(const dReal* q)
{
    return Ogre::Quaternion(Ogre::Real(q[0]), Ogre::Real(q[1]), Ogre::Real(q[2]), Ogre::Real(q[3]));
}

inline void toOde(const Ogre::Quaternion& q, dQuaternion out)
{
    out[0] = q.w;
    out[1] = q.x;
    out[2] = q.y;
    out[3] = q.z;
}

inline bool isFinite(const Ogre::Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline bool isFinite(const Ogre::Quaternion& q)
{
    return std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
}

} // namespace tolva::ode
