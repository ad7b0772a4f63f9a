// TolvaValues.ode: the physics layer's geometries, bodies, masses and joints, which the physics
// module's factories and the physical objects hand to scripts. Geometries and bodies reach scripts
// as handles that refuse use once the engine destroyed them; a mass is a value.
#include "scripting/values/ValuesModule.h"

#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeCapsuleGeometry.h"
#include "platform/OdeConvert.h"
#include "platform/OdeCylinderGeometry.h"
#include "platform/OdeFixedJoint.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeHingeJoint.h"
#include "platform/OdeMass.h"
#include "platform/OdeRayGeometry.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeTransformGeometry.h"
#include "platform/OdeTriangleMeshGeometry.h"
#include "scripting/support/TrackedReference.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva::values {

namespace {

bool isOwned(const ode::Geometry& geometry)
{
    return geometry.getUserObject() != nullptr;
}

// A script's mass values are refused at the call like the body's own setters; the layer by
// itself only warns and keeps the mass.
void adjustMass(ode::Mass& mass, float value)
{
    ode::requireFinite(value, "A mass value");
    mass.adjust(value);
}

void translateMass(ode::Mass& mass, const Ogre::Vector3& offset)
{
    ode::requireFinite(offset, "A mass translation");
    mass.translate(offset);
}

} // namespace

void defineOdeValues()
{
    using namespace tolva::ode;
    bp::class_<Geometry, boost::noncopyable>("Geometry", bp::no_init)
        .def("getClass", &Geometry::getClass)
        .def("isOwned", &isOwned)
        .def("isEnabled", &Geometry::isEnabled)
        .def("enable", &Geometry::enable)
        .def("disable", &Geometry::disable)
        .def("getPosition", &Geometry::getPosition)
        .def("getOrientation", &Geometry::getOrientation)
        .def("getWorldPosition", &Geometry::getWorldPosition)
        .def("getWorldOrientation", &Geometry::getWorldOrientation)
        .def("getOffsetPosition", &Geometry::getOffsetPosition, bp::return_value_policy<bp::copy_const_reference>())
        .def("getOffsetOrientation", &Geometry::getOffsetOrientation,
            bp::return_value_policy<bp::copy_const_reference>())
        .def("getScale", &Geometry::getScale, bp::return_value_policy<bp::copy_const_reference>())
        .def("getCategoryBitfield", &Geometry::getCategoryBitfield)
        .def("getCollisionBitfield", &Geometry::getCollisionBitfield)
        .def("getBody", &Geometry::getBody, Tracked());
    bp::class_<SphereGeometry, bp::bases<Geometry>, boost::noncopyable>("SphereGeometry", bp::no_init)
        .def("getRadius", &SphereGeometry::getRadius)
        .def("setRadius", &SphereGeometry::setRadius);
    bp::class_<BoxGeometry, bp::bases<Geometry>, boost::noncopyable>("BoxGeometry", bp::no_init)
        .def("getSize", &BoxGeometry::getSize)
        .def("setSize", &BoxGeometry::setSize);
    bp::class_<CapsuleGeometry, bp::bases<Geometry>, boost::noncopyable>("CapsuleGeometry", bp::no_init)
        .def("getRadius", &CapsuleGeometry::getRadius)
        .def("getLength", &CapsuleGeometry::getLength);
    bp::class_<CylinderGeometry, bp::bases<Geometry>, boost::noncopyable>("CylinderGeometry", bp::no_init)
        .def("getRadius", &CylinderGeometry::getRadius)
        .def("getLength", &CylinderGeometry::getLength);
    bp::class_<RayGeometry, bp::bases<Geometry>, boost::noncopyable>("RayGeometry", bp::no_init)
        .def("getStart", &RayGeometry::getStart)
        .def("getDirection", &RayGeometry::getDirection)
        .def("getLength", &RayGeometry::getLength)
        .def("setLength", &RayGeometry::setLength);
    bp::class_<TriangleMeshGeometry, bp::bases<Geometry>, boost::noncopyable>("TriangleMeshGeometry", bp::no_init)
        .def("getVertexCount", &TriangleMeshGeometry::getVertexCount)
        .def("getTriangleCount", &TriangleMeshGeometry::getTriangleCount);
    bp::class_<TransformGeometry, bp::bases<Geometry>, boost::noncopyable>("TransformGeometry", bp::no_init);

    bp::class_<Body, boost::noncopyable>("Body", bp::no_init)
        .def("getPosition", &Body::getPosition, bp::return_value_policy<bp::copy_const_reference>())
        .def("getOrientation", &Body::getOrientation, bp::return_value_policy<bp::copy_const_reference>())
        .def("getLinearVelocity", &Body::getLinearVelocity, bp::return_value_policy<bp::copy_const_reference>())
        .def("getAngularVelocity", &Body::getAngularVelocity, bp::return_value_policy<bp::copy_const_reference>())
        .def("getMassValue", &Body::getMassValue)
        .def("isAwake", &Body::isAwake)
        .def("wake", &Body::wake);

    bp::class_<Mass>("Mass", bp::init<>())
        .def("getMassValue", &Mass::getMassValue)
        .def("adjust", &adjustMass)
        .def("translate", &translateMass)
        .def("getCentre", &Mass::getCentre)
        .def("getProblem", &Mass::getProblem);

    bp::class_<Joint, boost::noncopyable>("Joint", bp::no_init)
        .def("attach", &Joint::attach)
        .def("getFirstBody", &Joint::getFirstBody, Tracked())
        .def("getSecondBody", &Joint::getSecondBody, Tracked())
        .def("getAngleRate", &Joint::getAngleRate);
    bp::class_<FixedJoint, bp::bases<Joint>, boost::noncopyable>("FixedJoint", bp::no_init);
    bp::class_<HingeJoint, bp::bases<Joint>, boost::noncopyable>("HingeJoint", bp::no_init)
        .def("setAnchor", &HingeJoint::setAnchor)
        .def("getAnchor", &HingeJoint::getAnchor)
        .def("setAxis", &HingeJoint::setAxis)
        .def("getAxis", &HingeJoint::getAxis)
        .def("getAngle", &HingeJoint::getAngle);
}

} // namespace tolva::values
