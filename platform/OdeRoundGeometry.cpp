#include "platform/OdeRoundGeometry.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "platform/OdeLibrary.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace tolva::ode {

namespace {

bool isValid(float radius, float length)
{
    return radius >= 0 && length >= 0 && std::isfinite(radius) && std::isfinite(length);
}

dGeomID create(const char* name, dGeomID (*createShape)(dSpaceID, dReal, dReal), float radius, float length)
{
    if (!isValid(radius, length)) {
        std::string shape = name;
        shape[0] = char(std::toupper(static_cast<unsigned char>(shape[0])));
        throw InvalidArgumentException(shape + " geometry radius and length must be finite and not negative.");
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
    if (!isValid(radius, length)) {
        logWarning(std::string("Warning: Attempt to set a negative or infinite ") + mShape.name + " geometry size.");
        return;
    }
    mRadius = radius;
    mLength = length;
    applyScale(getScale());
}

void RoundGeometry::applyScale(const Ogre::Vector3& scale)
{
    mShape.setParams(mId, mRadius * std::max(scale.x, scale.y), mLength * scale.z);
}

} // namespace tolva::ode
