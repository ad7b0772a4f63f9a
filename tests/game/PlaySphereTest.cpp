#include "GameFixture.h"

#include "core/Exceptions.h"
#include "physics/Contact.h"
#include "physics/SinglePhysical.h"
#include "physics/Trigger.h"

#include <cmath>
#include <limits>

namespace tolva::test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

class PlaySphereTest : public GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        mSphere = makeSphere();
    }
    void TearDown() override
    {
        mSphere.reset();
        GameFixture::TearDown();
    }

    MovableObject& body() { return *mSphere->getMovableBody(); }

    /// A contact of the sphere with the partner, the sphere named first or second in the record
    /// (whose normal points toward its first object).
    void touch(PhysicalBase* partner, const Vector3& normal, bool sphereFirst)
    {
        Contact contact;
        contact.normal = normal;
        contact.penetrationDepth = 0.05f;
        contact.position = mSphere->getPosition();
        (sphereFirst ? contact.firstPhysical : contact.secondPhysical) = &body();
        (sphereFirst ? contact.secondPhysical : contact.firstPhysical) = partner;
        body().eventCollision()(partner, &contact);
    }

    std::unique_ptr<PlaySphere> mSphere;
    SinglePhysical mGround{nullptr};
};

TEST_F(PlaySphereTest, IsBuiltAsABallThatCollidesWithTheLevel)
{
    EXPECT_EQ(PhysicalBase::COLL_SPHERE, body().getCollisionCategory());
    EXPECT_EQ(75u, body().getCollisionPartners());
    EXPECT_EQ(static_cast<MeshBody*>(&body()), mSphere->getBody());
    EXPECT_EQ(Sound::CAT_EFFECT, mSphere->getRollSound().getCategory());
    EXPECT_EQ(0.01f, mSphere->getImpactSound().getThreshold());
    EXPECT_EQ(0.1f, mSphere->getImpactSound().getThresholdOverride());
    EXPECT_EQ(5.0f, mSphere->getImpactSound().getImpactGainScale());
    EXPECT_TRUE(mSphere->getRollSound().isLooping());
    EXPECT_EQ(10.0f, mSphere->getRollSound().getMaxGainControl());
    EXPECT_TRUE(mSphere->getThrusterSound().isLooping());
    EXPECT_NEAR(8.42907f, mSphere->getThrusterSound().getLoopOffset(), 1e-4f);
    EXPECT_FALSE(mSphere->isThrusterEnabled());
    EXPECT_EQ(0u, mSphere->getInventory().getItemCount());
}

TEST_F(PlaySphereTest, TheBodyReceivesTheSumOfTheLastFiveTorques)
{
    const Vector3 push(1, 0, 2);
    for (int i = 0; i < 4; ++i) {
        mSphere->addTorque(push);
    }
    EXPECT_EQ(Vector3::ZERO, body().getTorque());
    mSphere->addTorque(push);
    EXPECT_EQ(push * 5, body().getTorque());

    // Disabled, requests still fill the window; after enabling, they count.
    body().setTorque(Vector3::ZERO);
    mSphere->setEnabled(false);
    for (int i = 0; i < 5; ++i) {
        mSphere->addTorque(Vector3(0, 1, 0));
    }
    EXPECT_EQ(Vector3::ZERO, body().getTorque());
    mSphere->setEnabled(true);
    mSphere->addTorque(Vector3(0, 0, 1));
    EXPECT_EQ(Vector3(0, 4, 1), body().getTorque());

    // Requests that cancel exactly apply nothing.
    for (float sign : {1.0f, -1.0f, 1.0f, -1.0f}) {
        mSphere->addTorque(Vector3(sign, 0, 0));
    }
    body().setTorque(Vector3::ZERO);
    mSphere->addTorque(Vector3::ZERO);
    EXPECT_EQ(Vector3::ZERO, body().getTorque());
}

TEST_F(PlaySphereTest, TorquesWhoseHeldSumCouldNotBeFiniteAreRefusedAndTheGameGoesOn)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Vector3& torque : {Vector3(nan, 0, 0), Vector3(0, inf, 0), Vector3(0, 0, -inf), Vector3(2e30f, 0, 0),
                                  Vector3(0, -1e31f, 0), Vector3(0, 0, 3e38f)}) {
        for (int i = 0; i < 4; ++i) {
            mSphere->addTorque(Vector3::UNIT_X);
        }
        body().setTorque(Vector3::ZERO);
        EXPECT_THROW(mSphere->addTorque(torque), InvalidArgumentException) << torque;
        mSphere->addTorque(Vector3::UNIT_Y);
        EXPECT_EQ(Vector3(4, 1, 0), body().getTorque()) << torque;
    }
    // The largest accepted torque, held five times, still sums to a finite torque.
    for (int i = 0; i < 5; ++i) {
        mSphere->addTorque(Vector3(1e30f, -1e30f, 1e30f));
    }
    const Vector3 held = body().getTorque();
    EXPECT_TRUE(std::isfinite(held.x) && std::isfinite(held.y) && std::isfinite(held.z)) << held;
    EXPECT_NO_THROW(frames(10));
    // The controls scale a unit torque by their speed: one the sphere would refuse is refused.
    const float speed = controls().getSpeed();
    EXPECT_THROW(controls().setSpeed(1e30f), InvalidArgumentException);
    EXPECT_EQ(speed, controls().getSpeed());
}

TEST_F(PlaySphereTest, FramesWithoutRequestsLetTheTorqueDieAway)
{
    for (int i = 0; i < 5; ++i) {
        mSphere->addTorque(Vector3::UNIT_X);
    }
    body().setTorque(Vector3::ZERO);
    for (int i = 0; i < 8; ++i) {
        mSphere->frame(0.01f);
    }
    EXPECT_EQ(Vector3(4 + 3 + 2 + 1, 0, 0), body().getTorque());
}

TEST_F(PlaySphereTest, DisablingSwitchesTheThrusterOffAndEnablingLeavesItOff)
{
    mSphere->setThrusterEnabled(true);
    EXPECT_TRUE(mSphere->isThrusterEnabled());
    EXPECT_TRUE(mSphere->getThrusterSound().isPlaying());
    mSphere->setEnabled(false);
    EXPECT_FALSE(mSphere->isThrusterEnabled());
    EXPECT_FALSE(mSphere->getThrusterSound().isPlaying());
    mSphere->setThrusterEnabled(true);
    mSphere->setEnabled(false);
    EXPECT_TRUE(mSphere->isThrusterEnabled()) << "an already disabled sphere changes nothing";
    mSphere->setThrusterEnabled(false);
    mSphere->setEnabled(true);
    EXPECT_FALSE(mSphere->isThrusterEnabled());
}

TEST_F(PlaySphereTest, TheFlamePointsAgainstTheMotion)
{
    const struct {
        Vector3 velocity;
        Quaternion flame;
    } cases[] = {
        {Vector3::ZERO, Quaternion::IDENTITY},
        {Vector3(0, -3, 0), Quaternion::IDENTITY},
        {Vector3(0, 3, 0), Quaternion(0, 0, 0, 1)},
        {Vector3(2, 0, 0), Quaternion(Ogre::Degree(90), Vector3::UNIT_Z)},
    };
    for (const auto& c : cases) {
        body().setLinearVelocity(c.velocity);
        mSphere->frame(0.01f);
        EXPECT_TRUE(mSphere->getThrusterFire().getOrientation().equals(c.flame, Ogre::Degree(0.01f))) << c.velocity;
    }
}

TEST_F(PlaySphereTest, TheRollingSoundFollowsContactsButNotTriggers)
{
    Trigger trigger(Vector3(1, 1, 1));
    mSphere->frame(0.01f);
    EXPECT_FALSE(mSphere->getRollSound().isEnabled());
    controls().setSphereFloorPlaneNormal(Vector3::UNIT_X);
    touch(&trigger, Vector3::UNIT_Y, true);
    mSphere->frame(0.01f);
    EXPECT_FALSE(mSphere->getRollSound().isEnabled()) << "a trigger is no ground";
    EXPECT_EQ(Vector3::UNIT_X, controls().getSphereFloorPlaneNormal());

    touch(&mGround, Vector3::UNIT_Y, true);
    mSphere->frame(0.01f);
    EXPECT_TRUE(mSphere->getRollSound().isEnabled());
    mSphere->frame(0.01f);
    EXPECT_FALSE(mSphere->getRollSound().isEnabled());
}

TEST_F(PlaySphereTest, TheFloorNormalPointsOutOfTheFloorWhicheverObjectTheRecordNamesFirst)
{
    touch(&mGround, Vector3(0, 2, 0), true);
    EXPECT_EQ(Vector3::UNIT_Y, controls().getSphereFloorPlaneNormal());
    touch(&mGround, Vector3(0, -2, 0), false);
    EXPECT_EQ(Vector3::UNIT_Y, controls().getSphereFloorPlaneNormal());
}

TEST_F(PlaySphereTest, ASecondSphereCanBeBuiltBeforeTheFirstGoes)
{
    std::unique_ptr<PlaySphere> second;
    ASSERT_NO_THROW(second = makeSphere("Second"));
    EXPECT_NE(mSphere->getThrusterFire().getParticleSystem(), second->getThrusterFire().getParticleSystem());
    second->setThrusterEnabled(true);
    EXPECT_FALSE(mSphere->isThrusterEnabled());
    mSphere.reset();
    EXPECT_NO_THROW(mSphere = makeSphere("Third"));
}

TEST_F(PlaySphereTest, ASphereThatGoesLeavesNothingPointingAtIt)
{
    game().setPlaySphere(mSphere.get());
    EXPECT_EQ(mSphere.get(), camera().getFocalPoint());
    EXPECT_EQ(mSphere.get(), controls().getPlaySphere());
    mSphere.reset();
    EXPECT_EQ(nullptr, game().getPlaySphere());
    EXPECT_EQ(nullptr, camera().getFocalPoint());
    EXPECT_EQ(nullptr, controls().getPlaySphere());
    controls().setMode(GameControl::MODE_ROLL);
    controls().moveForward(1);
    frames(3);
}

TEST_F(PlaySphereTest, RestsOnTheFloorAndRollsWhenPushed)
{
    addFloor();
    physics().setGravity(Vector3(0, -9.81f, 0));
    mSphere->setPosition(Vector3(0, 3, 0));
    frames(150);
    EXPECT_NEAR(1.0f, mSphere->getPosition().y, 0.05f) << "resting on the floor";
    EXPECT_TRUE(mSphere->getRollSound().isEnabled());
    for (int i = 0; i < 100; ++i) {
        mSphere->addTorque(Vector3(-1, 0, 0));
        frame();
    }
    EXPECT_LT(mSphere->getPosition().z, -0.5f) << "a torque about -x rolls toward -z";
}

} // namespace
} // namespace tolva::test
