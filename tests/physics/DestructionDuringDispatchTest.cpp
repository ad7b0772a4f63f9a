// Objects, geometries and triggers destroyed or changed by the very slots that are reporting
// their collisions, and what a borrowing physics object may still touch.
#include "PhysicsFixture.h"

#include "physics/CompoundPhysical.h"
#include "physics/Contact.h"
#include "physics/MovableObject.h"
#include "physics/PhysicsObject.h"
#include "physics/SinglePhysical.h"
#include "physics/Trigger.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeSpace.h"
#include "platform/OdeSphereGeometry.h"

#include <OgreSceneNode.h>

#include <memory>

using namespace tolva;
using tolva::test::PhysicsFixture;

namespace {

class DestructionDuringDispatch : public PhysicsFixture {
protected:
    void SetUp() override
    {
        PhysicsFixture::SetUp();
        mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
        mGround = std::make_unique<SinglePhysical>(mPhysics->createBoxGeometry(Ogre::Vector3(20, 1, 20)));
        mGround->setPosition(Ogre::Vector3(0, -0.5f, 0));
        mGround->setCollisionCategory(PhysicalBase::COLL_FIXED);
        mGround->setCollisionPartners(PhysicalBase::COLL_MOVABLE | PhysicalBase::COLL_SPHERE);
    }

    void TearDown() override
    {
        mGround.reset();
        PhysicsFixture::TearDown();
    }

    /// A box resting on the ground: four contact points a step.
    std::unique_ptr<MovableObject> makeCrate()
    {
        auto crate = std::make_unique<MovableObject>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)), 1.0f);
        crate->setPosition(Ogre::Vector3(0, 0.5f, 0));
        return crate;
    }

    std::unique_ptr<SinglePhysical> mGround;
};

} // namespace

TEST_F(DestructionDuringDispatch, ObjectDestroyedInItsOwnSlotRunsNoneOfItsLaterSlots)
{
    auto crate = makeCrate();
    int first = 0, later = 0;
    crate->eventCollision().connect([&](PhysicalBase*, Contact*) {
        ++first;
        crate.reset();
    });
    crate->eventCollision().connect([&](PhysicalBase*, Contact*) { ++later; });
    crate->eventCollision().connect([&](PhysicalBase*, Contact*) { ++later; });
    frame(0.01f);
    EXPECT_EQ(nullptr, crate);
    EXPECT_EQ(1, first);
    EXPECT_EQ(0, later);
    frames(2, 0.01f);
}

namespace {

enum class Occupancy { Entered, Exited };

} // namespace

class TriggerDestroyedInItsSlot : public DestructionDuringDispatch, public ::testing::WithParamInterface<Occupancy> { };

TEST_P(TriggerDestroyedInItsSlot, RunsNoneOfItsLaterSlots)
{
    auto trigger = std::make_unique<Trigger>(Ogre::Vector3(2, 2, 2));
    trigger->setPosition(Ogre::Vector3(0, 1, 0));
    auto sphere = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.5f), 1.0f);
    sphere->setCollisionCategory(PhysicalBase::COLL_SPHERE);
    sphere->setPosition(Ogre::Vector3(0, 0.5f, 0));
    Trigger::OccupancyEvent& event
        = GetParam() == Occupancy::Entered ? trigger->eventEntered() : trigger->eventExited();
    int first = 0, later = 0;
    event.connect([&] {
        ++first;
        trigger.reset();
    });
    event.connect([&] { ++later; });
    event.connect([&] { ++later; });
    frame(0.01f);
    if (GetParam() == Occupancy::Exited) {
        sphere->setPosition(Ogre::Vector3(10, 0.5f, 0));
        frames(2, 0.01f);
    }
    EXPECT_EQ(nullptr, trigger);
    EXPECT_EQ(1, first);
    EXPECT_EQ(0, later);
    frames(2, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Events, TriggerDestroyedInItsSlot, ::testing::Values(Occupancy::Entered, Occupancy::Exited),
    [](const ::testing::TestParamInfo<Occupancy>& info) {
        return info.param == Occupancy::Entered ? "Entered" : "Exited";
    });

class GeometryDeletedInASlot : public DestructionDuringDispatch, public ::testing::WithParamInterface<bool> { };

// The slot either removes the geometry the crate rests on or replaces it with another.
TEST_P(GeometryDeletedInASlot, LeavesNoContactPointingAtIt)
{
    const bool replace = GetParam();
    mGround.reset();
    CompoundPhysical floor;
    ode::Geometry* under = mPhysics->createBoxGeometry(Ogre::Vector3(4, 1, 4));
    ode::Geometry* beside = mPhysics->createBoxGeometry(Ogre::Vector3(4, 1, 4));
    ASSERT_TRUE(floor.addGeometry(under));
    ASSERT_TRUE(floor.addGeometry(beside));
    under->setPosition(Ogre::Vector3(0, -0.5f, 0));
    beside->setPosition(Ogre::Vector3(10, -0.5f, 0));
    auto crate = makeCrate();
    frames(3, 0.01f);
    bool deleted = false;
    int contactsAfter = 0;
    crate->eventCollision().connect([&](PhysicalBase*, Contact* contact) {
        if (deleted) {
            ++contactsAfter;
            EXPECT_NE(under, contact->firstGeometry);
            EXPECT_NE(under, contact->secondGeometry);
            return;
        }
        deleted = true;
        if (replace) {
            floor.setGeometry(0, mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
        } else {
            floor.removeGeometry(under);
        }
    });
    floor.eventGeometryCollision(under);
    frame(0.01f);
    ASSERT_TRUE(deleted);
    for (size_t i = 0; i < mPhysics->getContactCount(); ++i) {
        EXPECT_NE(under, mPhysics->getContact(i)->firstGeometry);
        EXPECT_NE(under, mPhysics->getContact(i)->secondGeometry);
    }
    frames(2, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Slot, GeometryDeletedInASlot, ::testing::Bool(),
    [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Replaced" : "Removed"; });

TEST_F(PhysicsFixture, BorrowingPhysicsObjectLetsGoOfAnObjectDestroyedBeforeIt)
{
    Ogre::SceneNode* node = mSceneManager->getRootSceneNode()->createChildSceneNode();
    auto lent = std::make_unique<SinglePhysical>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    auto carrier = std::make_unique<PhysicsObject>(node, lent.get());
    lent.reset();
    EXPECT_EQ(nullptr, carrier->getBase());
    EXPECT_EQ(0u, node->numAttachedObjects());
    carrier.reset();
}

TEST_F(PhysicsFixture, CarryingTheOwnedObjectAgainKeepsItOwned)
{
    const int before = mPhysics->getDefaultSpace()->getGeometryCount();
    {
        PhysicsObject carrier(mSceneManager->getRootSceneNode()->createChildSceneNode(), nullptr);
        carrier.setBase(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
        carrier.setBase(carrier.getBase());
        EXPECT_EQ(before + 1, mPhysics->getDefaultSpace()->getGeometryCount());
    }
    EXPECT_EQ(before, mPhysics->getDefaultSpace()->getGeometryCount()) << "the owned object went with the carrier";
}
