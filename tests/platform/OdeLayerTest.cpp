// The ODE layer on its own: stepping, contacts, unidirectional contacts, bad arguments.
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeBoxMass.h"
#include "platform/OdeCapsuleGeometry.h"
#include "platform/OdeCollisionListener.h"
#include "platform/OdeContact.h"
#include "platform/OdeCylinderGeometry.h"
#include "platform/OdeExactVariableStepHandler.h"
#include "platform/OdeFixedJoint.h"
#include "platform/OdeHingeJoint.h"
#include "platform/OdeMass.h"
#include "platform/OdeRayGeometry.h"
#include "platform/OdeSpace.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeSphereMass.h"
#include "platform/OdeStepListener.h"
#include "platform/OdeTransformGeometry.h"
#include "platform/OdeWorld.h"

#include "core/Exceptions.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace tolva;
using namespace tolva::ode;

namespace {

struct RecordingStepListener : StepListener {
    std::vector<std::string> calls;
    bool preStep(float) override
    {
        calls.push_back("pre");
        return true;
    }
    bool middleStep(float) override
    {
        calls.push_back("middle");
        return true;
    }
    bool postStep(float) override
    {
        calls.push_back("post");
        return true;
    }
};

struct FunctionListener : CollisionListener {
    std::function<bool(Contact*)> onContact = [](Contact*) { return true; };
    int count = 0;
    bool collision(Contact* contact) override
    {
        ++count;
        return onContact(contact);
    }
};

} // namespace

TEST(OdeStepHandler, TakesWholeStepsAndCarriesTheRemainder)
{
    World world;
    ExactVariableStepHandler handler(&world, ExactVariableStepHandler::STEP_QUICK, 0.01f, 1.0f / 30, 1.0f);
    RecordingStepListener listener;
    handler.setStepListener(&listener);
    EXPECT_FALSE(handler.step(0.005f));
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_TRUE(handler.step(0.005f));
    EXPECT_EQ((std::vector<std::string>{"pre", "middle", "post"}), listener.calls);
    listener.calls.clear();
    // A long frame counts as the maximum interval only: three steps, not ten.
    EXPECT_TRUE(handler.step(0.1f));
    EXPECT_EQ(9u, listener.calls.size());
}

TEST(OdeStepHandler, OneStepPerFrameAtTheStepRate)
{
    World world;
    ExactVariableStepHandler handler(&world, ExactVariableStepHandler::STEP_QUICK, 0.01f, 1.0f / 30, 1.0f);
    RecordingStepListener listener;
    handler.setStepListener(&listener);
    for (int frame = 0; frame < 500; ++frame) {
        ASSERT_TRUE(handler.step(0.01f)) << "frame " << frame;
    }
    EXPECT_EQ(1500u, listener.calls.size());
}

TEST(OdeStepHandler, RefusesAStepSizeThatWouldNeverEndAFrame)
{
    World world;
    EXPECT_THROW(ExactVariableStepHandler(&world, 1, 0.0f, 1.0f / 30, 1.0f), InvalidArgumentException);
    EXPECT_THROW(ExactVariableStepHandler(&world, 1, -0.01f, 1.0f / 30, 1.0f), InvalidArgumentException);
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    EXPECT_THROW(handler.setStepSize(0.0f), InvalidArgumentException);
    EXPECT_FLOAT_EQ(0.01f, handler.getStepSize());
    EXPECT_TRUE(handler.step(0.02f));
}

TEST(OdeWorld, SphereDroppedOntoBoxComesToRest)
{
    World world;
    world.setGravity(Ogre::Vector3(0, -9.81f, 0));
    FunctionListener listener;
    world.setCollisionListener(&listener);
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);

    BoxGeometry ground(Ogre::Vector3(10, 1, 10), world.getDefaultSpace());
    ground.setPosition(Ogre::Vector3(0, -0.5f, 0));
    Body body(&world);
    SphereGeometry ball(0.5f, world.getDefaultSpace());
    ball.setBody(&body);
    ASSERT_TRUE(body.setMass(SphereMass(1.0f, 0.5f)));
    body.setPosition(Ogre::Vector3(0, 3, 0));

    for (int i = 0; i < 300; ++i) {
        handler.step(0.01f);
    }
    EXPECT_GT(listener.count, 0);
    EXPECT_NEAR(0.5f, body.getPosition().y, 0.05f);
    EXPECT_LT(body.getLinearVelocity().length(), 0.05f);
}

TEST(OdeWorld, RejectedContactsLetBodiesPass)
{
    World world;
    world.setGravity(Ogre::Vector3(0, -9.81f, 0));
    FunctionListener listener;
    listener.onContact = [](Contact*) { return false; };
    world.setCollisionListener(&listener);
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    BoxGeometry ground(Ogre::Vector3(10, 1, 10), world.getDefaultSpace());
    ground.setPosition(Ogre::Vector3(0, -0.5f, 0));
    Body body(&world);
    SphereGeometry ball(0.5f, world.getDefaultSpace());
    ball.setBody(&body);
    body.setPosition(Ogre::Vector3(0, 1, 0));
    for (int i = 0; i < 100; ++i) {
        handler.step(0.01f);
    }
    EXPECT_GT(listener.count, 0);
    EXPECT_LT(body.getPosition().y, -1.0f);
}

TEST(OdeWorld, CategoryAndCollisionBitsDecideWhichPairsAreTested)
{
    World world;
    FunctionListener listener;
    world.setCollisionListener(&listener);
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    SphereGeometry a(1.0f, world.getDefaultSpace());
    BoxGeometry b(Ogre::Vector3(1, 1, 1), world.getDefaultSpace());
    a.setCategoryBitfield(2);
    a.setCollisionBitfield(19);
    b.setCategoryBitfield(8);
    b.setCollisionBitfield(16);
    handler.step(0.01f);
    EXPECT_EQ(0, listener.count);
    // Either side's partner bits suffice.
    a.setCategoryBitfield(16);
    handler.step(0.01f);
    EXPECT_GT(listener.count, 0);
}

namespace {

// Sphere "mover" heading at 5 m/s for "target" at rest, without gravity; the listener marks one
// of them as the only body that feels their contacts.
struct HeadOn {
    World world;
    FunctionListener listener;
    ExactVariableStepHandler handler{&world, 1, 0.01f, 1.0f / 30, 1.0f};
    Body moverBody{&world};
    Body targetBody{&world};
    SphereGeometry mover{0.5f, world.getDefaultSpace()};
    SphereGeometry target{0.5f, world.getDefaultSpace()};

    explicit HeadOn(Geometry* feeling)
    {
        world.setCollisionListener(&listener);
        mover.setBody(&moverBody);
        target.setBody(&targetBody);
        moverBody.setPosition(Ogre::Vector3(-2, 0, 0));
        targetBody.setPosition(Ogre::Vector3(0, 0, 0));
        moverBody.setLinearVelocity(Ogre::Vector3(5, 0, 0));
        listener.onContact = [feeling](Contact* contact) {
            if (feeling == contact->getFirstGeometry()) {
                contact->setUnidirectionality(Contact::UNIDIRECTIONAL_FIRST);
            } else if (feeling == contact->getSecondGeometry()) {
                contact->setUnidirectionality(Contact::UNIDIRECTIONAL_SECOND);
            }
            return true;
        };
        for (int i = 0; i < 100; ++i) {
            handler.step(0.01f);
        }
    }
};

} // namespace

TEST(OdeUnidirectionalContact, OnlyTheUnidirectionalBodyIsPushed)
{
    {
        // The mover alone feels the contact: it is stopped, and pushes nothing.
        HeadOn scene(&scene.mover);
        EXPECT_GT(scene.listener.count, 0);
        EXPECT_LT(scene.moverBody.getLinearVelocity().x, 0.5f);
        EXPECT_NEAR(0.0f, scene.targetBody.getLinearVelocity().length(), 1e-4f);
        EXPECT_NEAR(0.0f, scene.targetBody.getPosition().x, 1e-4f);
    }
    {
        // The target alone feels it: it is pushed away, the mover keeps its speed.
        HeadOn scene(&scene.target);
        EXPECT_NEAR(5.0f, scene.moverBody.getLinearVelocity().x, 1e-3f);
        EXPECT_GT(scene.targetBody.getPosition().x, 0.5f);
    }
    {
        // Neither: both react.
        HeadOn scene(nullptr);
        EXPECT_LT(scene.moverBody.getLinearVelocity().x, 4.0f);
        EXPECT_GT(scene.targetBody.getLinearVelocity().x, 0.5f);
    }
}

TEST(OdeGeometry, OneOffCollisionTestCreatesNoConstraint)
{
    World world;
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    Body body(&world);
    SphereGeometry ball(0.5f, world.getDefaultSpace());
    ball.setBody(&body);
    BoxGeometry box(Ogre::Vector3(1, 1, 1), world.getDefaultSpace());
    body.setLinearVelocity(Ogre::Vector3(0, 1, 0));
    FunctionListener probe;
    EXPECT_GT(ball.collide(&box, &probe), 0);
    EXPECT_GT(probe.count, 0);
    box.disable();
    EXPECT_EQ(0, ball.collide(&box, &probe));
    box.enable();
    // The probe accepted its contacts; had they become constraints, the next step would push the
    // ball even though the step's own pass rejects every contact.
    FunctionListener none;
    none.onContact = [](Contact*) { return false; };
    world.setCollisionListener(&none);
    handler.step(0.01f);
    EXPECT_NEAR(1.0f, body.getLinearVelocity().y, 1e-4f);
}

template <typename RoundShape>
void checkRoundGeometry(const std::string& name)
{
    std::string capitalised = name;
    capitalised[0] = char(std::toupper(static_cast<unsigned char>(capitalised[0])));
    try {
        RoundShape bad(1.0f, std::numeric_limits<float>::infinity());
        ADD_FAILURE() << name << " with an infinite length was accepted";
    } catch (const InvalidArgumentException& e) {
        EXPECT_EQ(capitalised + " geometry radius and length must be finite, not negative and within 1e15.",
            std::string(e.what()));
    }

    RoundShape shape(0.5f, 2.0f);
    EXPECT_FLOAT_EQ(0.5f, shape.getRadius());
    EXPECT_FLOAT_EQ(2.0f, shape.getLength());
    shape.setScale(Ogre::Vector3(2, 3, 4)); // radius follows the larger of X and Y
    EXPECT_FLOAT_EQ(1.5f, shape.getRadius());
    EXPECT_FLOAT_EQ(8.0f, shape.getLength());
    shape.setDefinition(1.0f, 1.0f); // unscaled values, the scale still applies
    EXPECT_FLOAT_EQ(3.0f, shape.getRadius());
    EXPECT_FLOAT_EQ(4.0f, shape.getLength());
    EXPECT_THROW(shape.setDefinition(-1.0f, 1.0f), InvalidArgumentException);
    // Within range unscaled, beyond it once scaled.
    EXPECT_THROW(shape.setDefinition(1.0f, 1e15f), InvalidArgumentException);
    EXPECT_THROW(shape.setScale(Ogre::Vector3(1, 1, 2e15f)), InvalidArgumentException);
    EXPECT_FLOAT_EQ(3.0f, shape.getRadius());
    EXPECT_FLOAT_EQ(4.0f, shape.getLength());
}

TEST(OdeGeometry, CapsulesAndCylindersScaleAndRefuseBadSizesAlike)
{
    checkRoundGeometry<CapsuleGeometry>("capsule");
    checkRoundGeometry<CylinderGeometry>("cylinder");
}

TEST(OdeGeometry, BadSizesThrowInsteadOfAborting)
{
    EXPECT_THROW(BoxGeometry(Ogre::Vector3(-1, 1, 1)), InvalidArgumentException);
    EXPECT_THROW(SphereGeometry(-0.5f), InvalidArgumentException);
    EXPECT_THROW(CylinderGeometry(1.0f, -1.0f), InvalidArgumentException);
    EXPECT_THROW(CapsuleGeometry(-1.0f, 1.0f), InvalidArgumentException);
    EXPECT_THROW(RayGeometry(-1.0f), InvalidArgumentException);
    const float huge = 1e30f;
    EXPECT_THROW(BoxGeometry(Ogre::Vector3(huge, 1, 1)), InvalidArgumentException);
    EXPECT_THROW(SphereGeometry(2e15f), InvalidArgumentException);
    EXPECT_THROW(RayGeometry(2e15f), InvalidArgumentException);

    BoxGeometry box(Ogre::Vector3(1, 2, 3));
    EXPECT_THROW(box.setSize(Ogre::Vector3(1, -2, 3)), InvalidArgumentException);
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), box.getSize());
    box.setScale(Ogre::Vector3(2, 2, 2));
    EXPECT_EQ(Ogre::Vector3(2, 4, 6), box.getSize());
    for (const Ogre::Vector3& scale :
        {Ogre::Vector3(-1, 1, 1), Ogre::Vector3(huge, 1, 1), Ogre::Vector3(1, 1e15f, 1)}) {
        EXPECT_THROW(box.setScale(scale), InvalidArgumentException) << scale;
    }
    EXPECT_THROW(box.setSize(Ogre::Vector3(1e15f, 1, 1)), InvalidArgumentException);
    EXPECT_EQ(Ogre::Vector3(2, 4, 6), box.getSize());
    EXPECT_EQ(Ogre::Vector3(2, 2, 2), box.getScale());

    SphereGeometry sphere(1.0f);
    EXPECT_THROW(sphere.setRadius(-3.0f), InvalidArgumentException);
    EXPECT_THROW(sphere.setRadius(huge), InvalidArgumentException);
    EXPECT_FLOAT_EQ(1.0f, sphere.getRadius());

    RayGeometry ray(1.0f);
    const Ogre::Vector3 overflowing(huge, huge, huge);
    EXPECT_THROW(ray.setDefinition(Ogre::Vector3::ZERO, overflowing), InvalidArgumentException);
    EXPECT_THROW(ray.setDefinition(overflowing, Ogre::Vector3::UNIT_X), InvalidArgumentException);
    EXPECT_THROW(ray.setLength(huge), InvalidArgumentException);
    EXPECT_FLOAT_EQ(1.0f, ray.getLength());
}

TEST(OdeGeometry, PosesOutOfRangeLeaveTheGeometryWhereItWas)
{
    tolva::test::LogCapture log;
    World world;
    SphereGeometry sphere(1.0f, world.getDefaultSpace());
    sphere.setPosition(Ogre::Vector3(1, 2, 3));
    const float huge = 1e30f;
    sphere.setPosition(Ogre::Vector3(0, huge, 0));
    sphere.setOffsetPosition(Ogre::Vector3(huge, 0, 0));
    sphere.setOrientation(Ogre::Quaternion(huge, huge, huge, huge));
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), sphere.getWorldPosition());
    EXPECT_EQ(Ogre::Quaternion::IDENTITY, sphere.getWorldOrientation());
    EXPECT_TRUE(log.contains("Warning: Attempt to set a geometry position that is not finite or out of range."));

    // An offset within range turned by an orientation, or added to a far position, can still
    // land out of range: the pose ODE gets is checked as a whole.
    sphere.setPosition(Ogre::Vector3(9e6f, 0, 0));
    sphere.setOffsetPosition(Ogre::Vector3(9e6f, 0, 0));
    EXPECT_EQ(Ogre::Vector3(9e6f, 0, 0), sphere.getWorldPosition());
    // Far beyond the range ODE's collision space can count in (a small sphere: about 2.6e8).
    sphere.setPosition(Ogre::Vector3(0, 0, 1e9f));
    EXPECT_EQ(Ogre::Vector3(9e6f, 0, 0), sphere.getWorldPosition());
    world.collideForStep();
}

TEST(OdeWorld, BodiesThrownOutOfRangeAreStoppedWhereTheyStood)
{
    tolva::test::LogCapture log;
    World world;
    ExactVariableStepHandler handler(&world, ExactVariableStepHandler::STEP_QUICK, 0.01f, 1.0f, 1.0f);
    Body calm(&world), pushed(&world), spun(&world);
    SphereGeometry ball(1.0f, world.getDefaultSpace()), other(1.0f, world.getDefaultSpace());
    ball.setBody(&pushed);
    other.setBody(&calm);
    calm.setPosition(Ogre::Vector3(10, 0, 0));
    calm.setLinearVelocity(Ogre::Vector3(1, 0, 0));
    pushed.setPosition(Ogre::Vector3(0, 5, 0));
    pushed.setLinearVelocity(Ogre::Vector3(0, 1e15f, 0));
    spun.setAngularVelocity(Ogre::Vector3(0, 3e38f, 0));
    for (int frame = 0; frame < 200; ++frame) {
        handler.step(0.01f);
    }
    EXPECT_FALSE(pushed.isAwake());
    EXPECT_EQ(Ogre::Vector3(0, 5, 0), pushed.getPosition());
    EXPECT_EQ(Ogre::Vector3::ZERO, pushed.getLinearVelocity());
    // Any finite spin keeps the body a rotation.
    EXPECT_NEAR(1.0f, spun.getOrientation().Norm(), 1e-3f);
    EXPECT_TRUE(calm.isAwake());
    EXPECT_NEAR(12.0f, calm.getPosition().x, 1e-3f);
    EXPECT_EQ(1,
        log.count("Warning: A body was thrown out of the range the physics can simulate; it was stopped "
                  "and disabled."));
}

TEST(OdeStepHandler, AFrameTakesABoundedNumberOfStepsAndDropsTheRest)
{
    World world;
    ExactVariableStepHandler handler(&world, ExactVariableStepHandler::STEP_QUICK, 0.001f, 1.0f, 10.0f);
    struct Counter : StepListener {
        unsigned int steps = 0;
        bool preStep(float) override { return true; }
        bool middleStep(float) override { return true; }
        bool postStep(float) override { return ++steps, true; }
    } counter;
    handler.setStepListener(&counter);
    handler.step(0.5f); // five thousand steps asked for
    EXPECT_EQ(ExactVariableStepHandler::MAX_STEPS_PER_FRAME, counter.steps);
    handler.step(0.0f);
    EXPECT_EQ(ExactVariableStepHandler::MAX_STEPS_PER_FRAME, counter.steps);
    handler.step(0.0105f);
    EXPECT_EQ(ExactVariableStepHandler::MAX_STEPS_PER_FRAME + 105, counter.steps);
    for (float size : {0.0f, 1e-9f, 1e-45f, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_THROW(handler.setStepSize(size), InvalidArgumentException) << size;
    }
    EXPECT_FLOAT_EQ(0.001f, handler.getStepSize());
}

TEST(OdeGeometry, OffsetWithoutBodyIsComposedWithThePose)
{
    BoxGeometry box(Ogre::Vector3(1, 1, 1));
    box.setOffsetPosition(Ogre::Vector3(1, 0, 0));
    box.setPosition(Ogre::Vector3(0, 5, 0));
    box.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    EXPECT_TRUE(box.getWorldPosition().positionEquals(Ogre::Vector3(0, 5, -1), 1e-4f));
    EXPECT_EQ(Ogre::Vector3(0, 5, 0), box.getPosition());

    // Hanging it on a body keeps the offset, now relative to the body.
    World world;
    Body body(&world);
    body.setPosition(Ogre::Vector3(10, 0, 0));
    box.setBody(&body);
    EXPECT_TRUE(box.getWorldPosition().positionEquals(Ogre::Vector3(11, 0, 0), 1e-4f));
}

TEST(OdeMass, InvalidMassesAreRefusedWithoutAborting)
{
    World world;
    Body body(&world);
    ASSERT_TRUE(body.setMass(SphereMass(2.0f, 1.0f)));
    EXPECT_FALSE(body.setMass(SphereMass(0.0f, 1.0f)));
    EXPECT_FALSE(body.setMass(BoxMass(5.0f, Ogre::Vector3(0, 1, 1))));
    EXPECT_FLOAT_EQ(2.0f, body.getMassValue());

    // An off-centre mass is installed about the body's origin instead of aborting.
    BoxMass shifted(3.0f, Ogre::Vector3(1, 1, 1));
    shifted.translate(Ogre::Vector3(0, 2, 0));
    EXPECT_TRUE(body.setMass(shifted));
    EXPECT_FLOAT_EQ(3.0f, body.getMassValue());

    // The default description is a usable unit mass at any value.
    Mass plain;
    plain.adjust(4.0f);
    EXPECT_TRUE(plain.getProblem().empty());
    EXPECT_TRUE(body.setMass(plain));
    EXPECT_FLOAT_EQ(4.0f, body.getMassValue());
    plain.adjust(-1.0f);
    EXPECT_FLOAT_EQ(4.0f, plain.getMassValue());
}

TEST(OdeBody, BadValuesAreRefused)
{
    World world;
    Body body(&world);
    body.setLinearVelocity(Ogre::Vector3(1, 2, 3));
    body.setLinearVelocity(Ogre::Vector3(std::numeric_limits<float>::quiet_NaN(), 0, 0));
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), body.getLinearVelocity());
    body.setLinearDamping(0.5f);
    body.setAngularDamping(0.25f);
    for (float damping : {-1.0f, 1.5f, std::numeric_limits<float>::quiet_NaN()}) {
        body.setLinearDamping(damping);
        body.setAngularDamping(damping);
    }
    EXPECT_FLOAT_EQ(0.5f, body.getLinearDamping());
    EXPECT_FLOAT_EQ(0.25f, body.getAngularDamping());
    body.setOrientation(Ogre::Quaternion(0, 0, 0, 0));
    EXPECT_EQ(Ogre::Quaternion::IDENTITY, body.getOrientation());
}

TEST(OdeLifetime, BodiesGeometriesAndJointsMayOutliveTheWorld)
{
    auto world = std::make_unique<World>();
    auto body = std::make_unique<Body>(world.get());
    auto other = std::make_unique<Body>(world.get());
    auto sphere = std::make_unique<SphereGeometry>(1.0f, world->getDefaultSpace());
    sphere->setBody(body.get());
    auto joint = std::make_unique<HingeJoint>(world.get());
    joint->attach(body.get(), other.get());
    world.reset();
    body->setPosition(Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), sphere->getWorldPosition());
    EXPECT_EQ(nullptr, sphere->getSpace());
    body.reset();
    EXPECT_EQ(nullptr, sphere->getBody());
    joint.reset();
    sphere.reset();
    other.reset();
}

TEST(OdeJoint, FixedJointHoldsBodiesTogetherAndHingeReportsItsRate)
{
    World world;
    world.setGravity(Ogre::Vector3(0, -9.81f, 0));
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    Body a(&world), b(&world);
    b.setPosition(Ogre::Vector3(1, 0, 0));
    FixedJoint fixed(&world);
    fixed.attach(&a, nullptr);
    for (int i = 0; i < 50; ++i) {
        handler.step(0.01f);
    }
    EXPECT_NEAR(0.0f, a.getPosition().y, 0.01f);
    EXPECT_LT(b.getPosition().y, -0.05f);

    HingeJoint hinge(&world);
    hinge.attach(&b, nullptr);
    hinge.setAnchor(Ogre::Vector3(0, 0, 0));
    hinge.setAxis(Ogre::Vector3::UNIT_Z);
    b.setAngularVelocity(Ogre::Vector3(0, 0, 2));
    EXPECT_NEAR(2.0f, hinge.getAngleRate(), 1e-4f);
    EXPECT_EQ(&b, hinge.getFirstBody());
}

TEST(OdeJoint, AttachingABodyToItselfIsRefused)
{
    tolva::test::LogCapture log;
    World world;
    Body body(&world);
    HingeJoint hinge(&world);
    hinge.attach(&body, &body);
    EXPECT_EQ(nullptr, hinge.getFirstBody());
    EXPECT_TRUE(log.contains("Warning: Attempt to attach a joint to the same body twice."));
}

TEST(OdeTransformGeometry, NeverCarriesAGeometryThatHangsOnABody)
{
    tolva::test::LogCapture log;
    World world;
    FunctionListener listener;
    world.setCollisionListener(&listener);
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    Body body(&world);
    BoxGeometry ground(Ogre::Vector3(10, 1, 10), world.getDefaultSpace());
    TransformGeometry transform(world.getDefaultSpace());

    auto onBody = std::make_unique<SphereGeometry>(0.5f);
    onBody->setBody(&body);
    EXPECT_THROW(transform.setEncapsulatedGeometry(onBody.get()), InvalidArgumentException);
    EXPECT_EQ(nullptr, transform.getEncapsulatedGeometry());

    auto* carried = new SphereGeometry(0.5f);
    transform.setEncapsulatedGeometry(carried);
    carried->setBody(&body);
    EXPECT_EQ(nullptr, carried->getBody());
    EXPECT_TRUE(log.contains("Warning: Attempt to hang a geometry carried by a transform geometry on a body."));
    handler.step(0.01f);
    EXPECT_GT(listener.count, 0);
}
