#include "game/PlaySphere.h"

#include <cmath>

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "game/Game.h"
#include "game/GameControl.h"
#include "game/GameMath.h"
#include "physics/Contact.h"
#include "physics/Physics.h"
#include "physics/Trigger.h"
#include "platform/OdeSphereGeometry.h"
#include "scene/Graphics.h"

namespace tolva {

namespace {

const char* const ThrusterFireName = "PlaySphere Thruster Fire";
const float MaxTorque = 1e30f;

ode::Geometry* createBall()
{
    Physics* physics = PhysicalBase::getPhysicsModule();
    if (!physics) {
        throw IllegalStateException("A play sphere needs the physics module.");
    }
    return physics->createSphereGeometry(1.0f);
}

/// A script that rebuilds its level makes the new sphere before it lets go of the old one.
std::string freeThrusterFireName()
{
    Ogre::SceneManager* scene = Engine::getInstance()->getGraphics()->getSceneManager();
    std::string name = ThrusterFireName;
    for (int number = 2; scene->hasParticleSystem(name); ++number) {
        name = std::string(ThrusterFireName) + " " + std::to_string(number);
    }
    return name;
}

Game* runningGame()
{
    Engine* engine = Engine::getInstance();
    return engine ? dynamic_cast<Game*>(engine->getGame()) : nullptr;
}

} // namespace

PlaySphere::PlaySphere(const std::string& name, const std::string& mesh)
    : MeshObject(name, mesh)
    , mBody(createBall(), 1.0f)
    , mImpactSound("Playsphere Impact Sound", "audio/effects/sphere/impact_universal.ogg")
    , mRollSound("Playsphere Roll Sound", "audio/effects/sphere/roll_universal.ogg", mBody.getBody())
    , mThrusterSound("Playsphere Thruster Sound", "audio/effects/space/thruster/thruster.ogg")
    , mThrusterFire(freeThrusterFireName(), "thruster_fire")
    , mTorqueSmoother(5)
{
    addChildAsBody(&mBody);
    mBody.setCollisionCategory(PhysicalBase::COLL_SPHERE);
    mBody.setCollisionPartners(PhysicalBase::COLL_FIXED | PhysicalBase::COLL_MOVABLE | PhysicalBase::COLL_TRIGGER
        | PhysicalBase::COLL_GRAVITY);

    mImpactSound.setCategory(Sound::CAT_EFFECT);
    mRollSound.setCategory(Sound::CAT_EFFECT);
    mThrusterSound.setCategory(Sound::CAT_EFFECT);

    mImpactSound.setImpactGainScale(5.0f);
    mImpactSound.setBackoff(0.0f);
    mImpactSound.setThreshold(0.01f);
    mImpactSound.setThresholdOverride(0.1f);
    mImpactSound.setReferenceDistance(1.0f);
    mImpactSound.setRolloffFactor(0.5f);

    mRollSound.setLoop(true);
    mRollSound.setMaxGainControl(10.0f);
    mRollSound.setReferenceDistance(1.0f);
    mRollSound.setRolloffFactor(0.5f);
    addChild(&mRollSound);

    mThrusterSound.setLoop(true);
    mThrusterSound.setLoopOffset(8.42907f);

    // The flame must not spin with the rolling ball: redirectThruster turns it in world terms.
    mThrusterFire.getNode()->setInheritOrientation(false);
    addChild(&mThrusterSound);
    addChild(&mThrusterFire);
    setThrusterEnabled(false);

    mBody.eventCollision().connect(
        [this](PhysicalBase* partner, Contact* contact) { collisionCallback(partner, contact); });
}

PlaySphere::~PlaySphere()
{
    // Nothing may keep steering or following a sphere that is gone.
    if (Game* game = runningGame()) {
        if (game->getPlaySphere() == this) {
            game->setPlaySphere(nullptr);
        }
        if (game->getControls()->getPlaySphere() == this) {
            game->getControls()->setPlaySphere(nullptr);
        }
    }
    removeChild(&mThrusterFire);
    removeChild(&mThrusterSound);
    addChildAsBody(nullptr);
}

void PlaySphere::frame(float seconds)
{
    const bool colliding = mCollisionCounter.isColliding();
    if (colliding != mRollSound.isEnabled()) {
        mRollSound.setEnabled(colliding);
    }
    mCollisionCounter.frame();
    if (!mTorqueRequested) {
        addTorque(Ogre::Vector3::ZERO);
    }
    mTorqueRequested = false;
    redirectThruster();
}

void PlaySphere::addTorque(const Ogre::Vector3& torque)
{
    // The smoother applies the sum of the five it holds: each within 1e30 keeps that sum finite.
    if (!(std::fabs(torque.x) <= MaxTorque && std::fabs(torque.y) <= MaxTorque && std::fabs(torque.z) <= MaxTorque)) {
        throw InvalidArgumentException("A play sphere's torque must be finite and within 1e30.");
    }
    mTorqueRequested = true;
    mTorqueSmoother.addVector(torque);
    if (!mEnabled || !mTorqueSmoother.isSmoothedVectorReady()) {
        return;
    }
    const Ogre::Vector3 smoothed = mTorqueSmoother.getVector();
    if (smoothed != Ogre::Vector3::ZERO) {
        mBody.addTorque(smoothed);
    }
}

void PlaySphere::setEnabled(bool enabled)
{
    if (mEnabled && !enabled) {
        setThrusterEnabled(false);
    }
    mEnabled = enabled;
}

void PlaySphere::setThrusterEnabled(bool enabled)
{
    mThrusterFire.setEnabled(enabled);
    if (enabled) {
        mThrusterSound.play();
    } else {
        mThrusterSound.stop();
    }
}

void PlaySphere::collisionCallback(PhysicalBase* partner, Contact* contact)
{
    if (dynamic_cast<Trigger*>(partner)) {
        return;
    }
    mCollisionCounter.collision();
    mImpactSound.collision(partner, contact);
    // The record's own normal points toward whichever object the physics layer named first;
    // turned toward the sphere it is the floor's normal, pointing out of the floor.
    if (Game* game = runningGame()) {
        game->getControls()->setSphereFloorPlaneNormal(contact->getNormalFor(&mBody));
    }
}

void PlaySphere::redirectThruster()
{
    // The shortest turn from +Y onto the direction opposite to the motion.
    const Ogre::Vector3 from = Ogre::Vector3::UNIT_Y;
    const Ogre::Vector3 to = normalisedOrSame(-normalisedOrSame(mBody.getLinearVelocity()));
    const float cosine = from.dotProduct(to);
    Ogre::Quaternion rotation;
    if (cosine >= 1.0f) {
        rotation = Ogre::Quaternion::IDENTITY;
    } else if (cosine < 1e-6f - 1.0f) {
        rotation.FromAngleAxis(Ogre::Radian(Ogre::Math::PI), Ogre::Vector3::UNIT_X.crossProduct(from).normalisedCopy());
    } else {
        const float s = std::sqrt((1.0f + cosine) * 2.0f);
        const Ogre::Vector3 axis = from.crossProduct(to) / s;
        rotation = Ogre::Quaternion(s * 0.5f, axis.x, axis.y, axis.z);
        rotation.normalise();
    }
    mThrusterFire.setOrientation(rotation);
}

} // namespace tolva
