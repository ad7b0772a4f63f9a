// Physical object base, compound objects and physics objects.
#include "PhysicsFixture.h"

#include "core/Exceptions.h"
#include "physics/CollisionListener.h"
#include "physics/CompoundPhysical.h"
#include "physics/MovableObject.h"
#include "physics/PhysicsObject.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeSphereGeometry.h"
#include "scene/TransformObject.h"

#include <OgreSceneNode.h>

#include <memory>
#include <string>
#include <vector>

using namespace tolva;
using tolva::test::LogCapture;
using tolva::test::PhysicsFixture;

namespace {

struct NamedListener : CollisionListener {
    std::vector<std::string>* log;
    std::string name;
    NamedListener(std::vector<std::string>* log, std::string name)
        : log(log)
        , name(std::move(name))
    {
    }
    void collision(PhysicalBase*, Contact*) override { log->push_back(name); }
};

// Counts the single physical objects alive, to see which ones a physics object deletes.
struct CountedPhysical : SinglePhysical {
    static int alive;
    explicit CountedPhysical(ode::Geometry* geometry)
        : SinglePhysical(geometry)
    {
        ++alive;
    }
    ~CountedPhysical() override { --alive; }
};
int CountedPhysical::alive = 0;

} // namespace

TEST_F(PhysicsFixture, CompoundDispatchOrderAndGeometryListeners)
{
    mPhysics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    CompoundPhysical floor;
    auto* left = mPhysics->createBoxGeometry(Ogre::Vector3(4, 1, 4));
    auto* right = mPhysics->createBoxGeometry(Ogre::Vector3(4, 1, 4));
    ASSERT_TRUE(floor.addGeometry(left));
    ASSERT_TRUE(floor.addGeometry(right));
    left->setPosition(Ogre::Vector3(-3, -0.5f, 0));
    right->setPosition(Ogre::Vector3(3, -0.5f, 0));
    MovableObject ball(mPhysics->createSphereGeometry(0.5f), 1.0f);
    ball.setPosition(Ogre::Vector3(-3, 0.5f, 0));

    std::vector<std::string> log;
    floor.eventCollision().connect([&](PhysicalBase*, Contact*) { log.push_back("signal"); });
    NamedListener partner(&log, "partner"), leftListener(&log, "left"), rightListener(&log, "right"),
        pair(&log, "pair");
    std::unique_ptr<Connection<CollisionListener>> c1(floor.eventPhysicalCollision(&ball).connect(&partner));
    std::unique_ptr<Connection<CollisionListener>> c2(floor.eventGeometryCollision(left).connect(&leftListener));
    std::unique_ptr<Connection<CollisionListener>> c3(floor.eventGeometryCollision(right).connect(&rightListener));
    std::unique_ptr<Connection<CollisionListener>> c4(floor.eventGeometryPhysicalCollision(left, &ball).connect(&pair));
    frame(0.01f);
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{"signal", "partner", "left", "pair"}),
        std::vector<std::string>(log.begin(), log.begin() + 4));
    EXPECT_EQ(0, std::count(log.begin(), log.end(), "right"));
}

TEST_F(PhysicsFixture, CompoundGeometryManagementWarnings)
{
    LogCapture capture;
    CompoundPhysical compound;
    EXPECT_EQ(PhysicalBase::COLL_NONE, compound.getCollisionCategory());
    EXPECT_EQ(0u, compound.getCollisionPartners());
    EXPECT_FALSE(compound.collide(nullptr).isValid());

    EXPECT_FALSE(compound.addGeometry(nullptr));
    EXPECT_TRUE(capture.contains("Warning: Attempt to add invalid (NULL) geometry to compound physical."));
    auto* a = mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1));
    auto* b = mPhysics->createSphereGeometry(1.0f);
    EXPECT_TRUE(compound.addGeometry(a));
    EXPECT_FALSE(compound.addGeometry(a));
    EXPECT_TRUE(capture.contains("Warning: Attempt to add duplicate geometry to compound physical."));
    EXPECT_TRUE(compound.addGeometry(b));
    a->setCategoryBitfield(2);
    a->setCollisionBitfield(1);
    b->setCategoryBitfield(8);
    b->setCollisionBitfield(16);
    EXPECT_EQ(PhysicalBase::COLL_MOVABLE, compound.getCollisionCategory());
    EXPECT_EQ(17u, compound.getCollisionPartners());

    std::unique_ptr<ode::Geometry> spare(mPhysics->createSphereGeometry(1.0f));
    EXPECT_FALSE(compound.setGeometry(2, spare.get()));
    EXPECT_TRUE(capture.contains("Warning: Attempt to set geometry at invalid index on compound physical."));
    EXPECT_FALSE(compound.setGeometry(0, b));
    EXPECT_TRUE(compound.setGeometry(0, a));
    EXPECT_EQ(a, compound.getGeometry(0));
    EXPECT_FALSE(compound.removeGeometry(5u));
    EXPECT_TRUE(capture.contains("Warning: Attempt to remove geometry at invalid index from compound physical."));
    ode::SphereGeometry stranger(1.0f);
    EXPECT_FALSE(compound.removeGeometry(&stranger));
    EXPECT_TRUE(capture.contains("Warning: Attempt to remove non-existent geometry from compound physical."));
    EXPECT_TRUE(compound.removeGeometry(0u));
    EXPECT_EQ(b, compound.getGeometry(0));
    EXPECT_EQ(1u, compound.getGeometryCount());

    compound.setOffsetPosition(Ogre::Vector3(1, 0, 0), 1);
    EXPECT_EQ(Ogre::Vector3::ZERO, b->getOffsetPosition());
    compound.setOffsetPosition(Ogre::Vector3(1, 0, 0), 0);
    EXPECT_EQ(Ogre::Vector3(1, 0, 0), b->getOffsetPosition());
}

TEST_F(PhysicsFixture, PropertiesAndGeometryReplacement)
{
    SinglePhysical object(mPhysics->createSphereGeometry(1.0f));
    object.setProperty("gravityScale", "2");
    EXPECT_TRUE(object.isPropertyPresent("gravityScale"));
    EXPECT_EQ("2", object.getProperty("gravityScale"));
    try {
        object.getProperty("charge");
        FAIL() << "no exception";
    } catch (const NotFoundException& e) {
        EXPECT_STREQ("PhysicalBase: The charge property was not found.", e.what());
    }
    object.removeProperty("charge");
    object.removeProperty("gravityScale");
    EXPECT_TRUE(object.getPropertyMap().empty());

    // Setting the geometry already held keeps it alive and owned.
    ode::Geometry* geometry = object.getGeometry(0);
    EXPECT_TRUE(object.setGeometry(0, geometry));
    EXPECT_EQ(&object, geometry->getUserObject());
    EXPECT_FALSE(object.setGeometry(1, nullptr));
    EXPECT_TRUE(object.setGeometry(0, nullptr));
    EXPECT_EQ(0u, object.getGeometryCount());
    EXPECT_FALSE(object.collide(nullptr).isValid());
}

TEST_F(PhysicsFixture, OneOffCollideKeepsTheLastContact)
{
    SinglePhysical a(mPhysics->createSphereGeometry(1.0f));
    SinglePhysical b(mPhysics->createSphereGeometry(1.0f));
    b.setPosition(Ogre::Vector3(1.5f, 0, 0));
    ContactListener hit = a.collide(b.getGeometry(0));
    EXPECT_TRUE(hit.isValid());
    EXPECT_EQ(&a, hit.firstPhysical);
    EXPECT_NEAR(0.5f, hit.penetrationDepth, 1e-4f);
    b.setPosition(Ogre::Vector3(5, 0, 0));
    EXPECT_FALSE(a.collide(b.getGeometry(0)).isValid());
}

TEST_F(PhysicsFixture, RotationSpaces)
{
    SinglePhysical object(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    object.rotate(Ogre::Vector3::UNIT_Y, 90);
    const Ogre::Quaternion quarter(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);
    EXPECT_TRUE(object.getOrientation().equals(quarter, Ogre::Radian(1e-4f)));
    // Local: about the object's own X, which now points along world -Z.
    object.rotate(Ogre::Vector3::UNIT_X, 90, Ogre::Node::TS_LOCAL);
    EXPECT_TRUE(object.getOrientation().equals(
        quarter * Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_X), Ogre::Radian(1e-3f)));
    object.setOrientation(Ogre::Quaternion::IDENTITY);
    object.rotate(Ogre::Vector3::UNIT_Z, 90, Ogre::Node::TS_WORLD);
    EXPECT_TRUE(
        object.getOrientation().equals(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Z), Ogre::Radian(1e-4f)));
}

TEST_F(PhysicsFixture, PhysicsObjectOwnsOnlyWhatItMade)
{
    Ogre::SceneNode* node = mSceneManager->getRootSceneNode()->createChildSceneNode();
    auto lent = std::make_unique<CountedPhysical>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    {
        PhysicsObject carrier(node, nullptr);
        carrier.setBase(lent.get());
        EXPECT_EQ(1, CountedPhysical::alive);
    }
    EXPECT_EQ(1, CountedPhysical::alive) << "borrowed objects are never deleted";
    lent.reset();

    CountedPhysical borrowed(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    {
        PhysicsObject carrier(node, &borrowed);
        EXPECT_EQ(node, borrowed.getGeometry(0)->getParentSceneNode());
        carrier.setBase(&borrowed);
        EXPECT_EQ(&borrowed, carrier.getBase());
        carrier.setBase(mPhysics->createSphereGeometry(1.0f));
        EXPECT_EQ(nullptr, borrowed.getGeometry(0)->getParentSceneNode());
        ASSERT_NE(nullptr, carrier.getBase());
        // A carried geometry follows the node.
        node->setPosition(Ogre::Vector3(0, 7, 0));
        frame(0.01f);
        EXPECT_TRUE(carrier.getBase()->getGeometry(0)->getWorldPosition().positionEquals(Ogre::Vector3(0, 7, 0)));
        carrier.setBase(static_cast<ode::Geometry*>(nullptr));
        EXPECT_EQ(nullptr, carrier.getBase());
    }
    EXPECT_EQ(1, CountedPhysical::alive);
}

namespace {

struct CountingTransform : TransformObject {
    int updates = 0;
    explicit CountingTransform(Ogre::SceneNode* node)
        : TransformObject(node)
    {
    }
    void updateOnce() override { ++updates; }
};

struct CountingGameObject : GameObject {
    int updates = 0;
    explicit CountingGameObject(Ogre::SceneNode* node)
        : GameObject(node)
    {
    }
    void updateOnce() override { ++updates; }
};

} // namespace

TEST_F(PhysicsFixture, TransformObjectUpdatesItsHierarchyAfterEveryMove)
{
    CountingTransform parent(mSceneManager->getRootSceneNode()->createChildSceneNode());
    CountingGameObject child(mSceneManager->createSceneNode());
    EXPECT_TRUE(parent.addChild(&child));
    const int parentUpdates = parent.updates, childUpdates = child.updates;
    parent.setPosition(Ogre::Vector3(3, 0, 0));
    EXPECT_EQ(parentUpdates + 1, parent.updates);
    EXPECT_EQ(childUpdates + 1, child.updates);
    EXPECT_FALSE(parent.addChild(&child));
    EXPECT_EQ(parentUpdates + 1, parent.updates) << "a refused change updates nothing";
    // A plain game object only moves its node.
    child.setPosition(Ogre::Vector3(0, 1, 0));
    EXPECT_EQ(childUpdates + 1, child.updates);
}

TEST_F(PhysicsFixture, AGeometryHasOnlyOneOwner)
{
    LogCapture capture;
    auto first = std::make_unique<SinglePhysical>(mPhysics->createSphereGeometry(1.0f));
    ode::Geometry* shared = first->getGeometry(0);
    SinglePhysical second(nullptr);
    EXPECT_FALSE(second.setGeometry(0, shared));
    CompoundPhysical compound;
    EXPECT_FALSE(compound.addGeometry(shared));
    EXPECT_TRUE(capture.contains("Warning: Attempt to give a physical object a geometry that another one owns."));
    EXPECT_EQ(0u, second.getGeometryCount());
    EXPECT_EQ(0u, compound.getGeometryCount());
    EXPECT_EQ(first.get(), shared->getUserObject());
    first.reset();
}
