#include "physics/Physics.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "physics/Contact.h"
#include "physics/MovableObject.h"
#include "physics/PhysicalBase.h"
#include "physics/PhysicsListener.h"
#include "physics/PhysicsStepListener.h"
#include "physics/Trigger.h"
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeBoxMass.h"
#include "platform/OdeCapsuleGeometry.h"
#include "platform/OdeCapsuleMass.h"
#include "platform/OdeContact.h"
#include "platform/OdeConvert.h"
#include "platform/OdeCylinderGeometry.h"
#include "platform/OdeCylinderMass.h"
#include "platform/OdeEntityInformer.h"
#include "platform/OdeExactVariableStepHandler.h"
#include "platform/OdeFixedJoint.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeHingeJoint.h"
#include "platform/OdeRayGeometry.h"
#include "platform/OdeSpace.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeSphereMass.h"
#include "platform/OdeTransformGeometry.h"
#include "platform/OdeTriangleMeshGeometry.h"
#include "platform/OdeWorld.h"
#include "scene/Graphics.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <cmath>

namespace tolva {

namespace {

/// ODE hands unit normals; one this short is a degenerate contact, not a direction.
const float MinContactNormalSquared = 1e-12f;

/// PhysicalBase::getContactFlags, with the common case inline: the flags are on the geometry's
/// tag. An owner whose flags are not there (one given to the geometry directly) is dispatched to
/// whatever it says, as the dispatch cannot learn later whether it listens.
unsigned int contactFlagsOf(unsigned int flags, const ode::Geometry* geometry)
{
    if (flags & PhysicalBase::CONTACT_PHYSICAL) {
        return flags;
    }
    const unsigned int owners = PhysicalBase::getContactFlags(geometry);
    return owners ? owners | PhysicalBase::CONTACT_LISTENED : 0;
}

/// Whether the dispatch calls the owner of a geometry: something listens to it, or its flags
/// are not known (a geometry given its owner directly).
bool isListened(const ode::Geometry* geometry)
{
    const unsigned int flags = geometry->getUserFlags();
    return (flags & PhysicalBase::CONTACT_LISTENED) || !(flags & PhysicalBase::CONTACT_PHYSICAL);
}

} // namespace

Physics::Physics(float stepSize, float maxInterval)
    : mStepSize(stepSize)
    , mMaxInterval(maxInterval)
    , mTimeScale(1.0f)
    , mFriction(ode::Infinity)
{
    if (!(stepSize >= ode::ExactVariableStepHandler::MIN_STEP_SIZE) || !std::isfinite(stepSize)) {
        throw InvalidArgumentException("The physics step size must be finite and at least 1e-6 seconds.");
    }
    Engine* engine = Engine::getInstance();
    if (engine) {
        mTimeScale = engine->getTimeScale();
        mGraphics = engine->getGraphics();
    }
    if (mGraphics) {
        mSceneManager = mGraphics->getSceneManager();
    }
    mWorld = std::make_unique<ode::World>(mSceneManager);
    mWorld->setCollisionListener(this);
    mSpace = mWorld->getDefaultSpace();
    reInitStepHandler();
    mWorld->setCFM(0.01f);
    mWorld->setERP(0.2f);
}

Physics::~Physics()
{
    mStepHandler.reset();
    mWorld.reset();
}

void Physics::reInitStepHandler()
{
    mStepHandler.reset();
    mStepHandler = std::make_unique<ode::ExactVariableStepHandler>(
        mWorld.get(), ode::ExactVariableStepHandler::STEP_QUICK, mStepSize, mMaxInterval, mTimeScale);
    mStepHandler->setStepListener(this);
}

void Physics::setSceneManager(Ogre::SceneManager* sceneManager)
{
    mSceneManager = sceneManager;
}

void Physics::updateNodes()
{
    if (mGraphics) {
        mGraphics->updateNodes();
    } else if (mSceneManager) {
        mSceneManager->getRootSceneNode()->_update(true, false);
    }
}

void Physics::callListeners(void (PhysicsListener::*operation)())
{
    ListenerPass pass{0, mListeners.size(), mListenerPasses};
    mListenerPasses = &pass;
    // Passes end innermost first, also when a listener throws.
    struct Unlink {
        ListenerPass*& passes;
        ListenerPass& pass;
        ~Unlink() { passes = pass.outer; }
    } unlink{mListenerPasses, pass};
    while (pass.next < pass.end) {
        (mListeners[pass.next++]->*operation)();
    }
}

void Physics::frame(float seconds)
{
    updateNodes();
    callListeners(&PhysicsListener::prePhysicsFrame);

    mContactCount = 0;
    mListenedCount = 0;
    const unsigned long revision = ode::Geometry::getUserRevision();
    mSubStepCount = 0;
    mStepped = mStepHandler->step(seconds);
    if (mStepped) {
        mWorld->synchronise();
    }

    // Slots may destroy physical objects or delete geometries (forgetObject and forgetGeometry
    // then blank their records), or record contacts of their own through collide (those wait for
    // no dispatch). An object is dispatched to when something listens to it now. While no
    // geometry's flags have changed since the frame began, the flags a record took when it was
    // made say so without a visit to the geometries; a slot that starts or stops listening
    // changes them, and from then on the geometries are asked.
    const auto listened = [revision](unsigned int recorded, const ode::Geometry* geometry) {
        return ode::Geometry::getUserRevision() == revision ? (recorded & PhysicalBase::CONTACT_LISTENED) != 0
                                                            : isListened(geometry);
    };
    // Nothing to dispatch when no record was listened to and nothing has started listening.
    const bool unheard = mListenedCount == 0 && ode::Geometry::getUserRevision() == revision;
    const size_t count = unheard ? 0 : mContactCount;
    for (size_t i = 0; i < count && i < mContactCount; ++i) {
        Contact& contact = record(i);
        // Every slot of one dispatch gets both objects and the contact, even after an earlier
        // slot dropped the last script reference to either: they go once the dispatch is over.
        if (contact.isValid() && listened(contact.firstFlags, contact.firstGeometry)) {
            const Hierarchical::KeptAlive kept(contact.firstPhysical, contact.secondPhysical);
            contact.firstPhysical->dispatchCollisionEvent(contact.secondPhysical, &contact);
        }
        if (contact.isValid() && listened(contact.secondFlags, contact.secondGeometry)) {
            const Hierarchical::KeptAlive kept(contact.secondPhysical, contact.firstPhysical);
            contact.secondPhysical->dispatchCollisionEvent(contact.firstPhysical, &contact);
        }
    }

    // Indices, not iterators: a movable may be destroyed by an overridden setter. Movables that
    // were given nothing have nothing to clear.
    for (size_t i = 0; i < mCarrying.size(); ++i) {
        mCarrying[i]->setForce(Ogre::Vector3::ZERO);
    }
    for (size_t i = 0; i < mCarrying.size(); ++i) {
        mCarrying[i]->setTorque(Ogre::Vector3::ZERO);
    }
    // An impulse waits for the first step that comes.
    const auto done = [](MovableObject* movable) {
        if (movable->getImpulse() != Ogre::Vector3::ZERO) {
            return false;
        }
        movable->_setCarrying(false);
        return true;
    };
    mCarrying.erase(std::remove_if(mCarrying.begin(), mCarrying.end(), done), mCarrying.end());

    callListeners(&PhysicsListener::postPhysicsFrame);
}

bool Physics::preStep(float seconds)
{
    for (size_t i = 0; i < mStepListeners.size(); ++i) {
        mStepListeners[i]->physicsStep(seconds);
    }
    // Only bodies that carry something are pushed: most carry nothing most of the time.
    for (size_t i = 0; i < mCarrying.size(); ++i) {
        MovableObject* movable = mCarrying[i];
        // The impulse is used up by the first step that follows it, so a frame that takes no
        // step neither loses it nor applies it twice.
        const Ogre::Vector3 impulse = movable->getImpulse();
        if (impulse != Ogre::Vector3::ZERO) {
            movable->getBody()->addForce(impulse * (1.0f / seconds));
            movable->setImpulse(Ogre::Vector3::ZERO);
        }
        const Ogre::Vector3 force = movable->getForce();
        if (force != Ogre::Vector3::ZERO) {
            movable->getBody()->addForce(force);
        }
        const Ogre::Vector3 torque = movable->getTorque();
        if (torque != Ogre::Vector3::ZERO) {
            movable->getBody()->addTorque(torque);
        }
    }
    return true;
}

bool Physics::postStep(float)
{
    ++mSubStepCount;
    ++mStepCount;
    return true;
}

bool Physics::middleStep(float)
{
    return true;
}

inline Contact& Physics::record(size_t index) const
{
    return mContactBlocks[index / CONTACT_BLOCK][index % CONTACT_BLOCK];
}

inline Contact* Physics::nextContactRecord()
{
    if (mContactCount == mContactBlocks.size() * CONTACT_BLOCK) {
        mContactBlocks.push_back(std::make_unique<Contact[]>(CONTACT_BLOCK));
    }
    return &record(mContactCount);
}

bool Physics::collision(ode::Contact* contact)
{
    // Missing or not collidable objects (no flags, or no CONTACT_COLLIDABLE): the contact acts
    // but is neither recorded nor dispatched.
    // A sphere centred on a cylinder's axis, for one, gives a zero or non-finite normal: as a
    // constraint it would turn the bodies' state into NaN and abort the next step.
    const Ogre::Vector3 normal = contact->getNormal();
    const bool finite = ode::isFinite(normal);
    const bool degenerate = !finite || !(normal.squaredLength() >= MinContactNormalSquared);
    const unsigned int first = contactFlagsOf(contact->getFirstUserFlags(), contact->getFirstGeometry());
    const unsigned int second = contactFlagsOf(contact->getSecondUserFlags(), contact->getSecondGeometry());
    if (!(first & second & PhysicalBase::CONTACT_COLLIDABLE)) {
        return !degenerate;
    }
    Contact* record = nextContactRecord();
    record->setContact(contact, first, second, finite ? normal : Ogre::Vector3::ZERO);
    record->step = mStepCount;
    ++mContactCount;
    if ((first | second) & PhysicalBase::CONTACT_LISTENED) {
        ++mListenedCount;
    }
    if (degenerate || !(first & second & PhysicalBase::CONTACT_SOLID)) {
        return false;
    }
    // Exactly one of two movables unidirectional.
    if ((first & second & PhysicalBase::CONTACT_MOVABLE) && ((first ^ second) & PhysicalBase::CONTACT_UNIDIRECTIONAL)) {
        contact->setUnidirectionality(first & PhysicalBase::CONTACT_UNIDIRECTIONAL
                ? ode::Contact::UNIDIRECTIONAL_FIRST
                : ode::Contact::UNIDIRECTIONAL_SECOND);
    }
    contact->setCoulombFriction(mFriction, -1.0f);
    contact->setBouncyness(0.0f, -1.0f);
    return true;
}

Contact* Physics::getContact(size_t index) const
{
    return index < mContactCount ? &record(index) : nullptr;
}

void Physics::setStepSize(float stepSize)
{
    mStepHandler->setStepSize(stepSize);
    mStepSize = stepSize;
}

void Physics::setMaxInterval(float maxInterval)
{
    if (!(maxInterval >= 0.0f) || !std::isfinite(maxInterval)) {
        throw InvalidArgumentException("The physics maximum interval must be finite and not negative.");
    }
    mMaxInterval = maxInterval;
    reInitStepHandler();
}

void Physics::setTimeScale(float timeScale)
{
    if (!(timeScale >= 0.0f) || !std::isfinite(timeScale)) {
        throw InvalidArgumentException("The physics time scale must be finite and not negative.");
    }
    mTimeScale = timeScale;
    reInitStepHandler();
}

void Physics::setGravity(const Ogre::Vector3& gravity)
{
    ode::requireFinite(gravity, "The gravity");
    mWorld->setGravity(gravity);
}
const Ogre::Vector3& Physics::getGravity() const
{
    return mWorld->getGravity();
}
void Physics::setContactCorrectionVelocity(float velocity)
{
    mWorld->setContactCorrectionVelocity(velocity);
}
void Physics::setERP(float erp)
{
    mWorld->setERP(erp);
}
float Physics::getERP() const
{
    return mWorld->getERP();
}
void Physics::setCFM(float cfm)
{
    mWorld->setCFM(cfm);
}
float Physics::getCFM() const
{
    return mWorld->getCFM();
}

void Physics::addObject(MovableObject* object)
{
    mMovables.push_back(object);
}

void Physics::removeObject(MovableObject* object)
{
    auto it = std::find(mMovables.begin(), mMovables.end(), object);
    if (it != mMovables.end()) {
        mMovables.erase(it);
    }
    mCarrying.erase(std::remove(mCarrying.begin(), mCarrying.end(), object), mCarrying.end());
}

void Physics::_carry(MovableObject* object)
{
    mCarrying.push_back(object);
}

void Physics::addPhysicsListener(PhysicsListener* listener)
{
    if (std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end()) {
        logWarning("Warning: Attempt to subscribe as a physics listener more than once.");
        return;
    }
    mListeners.push_back(listener);
}

void Physics::removePhysicsListener(PhysicsListener* listener)
{
    auto it = std::find(mListeners.begin(), mListeners.end(), listener);
    if (it == mListeners.end()) {
        logWarning("Warning: Attempt to unsubscribe as a physics listener that is not subscribed.");
        return;
    }
    // A listener is registered once at most (addPhysicsListener refuses a second time).
    const size_t index = size_t(it - mListeners.begin());
    mListeners.erase(it);
    for (ListenerPass* pass = mListenerPasses; pass; pass = pass->outer) {
        if (index < pass->next) {
            --pass->next;
            --pass->end;
        } else if (index < pass->end) {
            --pass->end;
        }
    }
}

void Physics::addStepListener(PhysicsStepListener* listener)
{
    if (listener && std::find(mStepListeners.begin(), mStepListeners.end(), listener) == mStepListeners.end()) {
        mStepListeners.push_back(listener);
    }
}

void Physics::removeStepListener(PhysicsStepListener* listener)
{
    mStepListeners.erase(std::remove(mStepListeners.begin(), mStepListeners.end(), listener), mStepListeners.end());
}

void Physics::addTrigger(Trigger* trigger)
{
    mTriggers.push_back(trigger);
}

void Physics::removeTrigger(Trigger* trigger)
{
    mTriggers.erase(std::remove(mTriggers.begin(), mTriggers.end(), trigger), mTriggers.end());
}

void Physics::forgetGeometry(ode::Geometry* geometry)
{
    for (size_t i = 0; i < mContactCount; ++i) {
        record(i).forgetGeometry(geometry);
    }
}

void Physics::forgetObject(PhysicalBase* object)
{
    for (size_t i = 0; i < mContactCount; ++i) {
        record(i).forgetObject(object);
    }
    for (Trigger* trigger : mTriggers) {
        if (trigger != object) {
            trigger->forgetOccupant(object);
        }
    }
}

ode::Body* Physics::createBody()
{
    return new ode::Body(mWorld.get(), "");
}

ode::BoxGeometry* Physics::createBoxGeometry(const Ogre::Vector3& size)
{
    return new ode::BoxGeometry(size, mSpace);
}

ode::SphereGeometry* Physics::createSphereGeometry(float radius)
{
    return new ode::SphereGeometry(radius, mSpace);
}

ode::CylinderGeometry* Physics::createCylinderGeometry(float radius, float length)
{
    return new ode::CylinderGeometry(radius, length, mSpace);
}

ode::CapsuleGeometry* Physics::createCapsuleGeometry(float radius, float length)
{
    return new ode::CapsuleGeometry(radius, length, mSpace);
}

ode::RayGeometry* Physics::createRayGeometry(const Ogre::Vector3& start, const Ogre::Vector3& direction)
{
    auto ray = std::make_unique<ode::RayGeometry>(1.0f, mSpace);
    ray->setDefinition(start, direction);
    return ray.release();
}

ode::TransformGeometry* Physics::createTransformGeometry()
{
    return new ode::TransformGeometry(mSpace);
}

ode::TriangleMeshGeometry* Physics::createTriangleMeshGeometry(
    Ogre::Entity* entity, const Ogre::Vector3& scale, int subMeshIndex)
{
    if (!entity) {
        throw InvalidArgumentException("A triangle mesh needs an entity.");
    }
    Ogre::Matrix4 scaling = Ogre::Matrix4::ZERO;
    scaling[0][0] = scale.x;
    scaling[1][1] = scale.y;
    scaling[2][2] = scale.z;
    scaling[3][3] = 1;
    ode::EntityInformer informer;
    informer.addEntity(entity, scaling, subMeshIndex);
    return informer.createStaticTriangleMesh(mSpace);
}

ode::HingeJoint* Physics::createHingeJoint()
{
    return new ode::HingeJoint(mWorld.get());
}

ode::FixedJoint* Physics::createFixedJoint()
{
    return new ode::FixedJoint(mWorld.get());
}

ode::Mass* Physics::createMass(
    ode::Geometry* geometry, float massValue, int massType, float dimX, float dimY, float dimZ)
{
    if (!PhysicalBase::fromGeometry(geometry)) {
        throw InvalidArgumentException("Geometries need their Physics Objects attached to create mass.");
    }
    ode::requireFinite(massValue, "A mass value");
    ode::requireFinite(Ogre::Vector3(dimX, dimY, dimZ), "A mass's dimensions");
    if (massType == MASS_AUTO) {
        // The shape's own size, not its world bounding box: a sphere away from the origin keeps
        // its radius, a cylinder its whole length.
        switch (geometry->getClass()) {
        case ode::Geometry::CLASS_SPHERE:
            return new ode::SphereMass(massValue, static_cast<ode::SphereGeometry*>(geometry)->getRadius());
        case ode::Geometry::CLASS_BOX:
            return new ode::BoxMass(massValue, static_cast<ode::BoxGeometry*>(geometry)->getSize());
        case ode::Geometry::CLASS_CONVEX:
        case ode::Geometry::CLASS_TRIANGLE_MESH: {
            const Ogre::AxisAlignedBox box = geometry->getAxisAlignedBox();
            Ogre::Vector3 size = Ogre::Vector3::ZERO;
            if (box.isInfinite()) {
                size = Ogre::Vector3(ode::Infinity, ode::Infinity, ode::Infinity);
            } else if (box.isFinite()) {
                size = box.getSize();
            }
            return new ode::BoxMass(massValue, size);
        }
        case ode::Geometry::CLASS_CYLINDER: {
            auto* cylinder = static_cast<ode::CylinderGeometry*>(geometry);
            return new ode::CylinderMass(
                massValue, cylinder->getRadius(), Ogre::Vector3::UNIT_Z, cylinder->getLength());
        }
        default:
            massType = MASS;
            break;
        }
    }
    switch (massType) {
    case MASS: {
        auto* mass = new ode::Mass();
        mass->adjust(massValue);
        return mass;
    }
    case MASS_BOX:
        return new ode::BoxMass(massValue, Ogre::Vector3(dimX, dimY, dimZ));
    case MASS_CAPSULE:
        return new ode::CapsuleMass(massValue, dimX, Ogre::Vector3::UNIT_Z, dimZ);
    case MASS_CYLINDER:
        return new ode::CylinderMass(massValue, dimX, Ogre::Vector3::UNIT_Z, dimZ);
    case MASS_SPHERE:
        return new ode::SphereMass(massValue, dimX);
    default:
        return nullptr;
    }
}

void Physics::collide(PhysicalBase* object)
{
    if (!object) {
        return;
    }
    for (unsigned int i = 0; i < object->getGeometryCount(); ++i) {
        mSpace->collide(object->getGeometry(i), this);
    }
}

} // namespace tolva
