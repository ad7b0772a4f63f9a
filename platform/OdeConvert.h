// Conversions between ODE's double-precision arrays and the rendering engine's math types.
// ODE stores quaternions as (w, x, y, z), the same order as Ogre::Quaternion's constructor.
#pragma once

#include "core/Exceptions.h"

#include <ode/ode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cmath>
#include <limits>
#include <string>

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

/// The largest size (box lengths, radii, ray lengths) the layer hands the simulation.
inline constexpr double MaxExtent = 1e15;
/// The largest coordinate of a position or offset the layer hands the simulation. The collision
/// space files each geometry into cells counted in ints, as small as 1/8 unit for small shapes:
/// ODE aborts once a coordinate passes about 2.6e8. Positions and offsets each stay within this,
/// so a geometry offset (turned any way) from a body stays well inside that range.
inline constexpr double MaxCoordinate = 1e7;

/// Scale components below this magnitude (zero and denormals) count as zero where a scale is
/// divided by.
inline constexpr float MinScale = 1e-15f;

inline bool isInvertibleScale(const Ogre::Vector3& s)
{
    return isFinite(s) && std::fabs(s.x) >= MinScale && std::fabs(s.y) >= MinScale && std::fabs(s.z) >= MinScale;
}

inline bool isWithinExtent(double value)
{
    return std::isfinite(value) && std::fabs(value) <= MaxExtent;
}

inline bool isWithinExtent(const Ogre::Vector3& v)
{
    return isWithinExtent(v.x) && isWithinExtent(v.y) && isWithinExtent(v.z);
}

inline bool isWithinExtent(const dReal* v)
{
    return isWithinExtent(v[0]) && isWithinExtent(v[1]) && isWithinExtent(v[2]);
}

inline bool isPlaceable(const Ogre::Vector3& v)
{
    return isFinite(v) && std::fabs(v.x) <= MaxCoordinate && std::fabs(v.y) <= MaxCoordinate
        && std::fabs(v.z) <= MaxCoordinate;
}

inline bool isPlaceable(const dReal* v)
{
    // Not-a-number and the infinities fail the comparisons.
    return std::fabs(v[0]) <= MaxCoordinate && std::fabs(v[1]) <= MaxCoordinate && std::fabs(v[2]) <= MaxCoordinate;
}

/// Whether the count values are all finite, with a single test: a finite value times zero is
/// zero, an infinite or not-a-number one gives not-a-number. Runs for every body in every step.
inline bool allFinite(const dReal* v, int count)
{
    dReal zeros = 0;
    for (int i = 0; i < count; ++i) {
        zeros += v[i] * 0;
    }
    return zeros == 0;
}

/// A direction that can be normalised: finite, not zero, and not so long that its squared length
/// overflows (normalising would then give zero).
inline bool isDirection(const Ogre::Vector3& v)
{
    return isFinite(v) && std::isfinite(v.squaredLength()) && !v.isZeroLength();
}

/// A quaternion that normalises to a rotation, as isDirection.
inline bool isRotation(const Ogre::Quaternion& q)
{
    return isFinite(q) && std::isfinite(q.Norm()) && q.Norm() >= 1e-12f;
}

// Checks of the values engine objects take from their callers (scripts among them): each throws
// InvalidArgumentException naming what was refused, before anything changes.

inline void requireFinite(float value, const std::string& what)
{
    if (!std::isfinite(value)) {
        throw InvalidArgumentException(what + " must be finite.");
    }
}

inline void requireFinite(const Ogre::Vector3& value, const std::string& what)
{
    if (!isFinite(value)) {
        throw InvalidArgumentException(what + " must be finite.");
    }
}

/// Positions and offsets.
inline void requirePlaceable(const Ogre::Vector3& value, const std::string& what)
{
    if (!isPlaceable(value)) {
        throw InvalidArgumentException(what + " must be finite and within 1e7.");
    }
}

inline void requireDirection(const Ogre::Vector3& value, const std::string& what)
{
    if (!isDirection(value)) {
        throw InvalidArgumentException(what + " must be finite, not zero and not too long to normalise.");
    }
}

inline void requireRotation(const Ogre::Quaternion& value, const std::string& what)
{
    if (!isRotation(value)) {
        throw InvalidArgumentException(what + " must be finite, not zero and not too long to normalise.");
    }
}

} // namespace tolva::ode
