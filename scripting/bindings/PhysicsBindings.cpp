// Script classes of the physics folder's module and collision side: contacts, the physics module
// and its factories, physical objects' common base, collision signals and collision listeners.
//
// A geometry a script makes with a factory belongs to the script's object until a physical
// object takes it (physical objects delete their geometries): dropped before that, it is deleted
// with the script's object. Every other handle of a geometry refers to it without owning it and
// refuses use once it is gone.
#include "scripting/bindings/Bindings.h"

#include "physics/CollisionListener.h"
#include "physics/Contact.h"
#include "physics/ContactListener.h"
#include "physics/PhysicalBase.h"
#include "physics/Physics.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeCapsuleGeometry.h"
#include "platform/OdeCylinderGeometry.h"
#include "platform/OdeFixedJoint.h"
#include "platform/OdeHingeJoint.h"
#include "platform/OdeMass.h"
#include "platform/OdeRayGeometry.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeTriangleMeshGeometry.h"
#include "scene/MeshObject.h"
#include "scripting/bindings/BindingSupport.h"
#include "scripting/support/InterfaceHolderBindings.h"
#include "scripting/support/SignalBindings.h"
#include "scripting/support/TrackedReference.h"
#include "scripting/wrappers/CollisionListenerWrap.h"
#include "scripting/support/StrictEnum.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva {

boost::python::object lendToScript(Contact* contact)
{
    if (!contact) {
        return boost::python::object();
    }
    for (PhysicalBase* object : {contact->firstPhysical, contact->secondPhysical}) {
        if (object) {
            watchLife(object);
        }
    }
    return boost::python::object(*contact);
}

namespace bindings {

namespace {

/// The holder of a geometry a script made: it deletes the geometry with the script's object unless
/// a physical object has taken it (or it is gone already).
template <typename T>
class MadeGeometryHolder : public TrackedHolder<T> {
public:
    explicit MadeGeometryHolder(T* geometry)
        : TrackedHolder<T>(geometry)
        , mGeometry(geometry)
    {
    }

    ~MadeGeometryHolder() override
    {
        if (this->isAlive() && !mGeometry->getUserObject()) {
            delete mGeometry;
        }
    }

private:
    T* mGeometry;
};

struct MakeMadeGeometryHolder {
    template <typename T>
    static PyObject* execute(T* geometry)
    {
        return bp::objects::make_ptr_instance<T, MadeGeometryHolder<T>>::execute(geometry);
    }
};

struct MadeGeometryGenerator {
    template <typename R>
    struct apply {
        typedef bp::to_python_indirect<R, MakeMadeGeometryHolder> type;
    };
};

typedef bp::return_value_policy<MadeGeometryGenerator> MadeGeometry;

/// The lives of a contact's two sides, taken when the script's copy of the contact is made (the
/// sides live then). A script may keep the copy for as long as it likes; a side's address alone
/// would name whatever object is made at that address after the side is destroyed.
struct ContactSideLives {
    explicit ContactSideLives(const Contact& contact)
        : first(lifeOf(contact.firstPhysical))
        , second(lifeOf(contact.secondPhysical))
    {
    }

    static ObjectLives::Token lifeOf(PhysicalBase* side) { return side ? watchLife(side) : nullptr; }

    ObjectLives::Token first;
    ObjectLives::Token second;
};

/// What a script's Contact holds: every copy handed to a script is made through the constructor
/// taking the script's object first.
struct ScriptContact : Contact, ContactSideLives {
    ScriptContact(PyObject*, const Contact& contact)
        : Contact(contact)
        , ContactSideLives(contact)
    {
    }
};

struct ScriptContactListener : ContactListener, ContactSideLives {
    ScriptContactListener(PyObject*, bool returnValue)
        : ContactListener(returnValue)
        , ContactSideLives(static_cast<const Contact&>(*this))
    {
    }
    ScriptContactListener(PyObject*, const ContactListener& listener)
        : ContactListener(listener)
        , ContactSideLives(listener)
    {
    }
};

/// A side of the script's copy of a contact while it lives, else None.
template <PhysicalBase* Contact::*side, ObjectLives::Token ContactSideLives::*life>
bp::object getSide(const bp::object& script)
{
    const ContactSideLives* lives = nullptr;
    if (bp::extract<ScriptContact&> plain(script); plain.check()) {
        lives = &plain();
    } else if (bp::extract<ScriptContactListener&> listener(script); listener.check()) {
        lives = &listener();
    }
    PhysicalBase* object = bp::extract<const Contact&>(script)().*side;
    return lives && object && *(lives->*life) ? makeTracked(object) : bp::object();
}

ode::Mass* createMass(Physics& physics, ode::Geometry* geometry, float massValue, Physics::MassType massType,
    float dimX, float dimY, float dimZ)
{
    return physics.createMass(geometry, massValue, massType, dimX, dimY, dimZ);
}

ode::TriangleMeshGeometry* createTriangleMeshGeometry(Physics& physics, MeshObject* mesh, int subMeshIndex)
{
    require(mesh, "The mesh object");
    return physics.createTriangleMeshGeometry(mesh->getMesh(), mesh->getWorldScale(), subMeshIndex);
}

ContactListener collide(PhysicalBase& object, ode::Geometry* other)
{
    // The script's copy watches both sides from now on (ScriptContactListener).
    return object.collide(require(other, "The geometry to collide with"));
}

PhysicalBase::CollisionListenerHolder& eventPhysicalCollision(PhysicalBase& object, PhysicalBase* partner)
{
    return object.eventPhysicalCollision(require(partner, "The collision partner"));
}

bp::str getProperty(const PhysicalBase& object, const std::string& name)
{
    const std::string& value = object.getProperty(name);
    return bp::str(value.data(), value.size());
}

void setCollisionCategory(PhysicalBase& object, PhysicalBase::CollidableType category)
{
    object.setCollisionCategory(category);
}

} // namespace

void bindPhysics()
{
    bp::class_<Contact, ScriptContact>("Contact", bp::no_init)
        .def_readonly("position", &Contact::position)
        .def_readonly("normal", &Contact::normal)
        .def_readonly("penetrationDepth", &Contact::penetrationDepth)
        .def_readonly("firstSide", &Contact::firstSide)
        .def_readonly("secondSide", &Contact::secondSide)
        .add_property("p1", &getSide<&Contact::firstPhysical, &ContactSideLives::first>)
        .add_property("p2", &getSide<&Contact::secondPhysical, &ContactSideLives::second>);
    bp::class_<ContactListener, ScriptContactListener, bp::bases<Contact>>("ContactListener", bp::init<bool>())
        .def_readonly("returnValue", &ContactListener::returnValue);

    tolva::strictEnum<Physics::MassType>("Physics_MassType")
        .value("MASS", Physics::MASS)
        .value("MASS_AUTO", Physics::MASS_AUTO)
        .value("MASS_BOX", Physics::MASS_BOX)
        .value("MASS_CAPSULE", Physics::MASS_CAPSULE)
        .value("MASS_CYLINDER", Physics::MASS_CYLINDER)
        .value("MASS_SPHERE", Physics::MASS_SPHERE);

    const auto meshKeywords = (bp::arg("mesh"), bp::arg("subMeshIndex") = -1);
    const auto massKeywords
        = (bp::arg("geometry"), bp::arg("massValue") = 1.0f, bp::arg("massType") = Physics::MASS_AUTO,
            bp::arg("dimX") = 1.0f, bp::arg("dimY") = 1.0f, bp::arg("dimZ") = 1.0f);
    // Joints belong to the script's object; a sound that follows one keeps it alive.
    typedef bp::return_value_policy<bp::manage_new_object> Made;
    bp::class_<Physics, boost::noncopyable>("Physics", bp::no_init)
        .def("getCFM", &Physics::getCFM)
        .def("getERP", &Physics::getERP)
        .def("getStepSize", &Physics::getStepSize)
        .def("getMaxInterval", &Physics::getMaxInterval)
        .def("getTimeScale", &Physics::getTimeScale)
        .def("getGravity", &Physics::getGravity, bp::return_value_policy<bp::copy_const_reference>())
        .def("getFriction", &Physics::getFriction)
        .def("setCFM", &Physics::setCFM)
        .def("setERP", &Physics::setERP)
        .def("setContactCorrectionVelocity", &Physics::setContactCorrectionVelocity)
        .def("setStepSize", &Physics::setStepSize)
        .def("setMaxInterval", &Physics::setMaxInterval)
        .def("setTimeScale", &Physics::setTimeScale)
        .def("setFriction", &Physics::setFriction)
        .def("setGravity", &Physics::setGravity)
        .def("impulseToForce", &Physics::impulseToForce)
        .def("createMass", &createMass, massKeywords, Made())
        .def("createBoxGeometry", &Physics::createBoxGeometry, MadeGeometry())
        .def("createCapsuleGeometry", &Physics::createCapsuleGeometry, MadeGeometry())
        .def("createCylinderGeometry", &Physics::createCylinderGeometry, MadeGeometry())
        .def("createRayGeometry", &Physics::createRayGeometry, MadeGeometry())
        .def("createSphereGeometry", &Physics::createSphereGeometry, MadeGeometry())
        .def("createTriangleMeshGeometry", &createTriangleMeshGeometry, meshKeywords, MadeGeometry())
        .def("createFixedJoint", &Physics::createFixedJoint, Made())
        .def("createHingeJoint", &Physics::createHingeJoint, Made());
}

void bindPhysicalBase()
{
    tolva::boundEnum<PhysicalBase::CollidableType>("PhysicalBase_CollidableType")
        .value("COLL_NONE", PhysicalBase::COLL_NONE)
        .value("COLL_FIXED", PhysicalBase::COLL_FIXED)
        .value("COLL_MOVABLE", PhysicalBase::COLL_MOVABLE)
        .value("COLL_VIRTUAL", PhysicalBase::COLL_VIRTUAL)
        .value("COLL_TRIGGER", PhysicalBase::COLL_TRIGGER)
        .value("COLL_SPHERE", PhysicalBase::COLL_SPHERE)
        .value("COLL_CAMERA", PhysicalBase::COLL_CAMERA)
        .value("COLL_GRAVITY", PhysicalBase::COLL_GRAVITY)
        .value("COLL_CUSTOM0", PhysicalBase::COLL_CUSTOM0)
        .value("COLL_CUSTOM1", PhysicalBase::COLL_CUSTOM1)
        .value("COLL_CUSTOM2", PhysicalBase::COLL_CUSTOM2)
        .value("COLL_CUSTOM3", PhysicalBase::COLL_CUSTOM3);

    class_PythonSignal<PhysicalBase::CollisionEvent>("CollisionEvent", true);

    typedef void (PhysicalBase::*Rotate)(const Ogre::Vector3&, float);
    typedef void (PhysicalBase::*RotateIn)(const Ogre::Vector3&, float, Ogre::Node::TransformSpace);
    typedef void (PhysicalBase::*SetOffsetPosition)(const Ogre::Vector3&);
    typedef void (PhysicalBase::*SetOffsetPositionAt)(const Ogre::Vector3&, unsigned int);
    typedef void (PhysicalBase::*SetOffsetOrientation)(const Ogre::Quaternion&);
    typedef void (PhysicalBase::*SetOffsetOrientationAt)(const Ogre::Quaternion&, unsigned int);
    bp::class_<PhysicalBase, bp::bases<Hierarchical, Transformable>, boost::noncopyable>("PhysicalBase", bp::no_init)
        .def("isEnabled", &PhysicalBase::isEnabled)
        .def("setEnabled", &PhysicalBase::setEnabled)
        .def("isCollidable", &PhysicalBase::isCollidable)
        .def("setCollidable", &PhysicalBase::setCollidable)
        .def("isSolid", &PhysicalBase::isSolid)
        .def("setSolid", &PhysicalBase::setSolid)
        .def("collide", &collide)
        .def("eventCollision", &PhysicalBase::eventCollision, TrackedPart())
        .def("eventPhysicalCollision", &eventPhysicalCollision, TrackedPart())
        .def("isPropertyPresent", &PhysicalBase::isPropertyPresent)
        .def("getProperty", &getProperty)
        .def("setProperty", &PhysicalBase::setProperty)
        .def("removeProperty", &PhysicalBase::removeProperty)
        .def("getGeometryCount", &PhysicalBase::getGeometryCount)
        .def("getGeometry", &PhysicalBase::getGeometry, Tracked())
        .def("setGeometry", &PhysicalBase::setGeometry)
        .def("getCollisionCategory", &PhysicalBase::getCollisionCategory)
        .def("setCollisionCategory", &setCollisionCategory)
        .def("getCollisionPartners", &PhysicalBase::getCollisionPartners)
        .def("setCollisionPartners", &PhysicalBase::setCollisionPartners)
        .def("setPosition", &PhysicalBase::setPosition)
        .def("translate", &PhysicalBase::translate)
        .def("setOrientation", &PhysicalBase::setOrientation)
        .def("rotate", static_cast<Rotate>(&PhysicalBase::rotate))
        .def("rotate", static_cast<RotateIn>(&PhysicalBase::rotate))
        .def("setScale", &PhysicalBase::setScale)
        .def("scale", &PhysicalBase::scale)
        .def("getOffsetPosition", &PhysicalBase::getOffsetPosition)
        .def("setOffsetPosition", static_cast<SetOffsetPosition>(&PhysicalBase::setOffsetPosition))
        .def("setOffsetPosition", static_cast<SetOffsetPositionAt>(&PhysicalBase::setOffsetPosition))
        .def("getOffsetOrientation", &PhysicalBase::getOffsetOrientation)
        .def("setOffsetOrientation", static_cast<SetOffsetOrientation>(&PhysicalBase::setOffsetOrientation))
        .def("setOffsetOrientation", static_cast<SetOffsetOrientationAt>(&PhysicalBase::setOffsetOrientation))
        .def("getWorldPosition", &PhysicalBase::getWorldPosition)
        .def("getWorldOrientation", &PhysicalBase::getWorldOrientation)
        .def("getWorldScale", &PhysicalBase::getWorldScale);
}

void bindCollisionListener()
{
    class_InterfaceHolder<CollisionListener>("CollisionListener");
    bp::class_<CollisionListenerWrap, boost::noncopyable>("CollisionListener")
        .def("collision", bp::pure_virtual(&CollisionListener::collision));
}

} // namespace bindings

} // namespace tolva
