// A physical object with a rigid body: its geometry rides on the body, and the body carries the
// mass. Game code accumulates force, impulse and torque on it during a frame; the physics module
// applies them in the next physics frame (see Physics).
#pragma once

#include "physics/Physics.h"
#include "physics/SinglePhysical.h"

namespace tolva {

namespace ode {
class Body;
class Mass;
} // namespace ode

class MovableObject : public SinglePhysical {
public:
    /// Makes the body, hangs the geometry on it with an automatic mass of the given value, sets
    /// category COLL_MOVABLE and partners COLL_FIXED | COLL_MOVABLE | COLL_SPHERE, and registers
    /// with the physics module.
    /// @throws IllegalStateException when the engine has no physics module
    /// @throws InvalidArgumentException for a mass value that is not finite
    explicit MovableObject(ode::Geometry* geometry, float massValue = 1.0f);
    ~MovableObject() override;

    /// Replaces the geometry at index 0 (false for others) and rebuilds the automatic mass.
    bool setGeometry(unsigned int index, ode::Geometry* geometry) override;
    void setPosition(const Ogre::Vector3& position) override;
    void translate(const Ogre::Vector3& offset) override;
    void setOrientation(const Ogre::Quaternion& orientation) override;
    void rotate(const Ogre::Vector3& axis, float degrees) override;
    void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space) override;
    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;

    virtual ode::Body* getBody() const { return mBody; }
    /// Hangs the body, not the geometries: the body leads the node it hangs on.
    void _attachToSceneNode(Ogre::SceneNode* node) override;
    void _detachFromSceneNode(Ogre::SceneNode* node) override;
    /// The body leads: a mesh carrying this object moves the body, not its node.
    bool _leadsSceneNode() const override { return true; }
    // The physics module reads the accumulators only of movables whose setters ran (it is told
    // once, by carry): an override must store what it wants pushed through these.
    // Non-finite values are refused (InvalidArgumentException); finite ones too strong to simulate
    // stop the body they throw out of range.
    virtual Ogre::Vector3 getForce() const { return mForce; }
    virtual void addForce(const Ogre::Vector3& force)
    {
        requireFiniteVector(force, "A force");
        mForce += force;
        carry();
    }
    virtual void setForce(const Ogre::Vector3& force)
    {
        requireFiniteVector(force, "A force");
        mForce = force;
        carry();
    }
    virtual Ogre::Vector3 getImpulse() const { return mImpulse; }
    virtual void addImpulse(const Ogre::Vector3& impulse)
    {
        requireFiniteVector(impulse, "A impulse");
        mImpulse += impulse;
        carry();
    }
    virtual void setImpulse(const Ogre::Vector3& impulse)
    {
        requireFiniteVector(impulse, "A impulse");
        mImpulse = impulse;
        carry();
    }
    virtual Ogre::Vector3 getTorque() const { return mTorque; }
    virtual void addTorque(const Ogre::Vector3& torque)
    {
        requireFiniteVector(torque, "A torque");
        mTorque += torque;
        carry();
    }
    virtual void setTorque(const Ogre::Vector3& torque)
    {
        requireFiniteVector(torque, "A torque");
        mTorque = torque;
        carry();
    }
    virtual Ogre::Vector3 getAngularVelocity() const;
    virtual void setAngularVelocity(const Ogre::Vector3& velocity);
    /// The part of the spin taken away in each step, within [0, 1]; anything else is refused.
    virtual void setAngularDamping(float damping);
    virtual float getAngularVelocityMax() const;
    virtual void setAngularVelocityMax(float maximum);
    virtual Ogre::Vector3 getLinearVelocity() const;
    virtual void setLinearVelocity(const Ogre::Vector3& velocity);
    /// The part of the velocity taken away in each step, within [0, 1]; anything else is refused.
    virtual void setLinearDamping(float damping);

    bool isAffectedByGravity() const;
    void setAffectedByGravity(bool affected);
    bool isUnidirectional() const { return mUnidirectional; }
    /// A unidirectional movable is pushed by contacts with other movables and pushes nothing back.
    void setUnidirectional(bool unidirectional);
    /// Whether the body is awake.
    bool isBodyEnabled() const;
    /// False puts an awake body to sleep; true wakes a sleeping one and clears its own force and
    /// torque. A body already in that state is left alone.
    void setBodyEnabled(bool enabled);

    /// The held mass description (may be null).
    ode::Mass* getMass() const { return mMass; }
    float getMassValue() const { return mMassValue; }
    /// MASS_AUTO without a description, else the description's kind.
    Physics::MassType getMassType() const;
    /// Builds a description of the type with unit dimensions and installs it, unless one of that
    /// type is held already.
    void setMassType(int type);
    /// Adjusts the held description; installs nothing. A value that is not finite is refused.
    void setMassValue(float massValue);
    /// Translates the held description; installs nothing. A vector that is not finite is refused.
    void translateMass(const Ogre::Vector3& offset);
    /// Installs the description and takes ownership of it. Null is refused with a warning; a
    /// description the body refuses (with a warning) is deleted, and the held one stays.
    void setMass(ode::Mass* mass);

    /// Whether the physics module lists the object among those with something to push; the
    /// module clears it when it lets the object go.
    void _setCarrying(bool carrying) { mCarrying = carrying; }

protected:
    unsigned int getOwnContactFlags() const override;
    /// @throw InvalidArgumentException naming what, for a vector that is not finite
    static void requireFiniteVector(const Ogre::Vector3& vector, const char* what);

private:
    /// Tells the physics module, once, that there is something to push.
    void carry()
    {
        // The module may be gone when the engine was destroyed first.
        if (!mCarrying && getPhysicsModule() == mPhysics) {
            mCarrying = true;
            mPhysics->_carry(this);
        }
    }

    Physics* mPhysics;
    ode::Body* mBody = nullptr;
    ode::Mass* mMass = nullptr;
    float mMassValue;
    Ogre::Vector3 mForce = Ogre::Vector3::ZERO;
    Ogre::Vector3 mImpulse = Ogre::Vector3::ZERO;
    Ogre::Vector3 mTorque = Ogre::Vector3::ZERO;
    bool mUnidirectional = false;
    bool mCarrying = false;
};

} // namespace tolva
