#include "platform/OdeCylinderGeometry.h"

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
        throw InvalidArgumentException("Cylinder geometry radius and length must be finite and not negative.");
    initialiseLibrary();
    return dCreateCylinder(nullptr, radius, length);
}

} // namespace

CylinderGeometry::CylinderGeometry(float radius, float length, Space* space)
    : Geometry(create(radius, length), space), mRadius(radius), mLength(length)
{
}

float CylinderGeometry::getRadius() const
{
    dReal radius, length;
    dGeomCylinderGetParams(mId, &radius, &length);
    return float(radius);
}

float CylinderGeometry::getLength() const
{
    dReal radius, length;
    dGeomCylinderGetParams(mId, &radius, &length);
    return float(length);
}

void CylinderGeometry::setDefinition(float radius, float length)
{
    if (!isValid(radius, length)) {
        logWarning("Warning: Attempt to set a negative or infinite cylinder geometry size.");
        return;
    }
    mRadius = radius;
    mLength = length;
    applyScale(getScale());
}

void CylinderGeometry::applyScale(const Ogre::Vector3& scale)
{
    dGeomCylinderSetParams(mId, mRadius * std::max(scale.x, scale.y), mLength * scale.z);
}

} // namespace tolva::ode
