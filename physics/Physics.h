// The physics module: owns the rigid-body world and steps it with a fixed step size inside the
// variable frame time. Each frame it brings the scene nodes up to date, runs the physics
// listeners' prePhysicsFrame, steps, and then hands every contact recorded during the steps to
// both physical objects involved, clears the movables' force and torque accumulators and runs
// postPhysicsFrame.
//
// Forces and torques that game code accumulates on movables act during every step of the next
// physics frame (none, if that frame takes no step). An impulse acts once, as a force over the
// first step that follows it, and is used up then: a frame without a step keeps it for the next.
// Only the movables that were given something are visited, in the steps and after the frame.
//
// Contact records are pooled in blocks that never move: they live until the next frame begins
// and are reused then, so a steady scene allocates nothing per contact. The filter reads what it
// needs of the objects from the contact flags the objects keep on their geometries
// (PhysicalBase::ContactFlag) and copies them into the record, where the dispatch finds them
// while no flags have changed since; a contact is dispatched only to objects that something
// listens to. Every geometry the module makes lives in the world's default space.
#pragma once

#include <OgreVector.h>

#include <memory>
#include <vector>

#include "core/EngineModule.h"
#include "platform/OdeCollisionListener.h"
#include "platform/OdeStepListener.h"

namespace Ogre {
class Entity;
class SceneManager;
} // namespace Ogre

namespace tolva {

namespace ode {
class Body;
class BoxGeometry;
class CapsuleGeometry;
class CylinderGeometry;
class ExactVariableStepHandler;
class FixedJoint;
class Geometry;
class HingeJoint;
class Mass;
class RayGeometry;
class Space;
class SphereGeometry;
class TransformGeometry;
class TriangleMeshGeometry;
class World;
} // namespace ode

class Contact;
class Graphics;
class MovableObject;
class PhysicalBase;
class PhysicsListener;
class PhysicsStepListener;
class Trigger;

class Physics : public EngineModule, public ode::CollisionListener, public ode::StepListener {
public:
    enum MassType { MASS = 0, MASS_AUTO = 1, MASS_BOX = 2, MASS_CAPSULE = 3, MASS_CYLINDER = 4, MASS_SPHERE = 5 };

    /// Builds the world on the graphics module's scene manager (none when the engine has no
    /// graphics module; see setSceneManager).
    /// @param stepSize seconds per fixed step
    /// @param maxInterval the longest frame time taken into account, in seconds
    /// @throws InvalidArgumentException when the step size is not positive
    Physics(float stepSize, float maxInterval);
    ~Physics() override;
    Physics(const Physics&) = delete;
    Physics& operator=(const Physics&) = delete;

    void initialise() override { }
    void frame(float seconds) override;
    void shutdown() override { }

    bool preStep(float seconds) override;
    bool postStep(float seconds) override;
    bool middleStep(float seconds) override;
    /// The contact filter: records contacts between collidable physical objects and decides
    /// whether they act.
    bool collision(ode::Contact* contact) override;

    /// For engines without a graphics module (tests, tools): the scene whose nodes the frame
    /// brings up to date before stepping. With a graphics module its own node update is used.
    void setSceneManager(Ogre::SceneManager* sceneManager);

    float getStepSize() const { return mStepSize; }
    /// @throw InvalidArgumentException for a step size that is not finite or below 1e-6 s
    void setStepSize(float stepSize);
    float getMaxInterval() const { return mMaxInterval; }
    /// @throw InvalidArgumentException for an interval that is negative or not finite
    void setMaxInterval(float maxInterval);
    float getTimeScale() const { return mTimeScale; }
    /// @throw InvalidArgumentException for a scale that is negative or not finite; however large
    ///        the scale, a frame takes no more steps than the step handler allows
    void setTimeScale(float timeScale);
    float getFriction() const { return mFriction; }
    /// Coulomb friction of contacts made from now on.
    void setFriction(float friction) { mFriction = friction; }
    /// @throw InvalidArgumentException for a gravity that is not finite (a finite one too strong
    ///        to simulate stops the bodies it throws out of range)
    void setGravity(const Ogre::Vector3& gravity);
    const Ogre::Vector3& getGravity() const;
    void setContactCorrectionVelocity(float velocity);
    void setERP(float erp);
    float getERP() const;
    void setCFM(float cfm);
    float getCFM() const;
    /// The force that delivers the impulse over one step.
    Ogre::Vector3 impulseToForce(const Ogre::Vector3& impulse) const { return impulse / mStepSize; }

    /// Whether the latest frame took at least one step.
    bool hasStepped() const { return mStepped; }
    /// Steps completed in the current (or latest) frame.
    unsigned int getSubStepCount() const { return mSubStepCount; }
    /// Steps completed since the module began.
    unsigned long getStepCount() const { return mStepCount; }

    void addObject(MovableObject* object);
    void removeObject(MovableObject* object);
    /// Called by a movable whose force, impulse or torque was set: the module pushes them in the
    /// steps to come and clears them after the frame.
    void _carry(MovableObject* object);
    void addPhysicsListener(PhysicsListener* listener);
    void removePhysicsListener(PhysicsListener* listener);
    /// Step listeners run at the start of every fixed step, in registration order. Adding one
    /// twice, or removing one that is not registered, changes nothing.
    void addStepListener(PhysicsStepListener* listener);
    void removeStepListener(PhysicsStepListener* listener);
    /// The registered movable objects, in registration order.
    const std::vector<MovableObject*>& getMovables() const { return mMovables; }
    void addTrigger(Trigger* trigger);
    void removeTrigger(Trigger* trigger);
    /// Called by a physical object that is being destroyed: no recorded contact and no trigger
    /// refers to it afterwards.
    void forgetObject(PhysicalBase* object);
    /// Called by a physical object that deletes one of its geometries: the recorded contacts of
    /// that geometry are dropped.
    void forgetGeometry(ode::Geometry* geometry);

    /// The contacts recorded in the current frame, in recording order.
    size_t getContactCount() const { return mContactCount; }
    Contact* getContact(size_t index) const;

    // Factories: the caller owns what they return.
    ode::Body* createBody();
    ode::BoxGeometry* createBoxGeometry(const Ogre::Vector3& size);
    ode::SphereGeometry* createSphereGeometry(float radius);
    ode::CylinderGeometry* createCylinderGeometry(float radius, float length);
    ode::CapsuleGeometry* createCapsuleGeometry(float radius, float length);
    ode::RayGeometry* createRayGeometry(const Ogre::Vector3& start, const Ogre::Vector3& direction);
    ode::TransformGeometry* createTransformGeometry();
    /// A static triangle mesh from an entity's mesh, scaled by the given (world) scale.
    /// @param subMeshIndex one sub-mesh, or -1 for all of them
    ode::TriangleMeshGeometry* createTriangleMeshGeometry(
        Ogre::Entity* entity, const Ogre::Vector3& scale, int subMeshIndex = -1);
    ode::HingeJoint* createHingeJoint();
    ode::FixedJoint* createFixedJoint();
    /// A mass description for the geometry. MASS_AUTO follows the geometry's own shape and size.
    /// @throws InvalidArgumentException "Geometries need their Physics Objects attached to create
    ///         mass." when no physical object owns the geometry, and for a mass value or dimensions
    ///         that are not finite
    /// @return null for a type outside the enumeration
    ode::Mass* createMass(ode::Geometry* geometry, float massValue = 1.0f, int massType = MASS_AUTO, float dimX = 1.0f,
        float dimY = 1.0f, float dimZ = 1.0f);
    /// Collides each geometry of the object with the default space; the contacts join the
    /// current frame's records (outside a frame they are dropped undispatched at the next one).
    void collide(PhysicalBase* object);

    ode::World* getWorld() const { return mWorld.get(); }
    ode::Space* getDefaultSpace() const { return mSpace; }

private:
    /// Where a pass over the physics listeners stands (see InterfaceHolder::forEach).
    struct ListenerPass {
        size_t next;
        size_t end;
        ListenerPass* outer;
    };

    void reInitStepHandler();
    void updateNodes();
    Contact& record(size_t index) const;
    Contact* nextContactRecord();
    /// Calls the operation on every listener registered when the pass began and still registered
    /// when its turn comes; listeners may join or leave meanwhile.
    void callListeners(void (PhysicsListener::*operation)());

    std::unique_ptr<ode::World> mWorld;
    ode::Space* mSpace;
    std::unique_ptr<ode::ExactVariableStepHandler> mStepHandler;
    float mStepSize;
    float mMaxInterval;
    float mTimeScale;
    unsigned int mSubStepCount = 0;
    float mFriction;
    static const size_t CONTACT_BLOCK = 256;
    /// Pooled records in blocks that stay where they are while more are added (slots hold
    /// pointers to them); the first mContactCount are the current frame's.
    std::vector<std::unique_ptr<Contact[]>> mContactBlocks;
    size_t mContactCount = 0;
    /// Of those, the records with a side something listened to when they were made.
    size_t mListenedCount = 0;
    unsigned long mStepCount = 0;
    std::vector<MovableObject*> mMovables;
    /// The movables that were given a force, impulse or torque, in the order they were.
    std::vector<MovableObject*> mCarrying;
    std::vector<PhysicsListener*> mListeners;
    ListenerPass* mListenerPasses = nullptr;
    std::vector<PhysicsStepListener*> mStepListeners;
    std::vector<Trigger*> mTriggers;
    Graphics* mGraphics = nullptr;
    Ogre::SceneManager* mSceneManager = nullptr;
    bool mStepped = false;
};

} // namespace tolva
