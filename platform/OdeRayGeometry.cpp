#include "platform/OdeRayGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

#include <cmath>

namespace tolva::ode {

namespace {

dGeomID createRay(float length)
{
    if (!(length >= 0) || !isWithinExtent(length)) {
        throw InvalidArgumentException("Ray geometry length must be finite, not negative and within 1e15.");
    }
    initialiseLibrary();
    const ObjectPool::Scope pooled;
    return dCreateRay(nullptr, length);
}

} // namespace

RayGeometry::RayGeometry(float length, Space* space)
    : Geometry(createRay(length), space)
{
}

void RayGeometry::setDefinition(const Ogre::Vector3& start, const Ogre::Vector3& direction)
{
    if (!isPlaceable(start) || !isDirection(direction)) {
        throw InvalidArgumentException("A ray needs a start within 1e7 and a direction that is finite, not zero "
                                       "and can be normalised.");
    }
    mLocalDirection = direction.normalisedCopy();
    if (getParentNode()) {
        mLocalStart = start;
        updatePose();
    } else {
        mLocalStart = Ogre::Vector3::ZERO;
        setOrientation(Ogre::Quaternion::IDENTITY);
        setPosition(start);
    }
}

float RayGeometry::getLength() const
{
    return float(dGeomRayGetLength(mId));
}

void RayGeometry::setLength(float length)
{
    if (!(length >= 0) || !isWithinExtent(length)) {
        throw InvalidArgumentException("Ray geometry length must be finite, not negative and within 1e15.");
    }
    dGeomRaySetLength(mId, length);
}

Ogre::Vector3 RayGeometry::getDirection() const
{
    dVector3 start, direction;
    dGeomRayGet(mId, start, direction);
    return toOgre(direction);
}

Ogre::Vector3 RayGeometry::getStart() const
{
    dVector3 start, direction;
    dGeomRayGet(mId, start, direction);
    return toOgre(start);
}

void RayGeometry::applyPose(const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    const Ogre::Vector3 start = position + orientation * mLocalStart;
    const Ogre::Vector3 direction = orientation * mLocalDirection;
    // As any geometry: a start the collision space cannot file leaves the ray where it was.
    if (!isPlaceable(start) || !isDirection(direction)) {
        warnOutOfRange();
        return;
    }
    dGeomRaySet(mId, start.x, start.y, start.z, direction.x, direction.y, direction.z);
}

} // namespace tolva::ode
