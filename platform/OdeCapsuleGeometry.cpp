#include "platform/OdeCapsuleGeometry.h"

#include "core/Exceptions.h"
#include "core/Warning.h"
#include "platform/OdeLibrary.h"

#include <algorithm>
#include <cmath>

namespace tolva::ode {

namespace {

bool isValid(float radius, float length)
{
    return radius >= 0 && length >= 0 && std::isfinite(radius) && std::isfinite(length);
}

dGeomID create(float radius, float length)
{
    if (!isValid(radius, length))
        throw InvalidArgumentException("Capsule geometry radius and length must be finite and not negative.");
    initialiseLibrary();
    return dCreateCapsule(nullptr, radius, length);
}

} // namespace

CapsuleGeometry::CapsuleGeometry(float radius, float length, Space* space)
    : Geometry(create(radius, length), space), mRadius(radius), mLength(length)
{
}

float CapsuleGeometry::getRadius() const
{
    dReal radius, length;
    dGeomCapsuleGetParams(mId, &radius, &length);
    return float(radius);
}

float CapsuleGeometry::getLength() const
{
    dReal radius, length;
    dGeomCapsuleGetParams(mId, &radius, &length);
    return float(length);
}

void CapsuleGeometry::setDefinition(float radius, float length)
{
    if (!isValid(radius, length)) {
        logWarning("Warning: Attempt to set a negative or infinite capsule geometry size.");
        return;
    }
    mRadius = radius;
    mLength = length;
    applyScale(getScale());
}

void CapsuleGeometry::applyScale(const Ogre::Vector3& scale)
{
    dGeomCapsuleSetParams(mId, mRadius * std::max(scale.x, scale.y), mLength * scale.z);
}

} // namespace tolva::ode
