#include "platform/OdeCapsuleGeometry.h"

namespace tolva::ode {

namespace {

const RoundGeometry::Shape CapsuleShape = {"capsule", dCreateCapsule, dGeomCapsuleGetParams, dGeomCapsuleSetParams};

} // namespace

CapsuleGeometry::CapsuleGeometry(float radius, float length, Space* space)
    : RoundGeometry(CapsuleShape, radius, length, space)
{
}

} // namespace tolva::ode
