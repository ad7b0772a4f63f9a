#include "platform/OdeCylinderGeometry.h"

namespace tolva::ode {

namespace {

const RoundGeometry::Shape CylinderShape
    = {"cylinder", dCreateCylinder, dGeomCylinderGetParams, dGeomCylinderSetParams};

} // namespace

CylinderGeometry::CylinderGeometry(float radius, float length, Space* space)
    : RoundGeometry(CylinderShape, radius, length, space)
{
}

} // namespace tolva::ode
