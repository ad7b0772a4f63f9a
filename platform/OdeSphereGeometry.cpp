#include "platform/OdeSphereGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

#include <algorithm>
#include <cmath>

namespace tolva::ode {

namespace {

dGeomID createSphere(float radius)
{
    if (!(radius >= 0) || !isWithinExtent(radius)) {
        throw InvalidArgumentException("Sphere geometry radius must be finite, not negative and within 1e15.");
    }
    initialiseLibrary();
    const ObjectPool::Scope pooled;
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
    if (!(radius >= 0) || !isWithinExtent(radius)
        || !isWithinExtent(double(radius) * std::max({getScale().x, getScale().y, getScale().z}))) {
        throw InvalidArgumentException("Sphere geometry radius must be finite, not negative and within 1e15.");
    }
    mRadius = radius;
    applyScale(getScale());
}

bool SphereGeometry::fitsScale(const Ogre::Vector3& scale) const
{
    return isWithinExtent(double(mRadius) * std::max({scale.x, scale.y, scale.z}));
}

void SphereGeometry::applyScale(const Ogre::Vector3& scale)
{
    dGeomSphereSetRadius(mId, mRadius * std::max({scale.x, scale.y, scale.z}));
}

} // namespace tolva::ode
