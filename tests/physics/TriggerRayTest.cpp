// Triggers and rays: sensing without pushing.
#include "PhysicsFixture.h"

#include "physics/Contact.h"
#include "physics/MovableObject.h"
#include "physics/PhysicsObject.h"
#include "physics/RayObject.h"
#include "physics/SinglePhysical.h"
#include "physics/Trigger.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeRayGeometry.h"
#include "platform/OdeSphereGeometry.h"

#include <OgreSceneNode.h>

#include <memory>

using namespace tolva;
using tolva::test::PhysicsFixture;

namespace {

class Triggers : public PhysicsFixture {
protected:
    void SetUp() override
    {
        PhysicsFixture::SetUp();
        mTrigger = std::make_unique<Trigger>(Ogre::Vector3(2, 2, 2));
        mTrigger->eventEntered().connect([this] { ++mEntered; });
        mTrigger->eventExited().connect([this] { ++mExited; });
    }

    void TearDown() override
    {
        mTrigger.reset();
        PhysicsFixture::TearDown();
    }

    std::unique_ptr<MovableObject> makeSphere(const Ogre::Vector3& position)
    {
        auto sphere = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
        sphere->setCollisionCategory(PhysicalBase::COLL_SPHERE);
        sphere->setAffectedByGravity(false);
        sphere->setPosition(position);
        return sphere;
    }

    std::unique_ptr<Trigger> mTrigger;
    int mEntered = 0;
    int mExited = 0;
};

} // namespace

TEST_F(Triggers, ReportsEnteredOnceWhileOccupiedAndExitedOnceWhenLeft)
{
    auto sphere = makeSphere(Ogre::Vector3(0, 0, 0));
    frames(60, 0.01f);
    EXPECT_EQ(1, mEntered);
    EXPECT_EQ(0, mExited);
    // One entry per contact point of the latest physics frame.
    ASSERT_FALSE(mTrigger->getOccupants().empty());
    for (PhysicalBase* occupant : mTrigger->getOccupants()) {
        EXPECT_EQ(sphere.get(), occupant);
    }
    // The sphere is not pushed by the trigger.
    EXPECT_EQ(Ogre::Vector3::ZERO, sphere->getPosition());

    auto second = makeSphere(Ogre::Vector3(0.5f, 0, 0));
    frames(5, 0.01f);
    EXPECT_EQ(1, mEntered);

    sphere->setPosition(Ogre::Vector3(10, 0, 0));
    second->setPosition(Ogre::Vector3(-10, 0, 0));
    frame(0.01f); // a physics frame without contact
    EXPECT_EQ(0, mExited);
    frame(0.01f); // the next frame notices it
    EXPECT_EQ(1, mExited);
    EXPECT_TRUE(mTrigger->getOccupants().empty());
    frames(10, 0.01f);
    EXPECT_EQ(1, mExited);

    sphere->setPosition(Ogre::Vector3(0, 0, 0));
    frame(0.01f);
    EXPECT_EQ(2, mEntered);
}

TEST_F(Triggers, FramesWithoutAStepKeepTheOccupants)
{
    auto sphere = makeSphere(Ogre::Vector3(0, 0, 0));
    // 250 frames per second: most frames take no step.
    frames(250, 0.004f);
    EXPECT_EQ(1, mEntered);
    EXPECT_EQ(0, mExited);
    for (int i = 0; i < 20; ++i) {
        frame(0.004f);
        EXPECT_FALSE(mTrigger->getOccupants().empty()) << "frame " << i;
    }
}

class TriggerFrameRates : public Triggers, public ::testing::WithParamInterface<float> { };

TEST_P(TriggerFrameRates, HoldTheContactPointsOfOneStepWhateverTheFrameRate)
{
    auto sphere = makeSphere(Ogre::Vector3(0, 0, 0));
    frames(30, GetParam());
    // A sphere wholly inside a box touches it at one point a step.
    EXPECT_EQ(1u, mTrigger->getOccupants().size());
}

INSTANTIATE_TEST_SUITE_P(FramesPerSecond, TriggerFrameRates, ::testing::Values(1.0f / 30, 1.0f / 60, 1.0f / 100));

TEST_F(Triggers, DoesNotSenseMovablesOutsideTheSphereCategory)
{
    auto movable = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    movable->setAffectedByGravity(false);
    frames(10, 0.01f);
    EXPECT_EQ(0, mEntered);
    EXPECT_TRUE(mTrigger->getOccupants().empty());
}

TEST_F(Triggers, OccupantDestroyedInAnEnteredSlotLeavesNoDanglingEntry)
{
    auto sphere = makeSphere(Ogre::Vector3(0, 0, 0));
    mTrigger->eventEntered().connect([&] { sphere.reset(); });
    frame(0.01f);
    EXPECT_EQ(nullptr, sphere);
    EXPECT_TRUE(mTrigger->getOccupants().empty());
    frames(3, 0.01f);
    EXPECT_EQ(1, mExited);
}

TEST_F(Triggers, SizeOnlyForBoxes)
{
    EXPECT_EQ(Ogre::Vector3(2, 2, 2), mTrigger->getSize());
    mTrigger->setSize(Ogre::Vector3(4, 1, 1));
    EXPECT_EQ(Ogre::Vector3(4, 1, 1), mTrigger->getSize());
    Trigger round(mPhysics->createSphereGeometry(1.0f));
    EXPECT_EQ(Ogre::Vector3::ZERO, round.getSize());
    round.setSize(Ogre::Vector3(1, 1, 1));
    EXPECT_EQ(Ogre::Vector3::ZERO, round.getSize());
    EXPECT_EQ(PhysicalBase::COLL_TRIGGER, round.getCollisionCategory());
    EXPECT_EQ(unsigned(PhysicalBase::COLL_SPHERE), round.getCollisionPartners());
}

TEST_F(PhysicsFixture, RayReportsWhatItHitsWithoutPushing)
{
    auto box = std::make_unique<MovableObject>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)), 1.0f);
    box->setAffectedByGravity(false);
    box->setPosition(Ogre::Vector3(0, -3, 0));
    RayObject ray(Ogre::Vector3(0, -1, 0));
    ray.setLength(5.0f);
    EXPECT_FLOAT_EQ(5.0f, ray.getLength());
    EXPECT_TRUE(ray.getDirection().positionEquals(Ogre::Vector3(0, -1, 0)));
    int hits = 0;
    float depth = 0;
    ray.eventCollision().connect([&](PhysicalBase* partner, Contact* contact) {
        EXPECT_EQ(box.get(), partner);
        ++hits;
        depth = contact->penetrationDepth;
    });
    frames(20, 0.01f);
    EXPECT_GT(hits, 0);
    // ODE's ray depth is the distance from the ray's start to the hit.
    EXPECT_NEAR(2.5f, depth, 1e-3f);
    EXPECT_TRUE(box->getPosition().positionEquals(Ogre::Vector3(0, -3, 0), 1e-4f));
    EXPECT_EQ(Ogre::Vector3::ZERO, box->getLinearVelocity());

    // A ray whose geometry was replaced by another kind answers with zeroes.
    ray.setGeometry(0, mPhysics->createSphereGeometry(1.0f));
    EXPECT_EQ(nullptr, ray.getRayGeometry());
    EXPECT_EQ(0.0f, ray.getLength());
    ray.setDirection(Ogre::Vector3::UNIT_X);
}

TEST_F(PhysicsFixture, RayOnANodeTurnedKeepsItsStartAtTheNode)
{
    Ogre::SceneNode* node = mSceneManager->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 5, 0));
    RayObject ray(Ogre::Vector3(0, -1, 0));
    PhysicsObject carrier(node, &ray);
    ray.setDirection(Ogre::Vector3(0, 0, 1));
    EXPECT_TRUE(ray.getRayGeometry()->getStart().positionEquals(Ogre::Vector3(0, 5, 0), 1e-4f));
    EXPECT_TRUE(ray.getDirection().positionEquals(Ogre::Vector3::UNIT_Z, 1e-4f));
}
