// The rigid-body world with its default collision space. Bodies and joints keep the world's
// ODE state alive until the last of them is gone, so engine objects may be destroyed after the
// world without touching freed ODE memory; geometries are taken out of the space when it goes.
#pragma once

#include <ode/ode.h>
#include <OgreVector.h>

#include <memory>
#include <vector>

namespace Ogre {
class SceneManager;
}

namespace tolva::ode {

class Body;
class CollisionListener;
class Space;

class World {
public:
    /// The ODE state shared by the world, its bodies and joints.
    struct Core {
        dWorldID world = nullptr;
        dJointGroupID contacts = nullptr;
        std::vector<Body*> bodies;
        /// The ODE ids of the bodies, in the same order: the checks around each step read the
        /// bodies' state from them without visiting the wrappers.
        std::vector<dBodyID> bodyIds;
        /// The bodies the step being taken threw out of range.
        std::vector<dBodyID> thrown;
        /// The bodies that hang on a scene node: the only ones synchronise has work for.
        std::vector<Body*> bodiesOnNodes;
        /// The poses of the bodies before the step being taken (reused from step to step).
        std::vector<dReal> poses;
        Core();
        ~Core();
    };

    /// @param sceneManager the scene the bodies' and geometries' nodes live in (may be null)
    explicit World(Ogre::SceneManager* sceneManager = nullptr);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    void setCollisionListener(CollisionListener* listener) { mListener = listener; }
    CollisionListener* getCollisionListener() const { return mListener; }
    Space* getDefaultSpace() const { return mSpace.get(); }
    Ogre::SceneManager* getSceneManager() const { return mSceneManager; }

    void setGravity(const Ogre::Vector3& gravity);
    const Ogre::Vector3& getGravity() const { return mGravity; }
    void setERP(float erp);
    float getERP() const;
    void setCFM(float cfm);
    float getCFM() const;
    /// Largest speed at which contacts push penetrating bodies apart (metres per second).
    void setContactCorrectionVelocity(float velocity);

    /// The collision pass of one step: the default space's contacts reach the listener and the
    /// accepted ones become constraints until the step ends.
    void collideForStep();
    /// Integrates the world by the given seconds (quick step or exact step), then drops the
    /// step's contact constraints. A body the step threw out of the range the simulation can
    /// hold (huge velocities, forces, impulses, gravity...: a position beyond MaxCoordinate, or
    /// a velocity that is not finite) goes back to where it stood, stops and is disabled, with a
    /// warning the first time: ODE would abort at the next collision pass.
    void integrate(float seconds, bool quick);
    /// Brings every body's scene node to the body's pose.
    void synchronise();

    const std::vector<Body*>& getBodies() const { return mCore->bodies; }
    /// Every body's moved callback: ODE calls it for each body a step moves, right after moving
    /// it, so its state is checked while it is at hand.
    static void _bodyMoved(dBodyID id);
    dWorldID getWorldID() const { return mCore->world; }
    const std::shared_ptr<Core>& _getCore() const { return mCore; }

private:
    /// Records the poses of the bodies before a step, stopping (where they stand) those that
    /// are already out of range.
    void recordPoses();
    /// Sends the bodies the step threw out of range back to their recorded poses and stops them.
    void stopThrownBodies();
    void stopBody(dBodyID id, const dReal* pose);

    std::shared_ptr<Core> mCore;
    std::unique_ptr<Space> mSpace;
    Ogre::SceneManager* mSceneManager;
    CollisionListener* mListener = nullptr;
    Ogre::Vector3 mGravity = Ogre::Vector3::ZERO;
    bool mWarnedOutOfRange = false;
};

} // namespace tolva::ode
