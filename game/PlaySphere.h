// The sphere the player steers: a mesh carried by a simulated ball of radius 1 and mass 1, with
// an impact sound, a rolling sound that follows ground contact, a thruster sound and flame, and
// an inventory. Scripts build it and hand it to the game, which makes it the camera's focal
// point and the player controls' sphere.
//
// Torque requests are smoothed: the body receives the sum (not the mean) of the last five
// requests, once five are held; a frame without a request feeds a zero torque, so the push dies
// away when the player lets go. Every contact with something that is not a trigger sounds the
// impact sound, keeps the rolling sound on and tells the player controls the floor's normal.
#pragma once

#include <OgreVector.h>

#include <string>

#include "audio/AngularVelocitySound.h"
#include "audio/ImpactSound.h"
#include "audio/Sound.h"
#include "core/VectorSmoother.h"
#include "game/Inventory.h"
#include "physics/CollisionCounter.h"
#include "physics/MovableObject.h"
#include "scene/MeshObject.h"
#include "scene/ParticleSystem.h"

namespace tolva {

class Contact;

class PlaySphere : public MeshObject {
public:
    using Inventory = tolva::Inventory;

    /// @param name the mesh object's (entity's) name
    /// @param mesh the mesh resource
    /// The sounds and the flame take fixed names; a flame whose name another sphere's flame
    /// holds takes the first free name with a number appended.
    PlaySphere(const std::string& name, const std::string& mesh);
    /// A sphere that the game still holds as its play sphere is taken from the game first.
    ~PlaySphere() override;

    /// Keeps the rolling sound in step with contact, decays the torque when nothing was asked,
    /// and turns the flame against the motion. The mesh's own fades are not advanced.
    void frame(float seconds) override;
    /// Feeds the torque smoother and, when enabled and five requests are held, adds their sum
    /// to the body's torque for the next physics step. A torque with a component that is not
    /// finite or beyond 1e30 is refused (InvalidArgumentException), nothing changed.
    virtual void addTorque(const Ogre::Vector3& torque);

    MovableObject* getMovableBody() { return &mBody; }
    bool isEnabled() const { return mEnabled; }
    /// Disabling an enabled sphere switches the thruster off; enabling leaves it off.
    void setEnabled(bool enabled);
    bool isThrusterEnabled() const { return mThrusterFire.isEnabled(); }
    /// The flame's emitters, and the thruster sound playing or stopped.
    void setThrusterEnabled(bool enabled);
    bool isBodyEnabled() const { return mBody.isBodyEnabled(); }
    void setBodyEnabled(bool enabled) { mBody.setBodyEnabled(enabled); }
    Inventory& getInventory() { return mInventory; }

    ImpactSound& getImpactSound() { return mImpactSound; }
    AngularVelocitySound& getRollSound() { return mRollSound; }
    Sound& getThrusterSound() { return mThrusterSound; }
    ParticleSystem& getThrusterFire() { return mThrusterFire; }

private:
    void collisionCallback(PhysicalBase* partner, Contact* contact);
    void redirectThruster();

    bool mEnabled = true;
    MovableObject mBody;
    CollisionCounter mCollisionCounter;
    Inventory mInventory;
    ImpactSound mImpactSound;
    AngularVelocitySound mRollSound;
    Sound mThrusterSound;
    ParticleSystem mThrusterFire;
    bool mTorqueRequested = false;
    VectorSmoother mTorqueSmoother;
};

} // namespace tolva
