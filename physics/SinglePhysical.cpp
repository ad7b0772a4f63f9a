#include "physics/SinglePhysical.h"

#include "core/Warning.h"
#include "platform/OdeGeometry.h"

namespace tolva {

SinglePhysical::SinglePhysical(ode::Geometry* geometry)
{
    setGeometry(0, geometry);
}

SinglePhysical::~SinglePhysical()
{
    delete mGeometry;
    mGeometry = nullptr;
}

void SinglePhysical::setEnabled(bool enabled)
{
    if (mGeometry && enabled != mEnabled)
        enabled ? mGeometry->enable() : mGeometry->disable();
    PhysicalBase::setEnabled(enabled);
}

bool SinglePhysical::setGeometry(unsigned int index, ode::Geometry* geometry)
{
    if (index != 0)
        return false;
    // Deleting the held geometry and then storing it would leave a dangling pointer.
    if (geometry == mGeometry)
        return true;
    // Two owners would both delete it.
    if (geometry && geometry->getUserObject()) {
        logWarning("Warning: Attempt to give a physical object a geometry that another one owns.");
        return false;
    }
    if (mGeometry) {
        mGeometry->setUserObject(nullptr);
        delete mGeometry;
    }
    mGeometry = geometry;
    if (mGeometry)
        mGeometry->setUserObject(this);
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
