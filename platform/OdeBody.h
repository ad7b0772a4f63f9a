// A rigid body. When it hangs on a scene node the node follows the body (synchronise); the
// node never drives the body. Geometries hang on it with setBody of the geometry.
#pragma once

#include <ode/ode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <memory>

#include "platform/InvisibleMovableObject.h"
#include "platform/OdeWorld.h"

namespace tolva::ode {

class Mass;

class Body : public platform::InvisibleMovableObject {
public:
    explicit Body(World* world, const std::string& name = "");
    ~Body() override;
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;

    dBodyID getBodyID() const { return mId; }
    static Body* fromId(dBodyID id);

    /// Installs a mass. A mass that is not positive and finite, or whose inertia is not valid,
    /// is refused with a warning (false). A centre of mass away from the body's origin is
    /// installed re-centred, with a warning: the layer keeps the centre of gravity at the origin.
    bool setMass(const Mass& mass);
    float getMassValue() const;

    void addForce(const Ogre::Vector3& force);
    void addTorque(const Ogre::Vector3& torque);
    void setForce(const Ogre::Vector3& force);
    void setTorque(const Ogre::Vector3& torque);
    Ogre::Vector3 getForce() const;
    Ogre::Vector3 getTorque() const;

    void wake();
    void sleep();
    bool isAwake() const;

    void setPosition(const Ogre::Vector3& position);
    const Ogre::Vector3& getPosition() const;
    void setOrientation(const Ogre::Quaternion& orientation);
    const Ogre::Quaternion& getOrientation() const;

    void setLinearVelocity(const Ogre::Vector3& velocity);
    const Ogre::Vector3& getLinearVelocity() const;
    void setAngularVelocity(const Ogre::Vector3& velocity);
    const Ogre::Vector3& getAngularVelocity() const;
    /// The part of the velocity taken away in each step, within [0, 1]; anything else is refused
    /// with a warning (ODE would speed the body up or make it swing ever faster).
    void setLinearDamping(float damping);
    float getLinearDamping() const;
    void setAngularDamping(float damping);
    float getAngularDamping() const;
    void setAngularVelocityMax(float maximum);
    float getAngularVelocityMax() const;
    void setAffectedByGravity(bool affected);
    bool getAffectedByGravity() const;

    /// Moves the scene node the body hangs on to the body's pose.
    void synchronise();

    // Ogre::MovableObject
    void _notifyAttached(Ogre::Node* parent, bool isTagPoint = false) override;

private:
    std::shared_ptr<World::Core> mCore;
    dBodyID mId;
    mutable Ogre::Vector3 mPosition;
    mutable Ogre::Quaternion mOrientation;
    mutable Ogre::Vector3 mLinearVelocity;
    mutable Ogre::Vector3 mAngularVelocity;
};

} // namespace tolva::ode
