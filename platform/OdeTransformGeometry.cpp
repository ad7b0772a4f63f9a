#include "platform/OdeTransformGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeSpace.h"
#include "platform/OdeObjectPool.h"

namespace tolva::ode {

namespace {

dGeomID createTransform()
{
    initialiseLibrary();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const ObjectPool::Scope pooled;
    const dGeomID id = dCreateGeomTransform(nullptr);
    // The wrapper owns the carried geometry; ODE must not destroy it.
    dGeomTransformSetCleanup(id, 0);
    dGeomTransformSetInfo(id, 1);
#pragma GCC diagnostic pop
    return id;
}

} // namespace

TransformGeometry::TransformGeometry(Space* space)
    : Geometry(createTransform(), space)
{
}

TransformGeometry::~TransformGeometry()
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    dGeomTransformSetGeom(mId, nullptr);
#pragma GCC diagnostic pop
}

void TransformGeometry::setEncapsulatedGeometry(Geometry* geometry)
{
    if (geometry && geometry->getSpace()) {
        throw InvalidArgumentException("A geometry carried by a transform geometry must be in no space.");
    }
    if (geometry && geometry->getBody()) {
        throw InvalidArgumentException("A geometry carried by a transform geometry must hang on no body.");
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    dGeomTransformSetGeom(mId, geometry ? geometry->getGeometryID() : nullptr);
#pragma GCC diagnostic pop
    if (geometry) {
        geometry->_setCarried(true);
    }
    mEncapsulated.reset(geometry);
}

} // namespace tolva::ode
