#include "platform/OdeSphereGeometry.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "platform/OdeLibrary.h"

#include <algorithm>
#include <cmath>

namespace tolva::ode {

namespace {

dGeomID createSphere(float radius)
{
    if (!(radius >= 0) || !std::isfinite(radius)) {
        throw InvalidArgumentException("Sphere geometry radius must be finite and not negative.");
    }
    initialiseLibrary();
    return dCreateSphere(nullptr, radius);
}

} // namespace

SphereGeometry::SphereGeometry(float radius, Space* space)
    : Geometry(createSphere(radius), space)
    , mRadius(radius)
{
}

float SphereGeometry::getRadius() const
{
    return float(dGeomSphereGetRadius(mId));
}

void SphereGeometry::setRadius(float radius)
{
    if (!(radius >= 0) || !std::isfinite(radius)) {
        logWarning("Warning: Attempt to set a negative or infinite sphere geometry radius.");
        return;
    }
    mRadius = radius;
    applyScale(getScale());
}

void SphereGeometry::applyScale(const Ogre::Vector3& scale)
{
    dGeomSphereSetRadius(mId, mRadius * std::max({scale.x, scale.y, scale.z}));
}

} // namespace tolva::ode
