#include "platform/OdeRoundGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string>

namespace tolva::ode {

namespace {

bool isValid(float radius, float length)
{
    return radius >= 0 && length >= 0 && isWithinExtent(radius) && isWithinExtent(length);
}

// ODE's collider of two cylinders aborts on a half-length above zero but not above its epsilon
// (the double's): so short a shape is flat for any purpose, and ODE is handed it flat.
dReal odeLength(dReal length)
{
    return length <= 4 * std::numeric_limits<double>::epsilon() ? 0 : length;
}

dGeomID create(const char* name, dGeomID (*createShape)(dSpaceID, dReal, dReal), float radius, float length)
{
    if (!isValid(radius, length)) {
        std::string shape = name;
        shape[0] = char(std::toupper(static_cast<unsigned char>(shape[0])));
        throw InvalidArgumentException(
            shape + " geometry radius and length must be finite, not negative and within 1e15.");
    }
    initialiseLibrary();
    const ObjectPool::Scope pooled;
    return createShape(nullptr, radius, odeLength(length));
}

} // namespace

RoundGeometry::RoundGeometry(const Shape& shape, float radius, float length, Space* space)
    : Geometry(create(shape.name, shape.create, radius, length), space)
    , mShape(shape)
    , mRadius(radius)
    , mLength(length)
{
}

float RoundGeometry::getRadius() const
{
    dReal radius, length;
    mShape.getParams(mId, &radius, &length);
    return float(radius);
}

float RoundGeometry::getLength() const
{
    // As asked for, also where ODE was handed a flat shape.
    return mLength * getScale().z;
}

void RoundGeometry::setDefinition(float radius, float length)
{
    const Ogre::Vector3 scale = getScale();
    if (!isValid(radius, length) || !isWithinExtent(double(radius) * std::max(scale.x, scale.y))
        || !isWithinExtent(double(length) * scale.z)) {
        std::string shape = mShape.name;
        shape[0] = char(std::toupper(static_cast<unsigned char>(shape[0])));
        throw InvalidArgumentException(
            shape + " geometry radius and length must be finite, not negative and within 1e15.");
    }
    mRadius = radius;
    mLength = length;
    applyScale(getScale());
}

bool RoundGeometry::fitsScale(const Ogre::Vector3& scale) const
{
    return isWithinExtent(double(mRadius) * std::max(scale.x, scale.y)) && isWithinExtent(double(mLength) * scale.z);
}

void RoundGeometry::applyScale(const Ogre::Vector3& scale)
{
    mShape.setParams(mId, mRadius * std::max(scale.x, scale.y), odeLength(mLength * scale.z));
}

} // namespace tolva::ode
