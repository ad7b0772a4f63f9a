#include "platform/OdeRoundGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace tolva::ode {

namespace {

bool isValid(float radius, float length)
{
    return radius >= 0 && length >= 0 && isWithinExtent(radius) && isWithinExtent(length);
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
    return createShape(nullptr, radius, length);
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
    dReal radius, length;
    mShape.getParams(mId, &radius, &length);
    return float(length);
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
    mShape.setParams(mId, mRadius * std::max(scale.x, scale.y), mLength * scale.z);
}

} // namespace tolva::ode
