#include "physics/SinglePhysical.h"

#include "core/LogLine.h"
#include "platform/OdeGeometry.h"

namespace tolva {

SinglePhysical::SinglePhysical(ode::Geometry* geometry)
{
    setGeometry(0, geometry);
}

SinglePhysical::~SinglePhysical()
{
    deleteGeometry(mGeometry);
    mGeometry = nullptr;
}

void SinglePhysical::setEnabled(bool enabled)
{
    if (mGeometry && enabled != mEnabled) {
        enabled ? mGeometry->enable() : mGeometry->disable();
    }
    PhysicalBase::setEnabled(enabled);
}

SinglePhysical::GeometryChange SinglePhysical::checkGeometryChange(
    unsigned int index, const ode::Geometry* geometry) const
{
    if (index != 0) {
        return GeometryChange::Refused;
    }
    if (geometry == mGeometry) {
        return GeometryChange::Unchanged;
    }
    if (geometry && geometry->getUserObject()) {
        logWarning("Warning: Attempt to give a physical object a geometry that another one owns.");
        return GeometryChange::Refused;
    }
    return GeometryChange::Replace;
}

bool SinglePhysical::setGeometry(unsigned int index, ode::Geometry* geometry)
{
    const GeometryChange change = checkGeometryChange(index, geometry);
    if (change != GeometryChange::Replace) {
        return change == GeometryChange::Unchanged;
    }
    deleteGeometry(mGeometry);
    mGeometry = geometry;
    if (mGeometry) {
        adoptGeometry(mGeometry);
    }
    return true;
}

Ogre::Vector3 SinglePhysical::getPosition() const
{
    return mGeometry ? mGeometry->getPosition() : Ogre::Vector3::ZERO;
}

Ogre::Quaternion SinglePhysical::getOrientation() const
{
    return mGeometry ? mGeometry->getOrientation() : Ogre::Quaternion::IDENTITY;
}

} // namespace tolva
