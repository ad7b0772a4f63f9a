#include "platform/OdeBoxGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

namespace tolva::ode {

namespace {

bool isValidSize(const Ogre::Vector3& size)
{
    return isWithinExtent(size) && size.x >= 0 && size.y >= 0 && size.z >= 0;
}

dGeomID createBox(const Ogre::Vector3& size)
{
    if (!isValidSize(size)) {
        throw InvalidArgumentException("Box geometry sizes must be finite, not negative and within 1e15.");
    }
    initialiseLibrary();
    const ObjectPool::Scope pooled;
    return dCreateBox(nullptr, size.x, size.y, size.z);
}

} // namespace

BoxGeometry::BoxGeometry(const Ogre::Vector3& size, Space* space)
    : Geometry(createBox(size), space)
    , mSize(size)
{
}

Ogre::Vector3 BoxGeometry::getSize() const
{
    dVector3 lengths;
    dGeomBoxGetLengths(mId, lengths);
    return toOgre(lengths);
}

void BoxGeometry::setSize(const Ogre::Vector3& size)
{
    if (!isValidSize(size) || !isWithinExtent(size * getScale())) {
        throw InvalidArgumentException("Box geometry sizes must be finite, not negative and within 1e15.");
    }
    mSize = size;
    applyScale(getScale());
}

bool BoxGeometry::fitsScale(const Ogre::Vector3& scale) const
{
    return isWithinExtent(mSize * scale);
}

void BoxGeometry::applyScale(const Ogre::Vector3& scale)
{
    const Ogre::Vector3 lengths = mSize * scale;
    dGeomBoxSetLengths(mId, lengths.x, lengths.y, lengths.z);
}

} // namespace tolva::ode
