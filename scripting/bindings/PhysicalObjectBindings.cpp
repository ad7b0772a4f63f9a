// Script classes of the physical objects scripts make: single and compound objects, rigs, physics
// objects, gravity maps, rays, triggers with their occupancy signals, and movable objects.
#include "scripting/bindings/Bindings.h"

#include "physics/CompoundPhysical.h"
#include "physics/GravityMap.h"
#include "physics/MovableObject.h"
#include "physics/PhysicsObject.h"
#include "physics/RayObject.h"
#include "physics/SinglePhysical.h"
#include "physics/SkeletalRig.h"
#include "physics/Trigger.h"
#include "platform/OdeBody.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeMass.h"
#include "scene/MeshObject.h"
#include "scripting/bindings/BindingSupport.h"
#include "scripting/support/ScriptMade.h"
#include "scripting/support/SignalBindings.h"
#include "scripting/support/TrackedReference.h"
#include "scripting/support/StrictEnum.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva::bindings {

namespace {

PhysicalBase::CollisionListenerHolder& eventGeometryCollision(CompoundPhysical& object, ode::Geometry* geometry)
{
    return object.eventGeometryCollision(require(geometry, "The geometry"));
}

PhysicalBase::CollisionListenerHolder& eventGeometryPhysicalCollision(
    CompoundPhysical& object, ode::Geometry* geometry, PhysicalBase* partner)
{
    return object.eventGeometryPhysicalCollision(
        require(geometry, "The geometry"), require(partner, "The collision partner"));
}

void rig(SkeletalRig& rig, MeshObject* mesh)
{
    rig.rig(require(mesh, "The mesh to rig"));
}

bool addRigGeometry(SkeletalRig& rig, const std::string& bone, ode::Geometry* geometry, const Ogre::Vector3& position,
    const Ogre::Quaternion& orientation)
{
    return rig.addGeometry(bone, geometry, position, orientation);
}

bool removeRigGeometry(SkeletalRig& rig, ode::Geometry* geometry)
{
    return rig.removeGeometry(geometry);
}

void setBase(PhysicsObject& object, PhysicalBase* base)
{
    object.setBase(base);
}

void setBaseGeometry(PhysicsObject& object, ode::Geometry* geometry)
{
    object.setBase(geometry);
}

/// A copy: the body's mass is replaced (and deleted) by setMass.
bp::object getMass(const MovableObject& object)
{
    const ode::Mass* mass = object.getMass();
    return mass ? bp::object(*mass) : bp::object();
}

/// The movable takes a copy, so the script's mass stays the script's.
void setMass(MovableObject& object, const ode::Mass* mass)
{
    object.setMass(mass ? new ode::Mass(*mass) : nullptr);
}

void setMassType(MovableObject& object, Physics::MassType type)
{
    object.setMassType(type);
}

} // namespace

void bindPhysicalObjects()
{
    // Held in objects that know their script object, which emissions hold while they lend them.
    bp::class_<SinglePhysical, bp::bases<PhysicalBase>, ScriptMade<SinglePhysical>, boost::noncopyable>(
        "SinglePhysical", bp::init<ode::Geometry*>())
        .def("getPosition", &SinglePhysical::getPosition)
        .def("getOrientation", &SinglePhysical::getOrientation)
        .def("getScale", &SinglePhysical::getScale);

    typedef bool (CompoundPhysical::*RemoveAt)(unsigned int);
    typedef bool (CompoundPhysical::*Remove)(ode::Geometry*);
    bp::class_<CompoundPhysical, bp::bases<PhysicalBase>, ScriptMade<CompoundPhysical>, boost::noncopyable>(
        "CompoundPhysical", bp::init<>())
        .def("eventGeometryCollision", &eventGeometryCollision, TrackedPart())
        .def("eventGeometryPhysicalCollision", &eventGeometryPhysicalCollision, TrackedPart())
        .def("addGeometry", &CompoundPhysical::addGeometry)
        .def("removeGeometry", static_cast<RemoveAt>(&CompoundPhysical::removeGeometry))
        .def("removeGeometry", static_cast<Remove>(&CompoundPhysical::removeGeometry));

    bp::class_<SkeletalRig, bp::bases<CompoundPhysical>, ScriptMade<SkeletalRig>, boost::noncopyable>(
        "SkeletalRig", bp::init<>())
        .def("rig", &rig)
        .def("unrig", &SkeletalRig::unrig)
        .def("addGeometry", &addRigGeometry)
        .def("removeGeometry", &removeRigGeometry);

    // A physics object only borrows a physical object it is given: the physical object's script
    // object is kept alive as long as the physics object's.
    typedef bp::with_custodian_and_ward<1, 2> KeepsBase;
    bp::class_<PhysicsObject, bp::bases<GameObject>, boost::noncopyable>("PhysicsObject", bp::init<>())
        .def(bp::init<PhysicalBase*>()[KeepsBase()])
        .def(bp::init<ode::Geometry*>())
        .def("getBase", &PhysicsObject::getBase, Tracked())
        .def("setBase", &setBase, KeepsBase())
        .def("setBase", &setBaseGeometry);

    tolva::strictEnum<GravityMap::OperationMode>("GravityMap_OperationMode")
        .value("MODE_AUTO", GravityMap::MODE_AUTO)
        .value("MODE_MANUAL", GravityMap::MODE_MANUAL);
    bp::class_<GravityMap, bp::bases<GameObject>, boost::noncopyable>("GravityMap", bp::init<const std::string&>())
        .def("getMode", &GravityMap::getMode)
        .def("setMode", &GravityMap::setMode)
        .def("isMagnetic", &GravityMap::isMagnetic)
        .def("setMagnetic", &GravityMap::setMagnetic)
        .def("getMagneticCharge", &GravityMap::getMagneticCharge)
        .def("setMagneticCharge", &GravityMap::setMagneticCharge)
        .def("getGravity", &GravityMap::getGravity)
        .def("getIntensity", &GravityMap::getIntensity)
        .def("setIntensity", &GravityMap::setIntensity)
        .def("getWorldCentrePosition", &GravityMap::getWorldCentrePosition);

    bp::class_<RayObject, bp::bases<SinglePhysical>, ScriptMade<RayObject>, boost::noncopyable>(
        "RayObject", bp::init<const Ogre::Vector3&>());

    class_PythonSignal<Trigger::OccupancyEvent>("OccupancyEvent", false);
    bp::class_<Trigger, bp::bases<SinglePhysical>, ScriptMade<Trigger>, boost::noncopyable>(
        "Trigger", bp::init<const Ogre::Vector3&>())
        .def(bp::init<ode::Geometry*>())
        .def("getSize", &Trigger::getSize)
        .def("setSize", &Trigger::setSize)
        .def("eventEntered", &Trigger::eventEntered, TrackedPart())
        .def("eventExited", &Trigger::eventExited, TrackedPart());
}

void bindMovableObject()
{
    bp::class_<MovableObject, bp::bases<SinglePhysical>, ScriptMade<MovableObject>, boost::noncopyable>(
        "MovableObject", bp::init<ode::Geometry*>())
        .def(bp::init<ode::Geometry*, float>())
        .def("getBody", &MovableObject::getBody, Tracked())
        .def("isBodyEnabled", &MovableObject::isBodyEnabled)
        .def("setBodyEnabled", &MovableObject::setBodyEnabled)
        .def("getMass", &getMass)
        .def("setMass", &setMass)
        .def("getMassValue", &MovableObject::getMassValue)
        .def("setMassValue", &MovableObject::setMassValue)
        .def("getMassType", &MovableObject::getMassType)
        .def("setMassType", &setMassType)
        .def("translateMass", &MovableObject::translateMass)
        .def("getForce", &MovableObject::getForce)
        .def("addForce", &MovableObject::addForce)
        .def("setForce", &MovableObject::setForce)
        .def("getImpulse", &MovableObject::getImpulse)
        .def("addImpulse", &MovableObject::addImpulse)
        .def("setImpulse", &MovableObject::setImpulse)
        .def("getTorque", &MovableObject::getTorque)
        .def("addTorque", &MovableObject::addTorque)
        .def("setTorque", &MovableObject::setTorque)
        .def("getAngularVelocity", &MovableObject::getAngularVelocity)
        .def("setAngularVelocity", &MovableObject::setAngularVelocity)
        .def("setAngularDamping", &MovableObject::setAngularDamping)
        .def("getAngularVelocityMax", &MovableObject::getAngularVelocityMax)
        .def("setAngularVelocityMax", &MovableObject::setAngularVelocityMax)
        .def("getLinearVelocity", &MovableObject::getLinearVelocity)
        .def("setLinearVelocity", &MovableObject::setLinearVelocity)
        .def("setLinearDamping", &MovableObject::setLinearDamping)
        .def("isUnidirectional", &MovableObject::isUnidirectional)
        .def("setUnidirectional", &MovableObject::setUnidirectional)
        .def("isAffectedByGravity", &MovableObject::isAffectedByGravity)
        .def("setAffectedByGravity", &MovableObject::setAffectedByGravity);
}

} // namespace tolva::bindings
