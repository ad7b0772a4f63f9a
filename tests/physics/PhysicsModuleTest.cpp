// The physics module: stepping inside frames, accumulators, the contact filter and dispatch.
#include "PhysicsFixture.h"

#include "core/Exceptions.h"
#include "physics/CollisionListener.h"
#include "physics/Contact.h"
#include "physics/MovableObject.h"
#include "physics/PhysicsListener.h"
#include "physics/PhysicsStepListener.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeBoxMass.h"
#include "platform/OdeCapsuleGeometry.h"
#include "platform/OdeContact.h"
#include "platform/OdeCylinderGeometry.h"
#include "platform/OdeMass.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeSphereMass.h"
#include "platform/OdeTriangleMeshGeometry.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace tolva;
using tolva::test::PhysicsFixture;

namespace {

class PhysicsModule : public PhysicsFixture {
protected:
    std::unique_ptr<SinglePhysical> makeGround()
    {
        auto ground = std::make_unique<SinglePhysical>(mPhysics->createBoxGeometry(Ogre::Vector3(20, 1, 20)));
        ground->setPosition(Ogre::Vector3(0, -0.5f, 0));
        ground->setCollisionCategory(PhysicalBase::COLL_FIXED);
        return ground;
    }

    std::unique_ptr<MovableObject> makeBall(const Ogre::Vector3& position, float mass = 1.0f)
    {
        auto ball = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), mass);
        ball->setPosition(position);
        return ball;
    }
};

struct RecordingListener : CollisionListener {
    std::vector<std::string>* log;
    std::string name;
    RecordingListener(std::vector<std::string>* log, std::string name)
        : log(log)
        , name(std::move(name))
    {
    }
    void collision(PhysicalBase*, Contact*) override { log->push_back(name); }
};

} // namespace

TEST_F(PhysicsModule, SphereDroppedOntoStaticBoxComesToRest)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    auto ground = makeGround();
    auto ball = makeBall(Ogre::Vector3(0, 3, 0));
    frames(400, 0.01f);
    EXPECT_NEAR(0.5f, ball->getPosition().y, 0.05f);
    EXPECT_LT(ball->getLinearVelocity().length(), 0.05f);
}

TEST_F(PhysicsModule, MovableRollsUnderTorque)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    mPhysics->setFriction(5.0f);
    auto ground = makeGround();
    auto ball = makeBall(Ogre::Vector3(0, 0.5f, 0));
    frames(50, 0.01f);
    for (int i = 0; i < 100; ++i) {
        // A torque about -Z rolls the ball towards +X.
        ball->addTorque(Ogre::Vector3(0, 0, -2));
        frame(0.01f);
    }
    EXPECT_GT(ball->getPosition().x, 0.3f);
    EXPECT_GT(ball->getLinearVelocity().x, 0.1f);
    EXPECT_NEAR(0.5f, ball->getPosition().y, 0.05f);
}

namespace {

// No gravity, no contacts: velocities show exactly which steps a force acted in.
struct StepRate {
    float frameSeconds;
};

class SubSteps : public PhysicsFixture, public ::testing::WithParamInterface<float> { };

} // namespace

TEST_P(SubSteps, ImpulseActsOnceAndForceInEveryStepOfItsFrame)
{
    const float seconds = GetParam();
    auto ball = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 2.0f);
    ball->setCollisionPartners(0);
    // Impulse: whatever the frame rate, it changes the velocity by impulse / mass, once.
    ball->addImpulse(Ogre::Vector3(4, 0, 0));
    int framesUntilStep = 0;
    do {
        frame(seconds);
        ++framesUntilStep;
        if (!mPhysics->hasStepped()) {
            EXPECT_EQ(Ogre::Vector3(4, 0, 0), ball->getImpulse()) << "kept until a step takes it";
        }
    } while (!mPhysics->hasStepped() && framesUntilStep < 10);
    EXPECT_EQ(Ogre::Vector3::ZERO, ball->getImpulse());
    EXPECT_NEAR(2.0f, ball->getLinearVelocity().x, 1e-4f);
    frames(20, seconds);
    EXPECT_NEAR(2.0f, ball->getLinearVelocity().x, 1e-4f);

    // Force: added every frame, acts during each step of that frame; after the frame it is gone.
    unsigned int steps = 0;
    for (int i = 0; i < 30; ++i) {
        ball->addForce(Ogre::Vector3(0, 2, 0));
        ball->addTorque(Ogre::Vector3(0, 0, 1));
        frame(seconds);
        steps += mPhysics->getSubStepCount();
        EXPECT_EQ(Ogre::Vector3::ZERO, ball->getForce());
        EXPECT_EQ(Ogre::Vector3::ZERO, ball->getTorque());
    }
    EXPECT_NEAR(steps * 0.01f * 2.0f / 2.0f, ball->getLinearVelocity().y, 1e-4f);
    EXPECT_GT(ball->getAngularVelocity().z, 0.0f);
    // 30 frames at this rate hold about 30 * seconds / 0.01 steps.
    EXPECT_NEAR(30 * seconds / 0.01f, float(steps), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, SubSteps, ::testing::Values(1.0f / 30, 1.0f / 100, 1.0f / 250));

TEST_F(PhysicsModule, ThreeStepsInOneFrameApplyTheImpulseOnlyInTheFirst)
{
    auto ball = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    ball->addImpulse(Ogre::Vector3(1, 0, 0));
    ball->addForce(Ogre::Vector3(0, 1, 0));
    frame(0.03f);
    EXPECT_EQ(3u, mPhysics->getSubStepCount());
    EXPECT_NEAR(1.0f, ball->getLinearVelocity().x, 1e-4f);
    EXPECT_NEAR(0.03f, ball->getLinearVelocity().y, 1e-4f);
}

TEST_F(PhysicsModule, FrameWithoutStepDispatchesNothingAndClearsForces)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    auto ground = makeGround();
    auto ball = makeBall(Ogre::Vector3(0, 0.5f, 0));
    int collisions = 0;
    ball->eventCollision().connect([&](PhysicalBase*, Contact*) { ++collisions; });
    frame(0.01f);
    EXPECT_TRUE(mPhysics->hasStepped());
    EXPECT_GT(collisions, 0);
    collisions = 0;
    ball->addForce(Ogre::Vector3(1, 0, 0));
    frame(0.001f);
    EXPECT_FALSE(mPhysics->hasStepped());
    EXPECT_EQ(0, collisions);
    EXPECT_EQ(0u, mPhysics->getContactCount());
    EXPECT_EQ(Ogre::Vector3::ZERO, ball->getForce());
}

TEST_F(PhysicsModule, StepSizesTimeScalesAndIntervalsThatCannotBeSimulatedAreRefused)
{
    for (float size : {0.0f, -1.0f, 1e-9f, 1e-45f, std::numeric_limits<float>::infinity()}) {
        EXPECT_THROW(mPhysics->setStepSize(size), InvalidArgumentException) << size;
    }
    for (float scale : {-1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_THROW(mPhysics->setTimeScale(scale), InvalidArgumentException) << scale;
        EXPECT_THROW(mPhysics->setMaxInterval(scale), InvalidArgumentException) << scale;
    }
    EXPECT_FLOAT_EQ(1.0f, mPhysics->getTimeScale());
    EXPECT_FLOAT_EQ(0.01f, mPhysics->getStepSize());
    frame(0.02f);
    EXPECT_EQ(2u, mPhysics->getSubStepCount());
    EXPECT_THROW(Physics(0.0f, 0.1f), InvalidArgumentException);
    EXPECT_EQ(Ogre::Vector3(100, 0, 0), mPhysics->impulseToForce(Ogre::Vector3(1, 0, 0)));
}

namespace {

// Calls the module's contact filter with a hand-made contact between two objects.
struct FilterCase {
    dContact raw{};
    std::unique_ptr<ode::Contact> contact;
    FilterCase(PhysicalBase& first, PhysicalBase& second)
    {
        raw.geom.normal[1] = 1;
        contact = std::make_unique<ode::Contact>(raw, first.getGeometry(0), second.getGeometry(0));
    }
};

} // namespace

TEST_F(PhysicsModule, ContactFilterTable)
{
    auto a = makeBall(Ogre::Vector3(0, 0, 0));
    auto b = makeBall(Ogre::Vector3(0, 0, 0));
    SinglePhysical trigger(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    trigger.setSolid(false);

    {
        FilterCase c(*a, *b);
        EXPECT_TRUE(mPhysics->collision(c.contact.get()));
        EXPECT_EQ(ode::Contact::UNIDIRECTIONAL_NONE, c.contact->getUnidirectionality());
        EXPECT_EQ(1u, mPhysics->getContactCount());
    }
    a->setUnidirectional(true);
    {
        FilterCase c(*a, *b);
        EXPECT_TRUE(mPhysics->collision(c.contact.get()));
        EXPECT_EQ(ode::Contact::UNIDIRECTIONAL_FIRST, c.contact->getUnidirectionality());
        FilterCase d(*b, *a);
        EXPECT_TRUE(mPhysics->collision(d.contact.get()));
        EXPECT_EQ(ode::Contact::UNIDIRECTIONAL_SECOND, d.contact->getUnidirectionality());
    }
    b->setUnidirectional(true);
    {
        FilterCase c(*a, *b);
        EXPECT_TRUE(mPhysics->collision(c.contact.get()));
        EXPECT_EQ(ode::Contact::UNIDIRECTIONAL_NONE, c.contact->getUnidirectionality());
    }
    {
        // Not solid: recorded (dispatched later) but it does not act.
        FilterCase c(*a, trigger);
        const size_t before = mPhysics->getContactCount();
        EXPECT_FALSE(mPhysics->collision(c.contact.get()));
        EXPECT_EQ(before + 1, mPhysics->getContactCount());
    }
    {
        // Not collidable: acts, but is neither recorded nor dispatched.
        b->setCollidable(false);
        FilterCase c(*a, *b);
        const size_t before = mPhysics->getContactCount();
        EXPECT_TRUE(mPhysics->collision(c.contact.get()));
        EXPECT_EQ(before, mPhysics->getContactCount());
        b->setCollidable(true);
    }
    {
        // A geometry without a physical object.
        ode::BoxGeometry bare(Ogre::Vector3(1, 1, 1));
        dContact raw{};
        raw.geom.normal[1] = 1;
        ode::Contact c(raw, a->getGeometry(0), &bare);
        const size_t before = mPhysics->getContactCount();
        EXPECT_TRUE(mPhysics->collision(&c));
        EXPECT_EQ(before, mPhysics->getContactCount());
    }
    {
        // Friction applies to contacts made after the change.
        FilterCase before(*a, *b);
        mPhysics->collision(before.contact.get());
        EXPECT_TRUE(std::isinf(before.contact->getCoulombFriction()));
        mPhysics->setFriction(0.5f);
        FilterCase after(*a, *b);
        mPhysics->collision(after.contact.get());
        EXPECT_FLOAT_EQ(0.5f, after.contact->getCoulombFriction());
    }
}

TEST_F(PhysicsModule, DegenerateContactsAreRecordedWithAFiniteNormalButNeverConstrain)
{
    auto a = makeBall(Ogre::Vector3(0, 0, 0));
    auto b = makeBall(Ogre::Vector3(0, 0, 0));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Ogre::Vector3& normal : {Ogre::Vector3::ZERO, Ogre::Vector3(nan, 0, 0), Ogre::Vector3(0, INFINITY, 0)}) {
        FilterCase c(*a, *b);
        c.raw.geom.normal[0] = normal.x;
        c.raw.geom.normal[1] = normal.y;
        c.raw.geom.normal[2] = normal.z;
        const size_t before = mPhysics->getContactCount();
        EXPECT_FALSE(mPhysics->collision(c.contact.get())) << normal;
        ASSERT_EQ(before + 1, mPhysics->getContactCount());
        EXPECT_EQ(Ogre::Vector3::ZERO, mPhysics->getContact(before)->normal) << normal;
    }
}

TEST_F(PhysicsModule, ASphereCentredOnACylinderStepsOnWithFiniteNormalsAndBodies)
{
    auto ball = makeBall(Ogre::Vector3::ZERO);
    auto cylinder = std::make_unique<MovableObject>(mPhysics->createCylinderGeometry(0.5f, 2.0f), 1.0f);
    std::vector<Ogre::Vector3> normals;
    ball->eventCollision().connect([&](PhysicalBase*, Contact* contact) { normals.push_back(contact->normal); });
    frames(10, 0.02f);
    ASSERT_FALSE(normals.empty());
    for (const Ogre::Vector3& normal : normals) {
        EXPECT_TRUE(ode::isFinite(normal)) << normal;
    }
    EXPECT_TRUE(ode::isFinite(ball->getPosition()));
    EXPECT_TRUE(ode::isFinite(cylinder->getPosition()));
}

TEST_F(PhysicsModule, DispatchReachesFirstThenSecondObjectSignalBeforeListeners)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    auto ground = makeGround();
    auto ball = makeBall(Ogre::Vector3(0, 0.5f, 0));
    std::vector<std::string> log;
    ball->eventCollision().connect([&](PhysicalBase* partner, Contact* contact) {
        log.push_back(partner == ground.get() ? "ball signal" : "?");
        // The normal as seen from the ball points up, away from the ground, whatever the order.
        EXPECT_GT(contact->getNormalFor(ball.get()).y, 0.9f);
        EXPECT_LT(contact->getNormalFor(ground.get()).y, -0.9f);
    });
    ground->eventCollision().connect(
        [&](PhysicalBase* partner, Contact*) { log.push_back(partner == ball.get() ? "ground signal" : "?"); });
    RecordingListener ballListener(&log, "ball listener");
    RecordingListener groundListener(&log, "ground listener");
    std::unique_ptr<Connection<CollisionListener>> c1(
        ball->eventPhysicalCollision(ground.get()).connect(&ballListener));
    std::unique_ptr<Connection<CollisionListener>> c2(
        ground->eventPhysicalCollision(ball.get()).connect(&groundListener));
    frame(0.01f);
    ASSERT_GE(mPhysics->getContactCount(), 1u);
    ASSERT_EQ(4u * mPhysics->getContactCount(), log.size());
    const Contact* first = mPhysics->getContact(0);
    const bool ballFirst = first->firstPhysical == ball.get();
    const std::vector<std::string> expected = ballFirst
        ? std::vector<std::string>{"ball signal", "ball listener", "ground signal", "ground listener"}
        : std::vector<std::string>{"ground signal", "ground listener", "ball signal", "ball listener"};
    EXPECT_EQ(expected, std::vector<std::string>(log.begin(), log.begin() + 4));
}

TEST_F(PhysicsModule, ObjectDestroyedInACollisionSlotIsNotReachedAgain)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    auto ground = makeGround();
    // A box rests on four corners: several contacts of the same pair in one frame.
    auto crate = std::make_unique<MovableObject>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)), 1.0f);
    crate->setPosition(Ogre::Vector3(0, 0.5f, 0));
    frames(5, 0.01f);
    int calls = 0;
    ground->eventCollision().connect([&](PhysicalBase* partner, Contact*) {
        ++calls;
        if (partner == crate.get()) {
            crate.reset();
        }
    });
    frame(0.01f);
    EXPECT_EQ(1, calls);
    EXPECT_EQ(nullptr, crate);
    for (size_t i = 0; i < mPhysics->getContactCount(); ++i) {
        EXPECT_FALSE(mPhysics->getContact(i)->isValid());
    }
    frames(3, 0.01f);
}

namespace {

/// Runs the action at the start of the given step (counting from 1; 0 for never).
struct StepAction : PhysicsStepListener {
    int at;
    std::function<void()> action;
    int steps = 0;
    StepAction(int at, std::function<void()> action)
        : at(at)
        , action(std::move(action))
    {
    }
    void physicsStep(float) override
    {
        if (++steps == at) {
            action();
        }
    }
};

} // namespace

TEST_F(PhysicsModule, AnObjectThatStartsListeningDuringAFrameHearsTheContactsDispatchedAfter)
{
    // Two balls at rest on the ground, two steps or more a frame. The right ball starts listening
    // in the frame's second step, or in the left ball's slot while the frame's contacts are
    // dispatched; it must hear every contact of its own that is dispatched after that.
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    for (const bool inSlot : {false, true}) {
        SCOPED_TRACE(inSlot ? "in a slot" : "in a step");
        auto ground = makeGround();
        auto left = makeBall(Ogre::Vector3(-2, 0.5f, 0));
        auto right = makeBall(Ogre::Vector3(2, 0.5f, 0));
        frames(5, 0.01f);
        std::vector<const Contact*> heard;
        const Contact* startedAt = nullptr;
        const auto listen = [&] {
            right->eventCollision().connect([&](PhysicalBase*, Contact* contact) { heard.push_back(contact); });
        };
        StepAction step(inSlot ? 0 : 2, listen);
        mPhysics->addStepListener(&step);
        left->eventCollision().connect([&](PhysicalBase*, Contact* contact) {
            if (inSlot && !startedAt) {
                startedAt = contact;
                listen();
            }
        });
        frame(0.025f);
        mPhysics->removeStepListener(&step);
        ASSERT_GE(mPhysics->getSubStepCount(), 2u);
        std::vector<const Contact*> expected;
        bool after = !inSlot;
        for (size_t i = 0; i < mPhysics->getContactCount(); ++i) {
            const Contact* contact = mPhysics->getContact(i);
            if (after && (contact->firstPhysical == right.get() || contact->secondPhysical == right.get())) {
                expected.push_back(contact);
            }
            after = after || contact == startedAt;
        }
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(expected, heard);
        // The records tell the movables apart as long as both sides are there.
        const Contact* resting = expected.empty() ? nullptr : expected.back();
        if (resting) {
            EXPECT_EQ(right.get(),
                resting->firstPhysical == right.get() ? resting->getFirstMovable() : resting->getSecondMovable());
            EXPECT_FALSE(resting->isBetweenMovables());
        }
        right.reset();
        if (resting) {
            EXPECT_EQ(nullptr, resting->getFirstMovable());
            EXPECT_EQ(nullptr, resting->getSecondMovable());
        }
    }
}

namespace {

struct CountingPhysicsListener : PhysicsListener {
    int pre = 0, post = 0;
    std::function<void()> onPre;
    void prePhysicsFrame() override
    {
        ++pre;
        if (onPre) {
            onPre();
        }
    }
    void postPhysicsFrame() override { ++post; }
};

} // namespace

TEST_F(PhysicsModule, ListenersJoiningOrLeavingDuringAFrameAreSafe)
{
    CountingPhysicsListener first, second, joiner;
    mPhysics->addPhysicsListener(&first);
    mPhysics->addPhysicsListener(&second);
    first.onPre = [&] {
        mPhysics->removePhysicsListener(&second);
        mPhysics->addPhysicsListener(&joiner);
    };
    frame(0.01f);
    EXPECT_EQ(1, first.pre);
    EXPECT_EQ(0, second.pre);
    EXPECT_EQ(0, joiner.pre);
    EXPECT_EQ(1, joiner.post);
    first.onPre = nullptr;
    mPhysics->addPhysicsListener(&first);
    mPhysics->removePhysicsListener(&second);
    frame(0.01f);
    EXPECT_EQ(2, first.pre);
    EXPECT_EQ(1, joiner.pre);
}

TEST_F(PhysicsModule, MassCreationByType)
{
    SinglePhysical owner(mPhysics->createSphereGeometry(0.5f));
    owner.setPosition(Ogre::Vector3(10, 0, 0));
    std::unique_ptr<ode::Mass> autoSphere(mPhysics->createMass(owner.getGeometry(0), 2.0f));
    // The sphere's own radius, not the far corner of its world bounding box.
    const ode::SphereMass expected(2.0f, 0.5f);
    EXPECT_NEAR(expected.getOdeMass().I[0], autoSphere->getOdeMass().I[0], 1e-6);
    EXPECT_NE(nullptr, dynamic_cast<ode::SphereMass*>(autoSphere.get()));

    SinglePhysical capsule(mPhysics->createCapsuleGeometry(0.5f, 1.0f));
    std::unique_ptr<ode::Mass> plain(mPhysics->createMass(capsule.getGeometry(0), 3.0f));
    EXPECT_EQ(typeid(ode::Mass), typeid(*plain));
    EXPECT_FLOAT_EQ(3.0f, plain->getMassValue());
    EXPECT_EQ(nullptr, mPhysics->createMass(capsule.getGeometry(0), 1.0f, 6));
    ode::SphereGeometry orphan(1.0f);
    EXPECT_THROW(mPhysics->createMass(&orphan), InvalidArgumentException);
}

TEST_F(PhysicsModule, MovableMassTypesAndInvalidMasses)
{
    auto ball = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 5.0f);
    EXPECT_EQ(Physics::MASS_SPHERE, ball->getMassType());
    ball->setMassType(Physics::MASS_BOX);
    EXPECT_EQ(Physics::MASS_BOX, ball->getMassType());
    ode::Mass* box = ball->getMass();
    EXPECT_FLOAT_EQ(5.0f, ball->getBody()->getMassValue());
    ball->setMassType(Physics::MASS_BOX);
    EXPECT_EQ(box, ball->getMass());
    ball->setMassValue(3.0f);
    EXPECT_FLOAT_EQ(3.0f, ball->getMass()->getMassValue());
    EXPECT_FLOAT_EQ(5.0f, ball->getBody()->getMassValue());
    ball->setMass(nullptr);
    EXPECT_EQ(box, ball->getMass());
    // An off-centre description does not bring the game down.
    ball->translateMass(Ogre::Vector3(0, 1, 0));
    ball->setMass(ball->getMass());
    EXPECT_FLOAT_EQ(3.0f, ball->getBody()->getMassValue());
    // A zero mass is refused by the body, which keeps its mass.
    ball->setMass(new ode::SphereMass(0.0f, 1.0f));
    EXPECT_FLOAT_EQ(3.0f, ball->getBody()->getMassValue());
    EXPECT_EQ(box, ball->getMass()) << "a mass the body refused is not adopted";
    EXPECT_FLOAT_EQ(3.0f, ball->getMassValue());
    ball->setMassType(Physics::MASS);
    EXPECT_EQ(Physics::MASS, ball->getMassType());
    EXPECT_FALSE(ball->setGeometry(1, nullptr));
}

TEST_F(PhysicsModule, DampingAndVelocityLimits)
{
    auto free = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    auto damped = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    free->setCollisionPartners(0);
    damped->setCollisionPartners(0);
    damped->setPosition(Ogre::Vector3(10, 0, 0));
    free->setLinearVelocity(Ogre::Vector3(1, 0, 0));
    damped->setLinearVelocity(Ogre::Vector3(1, 0, 0));
    damped->setLinearDamping(0.1f);
    frames(10, 0.01f);
    EXPECT_NEAR(1.0f, free->getLinearVelocity().x, 1e-5f);
    EXPECT_LT(damped->getLinearVelocity().x, 0.5f);

    free->setAngularVelocityMax(2.0f);
    EXPECT_FLOAT_EQ(2.0f, free->getAngularVelocityMax());
    free->setAngularVelocity(Ogre::Vector3(0, 10, 0));
    frame(0.01f);
    EXPECT_NEAR(2.0f, free->getAngularVelocity().length(), 1e-3f);

    free->setAngularDamping(0.5f);
    frames(5, 0.01f);
    EXPECT_LT(free->getAngularVelocity().length(), 0.5f);
}

TEST_F(PhysicsModule, BodyEnabledState)
{
    auto ball = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    ball->getBody()->addForce(Ogre::Vector3(1, 0, 0));
    ball->setBodyEnabled(true);
    EXPECT_EQ(Ogre::Vector3(1, 0, 0), ball->getBody()->getForce());
    ball->setBodyEnabled(false);
    EXPECT_FALSE(ball->isBodyEnabled());
    ball->setBodyEnabled(true);
    EXPECT_TRUE(ball->isBodyEnabled());
    EXPECT_EQ(Ogre::Vector3::ZERO, ball->getBody()->getForce());
}

TEST_F(PhysicsModule, ObjectDestroyingItselfInItsOwnCollisionSlot)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    auto ground = makeGround();
    auto item = std::make_unique<MovableObject>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)), 1.0f);
    item->setPosition(Ogre::Vector3(0, 0.5f, 0));
    int calls = 0;
    // A picked-up item removes itself when touched.
    item->eventCollision().connect([&](PhysicalBase*, Contact*) {
        ++calls;
        item.reset();
    });
    int groundCalls = 0;
    ground->eventCollision().connect([&](PhysicalBase*, Contact*) { ++groundCalls; });
    frame(0.01f);
    EXPECT_EQ(nullptr, item);
    EXPECT_EQ(1, calls);
    EXPECT_LE(groundCalls, 1);
    frames(2, 0.01f);
}

TEST_F(PhysicsModule, UnidirectionalMovableIsPushedButPushesNothingBack)
{
    auto pusher = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    auto pushed = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    pusher->setPosition(Ogre::Vector3(-2, 0, 0));
    pusher->setLinearVelocity(Ogre::Vector3(4, 0, 0));
    pushed->setUnidirectional(true);
    frames(60, 0.01f);
    EXPECT_NEAR(4.0f, pusher->getLinearVelocity().x, 1e-3f) << "nothing pushed back";
    EXPECT_GT(pushed->getPosition().x, 0.5f) << "the unidirectional one was pushed";
}

TEST_F(PhysicsModule, AutomaticCylinderMassUsesTheWholeLength)
{
    SinglePhysical owner(mPhysics->createCylinderGeometry(0.5f, 2.0f));
    owner.setPosition(Ogre::Vector3(0, 0, 20));
    std::unique_ptr<ode::Mass> automatic(mPhysics->createMass(owner.getGeometry(0), 1.0f));
    std::unique_ptr<ode::Mass> expected(
        mPhysics->createMass(owner.getGeometry(0), 1.0f, Physics::MASS_CYLINDER, 0.5f, 0, 2.0f));
    for (int i : {0, 5, 10}) {
        EXPECT_NEAR(expected->getOdeMass().I[i], automatic->getOdeMass().I[i], 1e-6);
    }
}

TEST_F(PhysicsModule, TriangleMeshOfASubMeshThatDoesNotExistIsRefused)
{
    auto buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
    Ogre::MaterialManager::getSingleton().initialise();
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createPlane("floor",
        Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, Ogre::Plane(Ogre::Vector3::UNIT_Y, 0), 10, 10, 1, 1,
        true, 1, 1, 1, Ogre::Vector3::UNIT_Z);
    Ogre::Entity* entity = mSceneManager->createEntity(mesh);
    EXPECT_THROW(mPhysics->createTriangleMeshGeometry(entity, Ogre::Vector3::UNIT_SCALE, 3), InvalidArgumentException);
    std::unique_ptr<ode::TriangleMeshGeometry> whole(
        mPhysics->createTriangleMeshGeometry(entity, Ogre::Vector3::UNIT_SCALE, -1));
    EXPECT_EQ(2u, whole->getTriangleCount());
    mSceneManager->destroyEntity(entity);
    Ogre::MeshManager::getSingleton().remove(mesh->getHandle());
}
