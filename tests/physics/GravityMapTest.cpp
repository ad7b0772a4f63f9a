// Gravity maps: the field they read, whom they push and how hard, a sphere followed through a
// field at several frame rates, overlapping maps, grids without cells, refused values, and maps
// or objects destroyed in callbacks.
#include "GravityFixture.h"

#include "core/Exceptions.h"
#include "support/CommaDecimalLocale.h"
#include "physics/SinglePhysical.h"
#include "physics/Trigger.h"
#include "platform/OdeBoxGeometry.h"

#include <OgreMath.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

using namespace tolva;

namespace {

const Ogre::Quaternion TURN_Y(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);

class GravityMaps : public tolva::test::GravityFixture {
protected:
    /// small.gmap: at (1, 2, 3), cell size 2, counts (4, 2, 1); cell (i, j, k) holds (i, j, k + 1).
    std::unique_ptr<GravityMap> makeSmallMap(float intensity, GravityMap::OperationMode mode = GravityMap::MODE_AUTO)
    {
        auto map = makeMap("small.gmap");
        map->setIntensity(intensity);
        map->setMode(mode);
        return map;
    }

    /// The velocity one step of 0.01 s gives a unit mass at rest there.
    Ogre::Vector3 pushAt(const Ogre::Vector3& position, const std::map<std::string, std::string>& properties = {})
    {
        auto sphere = makeSphere(position);
        for (const auto& property : properties) {
            sphere->setProperty(property.first, property.second);
        }
        frame(0.01f);
        return sphere->getLinearVelocity() / 0.01f;
    }
};

/// The engine starts in a process that has taken a locale writing numbers with a decimal comma.
class GravityMapsUnderACommaDecimalLocale : public GravityMaps {
protected:
    void SetUp() override
    {
        const std::string unavailable = tolva::test::takeCommaDecimalLocale();
        if (!unavailable.empty()) {
            GTEST_SKIP() << unavailable;
        }
        GravityMaps::SetUp();
    }
};

} // namespace

TEST_F(GravityMaps, FieldFollowsTheNodeAndEndsAtTheGridsFaces)
{
    const struct {
        Ogre::Quaternion turn;
        float scale;
        Ogre::Vector3 local; // in cells of the unscaled grid, from its corner
        Ogre::Vector3 cell;  // the vector found there, zero for outside
    } cases[] = {
        {Ogre::Quaternion::IDENTITY, 1, {0.5f, 0.5f, 0.5f}, {0, 0, 1}},
        {Ogre::Quaternion::IDENTITY, 1, {3.5f, 1.5f, 0.5f}, {3, 1, 1}},
        {Ogre::Quaternion::IDENTITY, 1, {-0.5f, 0.5f, 0.5f}, {0, 0, 1}},
        {Ogre::Quaternion::IDENTITY, 1, {0.5f, 0.5f, -0.75f}, {0, 0, 1}},
        {Ogre::Quaternion::IDENTITY, 1, {-1, 0.5f, 0.5f}, Ogre::Vector3::ZERO},
        {Ogre::Quaternion::IDENTITY, 1, {4, 0.5f, 0.5f}, Ogre::Vector3::ZERO},
        {Ogre::Quaternion::IDENTITY, 1, {1e30f, 0.5f, 0.5f}, Ogre::Vector3::ZERO},
        {TURN_Y, 1, {3.5f, 1.5f, 0.5f}, {3, 1, 1}},
        {Ogre::Quaternion::IDENTITY, 2, {3.5f, 1.5f, 0.5f}, {3, 1, 1}},
        {TURN_Y, 2, {4.5f, 1.5f, 0.5f}, Ogre::Vector3::ZERO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.local << " scale " << c.scale);
        auto map = makeSmallMap(1.5f, GravityMap::MODE_MANUAL);
        map->setOrientation(c.turn);
        map->setScale(Ogre::Vector3(c.scale));
        const Ogre::Vector3 world = Ogre::Vector3(1, 2, 3) + c.turn * (c.local * 2 * c.scale);
        EXPECT_TRUE(map->getGravity(world).positionEquals(c.turn * c.cell * c.scale * 1.5f, 1e-5f))
            << map->getGravity(world);
    }
    EXPECT_TRUE(makeSmallMap(1)->getWorldCentrePosition().positionEquals(Ogre::Vector3(5, 4, 4), 1e-5f));
}

TEST_F(GravityMaps, EachCellOfAGridWithThreeDifferentCountsGivesItsOwnVector)
{
    // uneven.gmap: at (1, 2, 3), cell size 2, counts (3, 4, 5); cell (i, j, k) holds (i, j, k + 1).
    // The index of each of these cells changes when two counts, or two of i, j and k, are
    // exchanged, and stays inside the grid.
    const Ogre::Vector3 cells[] = {{1, 2, 0}, {2, 1, 3}, {0, 3, 4}, {2, 3, 1}};
    for (const Ogre::Vector3& cell : cells) {
        SCOPED_TRACE(testing::Message() << "cell " << cell);
        auto map = makeMap("uneven.gmap");
        map->setIntensity(0.5f);
        map->setMode(GravityMap::MODE_AUTO);
        const Ogre::Vector3 centre = Ogre::Vector3(1, 2, 3) + (cell + 0.5f) * 2;
        const Ogre::Vector3 expected = (cell + Ogre::Vector3::UNIT_Z) * 0.5f;
        EXPECT_TRUE(map->getGravity(centre).positionEquals(expected, 1e-5f)) << map->getGravity(centre);
        const Ogre::Vector3 push = pushAt(centre);
        EXPECT_TRUE(push.positionEquals(expected, 1e-4f)) << push;
    }
}

TEST_F(GravityMaps, PushFollowsTheObjectsScaleAndCharge)
{
    const GravityMap::OperationMode AUTO = GravityMap::MODE_AUTO, MANUAL = GravityMap::MODE_MANUAL;
    const struct {
        GravityMap::OperationMode mode;
        float intensity;
        bool magnetic;
        float charge; // the map's
        std::map<std::string, std::string> properties;
        float factor;
    } cases[] = {
        {AUTO, 0, false, 0, {}, 0},
        {MANUAL, 1, false, 0, {}, 0},
        {AUTO, 1, false, 0, {}, 1},
        {AUTO, 1, false, 0, {{"gravityScale", "0.5"}}, 0.5f},
        {AUTO, 1, false, 0, {{"gravityScale", "half"}}, 1},
        {AUTO, 1, false, 0, {{"gravityScale", "nan"}}, 1},
        {AUTO, 1, true, 2, {{"charge", "1"}, {"gravityScale", "0.5"}}, -1},
        {AUTO, 1, true, 0, {{"charge", "1"}, {"gravityScale", "0.5"}}, 0.5f},
        {AUTO, 1, true, 2, {{"charge", "0"}}, 0},
        {AUTO, 1, true, 2, {{"gravityScale", "3"}}, 0},
        {AUTO, 2, true, -1, {{"charge", "-2"}}, -4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.magnetic << " " << c.charge << " " << c.factor);
        auto map = makeSmallMap(c.intensity, c.mode);
        map->setMagnetic(c.magnetic);
        map->setMagneticCharge(c.charge);
        EXPECT_EQ(Ogre::Vector3(0, 0, c.intensity), map->getGravity(Ogre::Vector3(2, 3, 4))) << "in any mode";
        EXPECT_TRUE(pushAt(Ogre::Vector3(2, 3, 4), c.properties).positionEquals(Ogre::Vector3(0, 0, c.factor), 1e-4f));
    }
}

TEST_F(GravityMaps, PropertiesChangedBetweenFramesTakeEffect)
{
    auto map = makeSmallMap(2);
    auto sphere = makeSphere(Ogre::Vector3(2, 3, 4));
    const struct {
        const char* scale; // null removes the property
        float factor;
    } changes[] = {{"3", 3}, {nullptr, 1}, {"0.5", 0.5f}};
    for (const auto& change : changes) {
        change.scale ? sphere->setProperty("gravityScale", change.scale) : sphere->removeProperty("gravityScale");
        const float before = sphere->getLinearVelocity().z;
        frame(0.01f);
        EXPECT_NEAR(2 * change.factor, (sphere->getLinearVelocity().z - before) / 0.01f, 1e-3f);
    }
}

TEST_F(GravityMaps, ChangesBetweenStepsDecideTheNextPush)
{
    using Sphere = std::unique_ptr<MovableObject>;
    const Ogre::Vector3 inside(2, 3, 4);
    const auto sensed = [](MovableObject& o) {
        o.setCollisionPartners(o.getCollisionPartners() | PhysicalBase::COLL_GRAVITY);
    };
    const struct {
        const char* what;
        std::function<void(Sphere& sphere, Sphere& other)> change;
        float push; // along z in the next step, per second
    } cases[] = {
        {"nothing", [](Sphere&, Sphere&) {}, 1},
        {"not collidable", [](Sphere& s, Sphere&) { s->setCollidable(false); }, 0},
        {"disabled", [](Sphere& s, Sphere&) { s->setEnabled(false); }, 0},
        {"its geometry disabled", [](Sphere& s, Sphere&) { s->getGeometry(0)->disable(); }, 0},
        {"enabled again after a step",
            [&](Sphere& s, Sphere&) {
                s->setEnabled(false);
                frame(0.01f);
                s->setEnabled(true);
            },
            1},
        {"no gravity partner", [](Sphere& s, Sphere&) { s->setCollisionPartners(19); }, 0},
        {"its geometry moved out of the box",
            [](Sphere& s, Sphere&) { s->setOffsetPosition(Ogre::Vector3(0, 0, 20)); }, 0},
        {"a new geometry off its centre",
            [&](Sphere& s, Sphere&) {
                s->setGeometry(0, mPhysics->createSphereGeometry(0.25f));
                sensed(*s);
                s->setOffsetPosition(Ogre::Vector3(0, 0, 0.01f));
            },
            1},
        {"twice the mass", [&](Sphere& s, Sphere&) { s->setMass(mPhysics->createMass(s->getGeometry(0), 2)); }, 0.5f},
        {"another destroyed", [](Sphere&, Sphere& other) { other.reset(); }, 1},
        {"destroyed and made again",
            [&](Sphere& s, Sphere& other) {
                s.reset();
                other.reset();
                s = makeSphere(inside);
                s->setProperty("gravityScale", "2");
            },
            2},
        {"made after the first step", [&](Sphere& s, Sphere&) { s = makeSphere(inside); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto map = makeSmallMap(1);
        Sphere sphere = makeSphere(inside);
        Sphere other = makeSphere(inside + Ogre::Vector3(2, 0, 0));
        const unsigned long made = mPhysics->getStepCount();
        frame(0.01f);
        c.change(sphere, other);
        const float before = sphere->getLinearVelocity().z;
        frame(0.01f);
        EXPECT_NEAR(c.push, (sphere->getLinearVelocity().z - before) / 0.01f, 1e-3f);
        if (other) {
            EXPECT_NEAR(0.01f * (mPhysics->getStepCount() - made), other->getLinearVelocity().z, 1e-4f)
                << "the other sphere, pushed in every step";
        }
    }
}

TEST_F(GravityMapsUnderACommaDecimalLocale, ReadTheObjectsNumbersWithADecimalPoint)
{
    auto map = makeSmallMap(2);
    EXPECT_TRUE(
        pushAt(Ogre::Vector3(2, 3, 4), {{"gravityScale", "0.5"}}).positionEquals(Ogre::Vector3(0, 0, 1), 1e-4f));
}

TEST_F(GravityMaps, SensesOnlyObjectsThatMeetItsBox)
{
    const struct {
        const char* what;
        float scale;
        Ogre::Vector3 local; // in the map node's frame
        std::function<void(MovableObject&)> prepare;
        bool pushed;
    } cases[] = {
        {"inside", 1, {1, 1, 1}, [](MovableObject&) {}, true},
        {"no gravity partner", 1, {1, 1, 1}, [](MovableObject& o) { o.setCollisionPartners(19); }, false},
        {"not collidable", 1, {1, 1, 1}, [](MovableObject& o) { o.setCollidable(false); }, false},
        {"disabled", 1, {1, 1, 1}, [](MovableObject& o) { o.setEnabled(false); }, false},
        {"below, touching", 1, {-0.2f, 1, 1}, [](MovableObject&) {}, true},
        {"below, apart", 1, {-1, 1, 1}, [](MovableObject&) {}, false},
        {"below a stretched grid", 2, {-0.1f, 3, 0.5f}, [](MovableObject&) {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto map = makeSmallMap(1);
        map->setScale(Ogre::Vector3(c.scale));
        auto sphere = makeSphere(Ogre::Vector3(1, 2, 3) + c.local * c.scale);
        c.prepare(*sphere);
        frame(0.01f);
        EXPECT_EQ(c.pushed, sphere->getLinearVelocity().z > 0) << sphere->getLinearVelocity();
    }
}

TEST_F(GravityMaps, OverlappingMapsEachAddTheirForceOncePerStep)
{
    const struct {
        const char* what;
        std::function<void(GravityMap& older, GravityMap& newer)> prepare;
        float push; // along z, per step of 0.01 s
    } cases[] = {
        {"both push", [](GravityMap&, GravityMap&) {}, 1 + 3},
        {"the newer has no rule for an uncharged object",
            [](GravityMap&, GravityMap& newer) { newer.setMagnetic(true); }, 1},
        {"the newer in manual mode", [](GravityMap&, GravityMap& newer) { newer.setMode(GravityMap::MODE_MANUAL); }, 1},
        {"the older moved away", [](GravityMap& older, GravityMap&) { older.setPosition(Ogre::Vector3(50, 0, 0)); }, 3},
        {"the older pulling back", [](GravityMap& older, GravityMap&) { older.setIntensity(-5); }, -5 + 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto older = makeSmallMap(1);
        auto newer = makeSmallMap(3);
        c.prepare(*older, *newer);
        auto sphere = makeSphere(Ogre::Vector3(2, 3, 4));
        // Two steps in one frame: each map pushes once in each step.
        frame(0.02f);
        ASSERT_EQ(2u, mPhysics->getSubStepCount());
        EXPECT_NEAR(c.push * 2, sphere->getLinearVelocity().z / 0.01f, 1e-3f);
    }
}

TEST_F(GravityMaps, AGridWithoutCellsHoldsNoPointAndPushesNothing)
{
    // empty.gmap: at the origin, cell size 1, counts (0, 3, 3).
    auto map = makeMap("empty.gmap");
    map->setIntensity(1);
    map->setMode(GravityMap::MODE_AUTO);
    for (const Ogre::Vector3& point : {Ogre::Vector3(-0.5f, 0.5f, 0.5f), Ogre::Vector3(0, 0, 0), Ogre::Vector3(0.5f)}) {
        EXPECT_EQ(Ogre::Vector3::ZERO, map->getGravity(point)) << point;
    }
    auto sphere = makeSphere(Ogre::Vector3(-0.5f, 0.5f, 0.5f));
    frame(0.01f);
    EXPECT_EQ(Ogre::Vector3::ZERO, sphere->getLinearVelocity());
}

TEST_F(GravityMaps, ValuesThatAreNotFiniteAreRefusedAndChangeNothing)
{
    GameObject holder(mSceneManager->getRootSceneNode()->createChildSceneNode());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        std::function<void(GravityMap&)> call;
    } cases[] = {
        {"intensity NaN", [&](GravityMap& map) { map.setIntensity(nan); }},
        {"intensity infinite", [&](GravityMap& map) { map.setIntensity(-inf); }},
        {"charge NaN", [&](GravityMap& map) { map.setMagneticCharge(nan); }},
        {"scale NaN", [&](GravityMap& map) { map.setScale(Ogre::Vector3(1, nan, 1)); }},
        {"scale infinite", [&](GravityMap& map) { map.setScale(Ogre::Vector3(inf)); }},
        {"scaled by NaN", [&](GravityMap& map) { map.scale(Ogre::Vector3(nan)); }},
        {"scaled past what the physics space takes", [&](GravityMap& map) { map.scale(Ogre::Vector3(1e30f)); }},
        // The sensor box's offset (half the grid, (4, 2, 1)) grows with the world scale.
        {"scaled until the grid's offset passes 1e7", [&](GravityMap& map) { map.scale(Ogre::Vector3(1e4f, 1e4f, 1)); }},
        {"under a holder scaled until the offset passes 1e7",
            [&](GravityMap& map) {
                holder.addChild(&map);
                holder.setScale(Ogre::Vector3(1e4f, 1e4f, 1));
            }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto map = makeSmallMap(1);
        map->setScale(Ogre::Vector3(1e3f));
        EXPECT_THROW(c.call(*map), InvalidArgumentException);
        EXPECT_EQ(1, map->getIntensity());
        EXPECT_EQ(0, map->getMagneticCharge());
        EXPECT_EQ(Ogre::Vector3(1e3f), map->getScale());
        EXPECT_EQ(Ogre::Vector3::UNIT_SCALE, holder.getScale());
        frame(0.01f);
    }
    // Scales that keep the offset within 1e7 stay accepted, and the steps take them.
    auto map = makeSmallMap(1);
    holder.addChild(map.get());
    holder.setScale(Ogre::Vector3(1e6f, 1e6f, 1));
    map->scale(Ogre::Vector3(1, 1, 1e6f));
    frame(0.01f);
    EXPECT_EQ(Ogre::Vector3(1e6f), map->getWorldScale());
}

// field.gmap: 8 x 8 x 8 cells of 2 at (8, -8, -8), turned 90 degrees about z; cell (i, j, k) holds
// (1 + j / 4, -2 - i / 2, (k - 3.5) / 4). Bodies move by semi-implicit Euler steps.
TEST_F(GravityMaps, BodiesFollowTheFieldAlikeAtEveryFrameRate)
{
    const Ogre::Vector3 corner(8, -8, -8);
    const Ogre::Quaternion turn(std::sqrt(0.5f), 0, 0, std::sqrt(0.5f));
    for (bool magnetic : {false, true}) {
        for (bool box : {false, true}) {
            for (float rate : {30.0f, 100.0f, 250.0f}) {
                SCOPED_TRACE(testing::Message() << "magnetic " << magnetic << " box " << box << " at " << rate);
                auto map = makeMap("field.gmap");
                map->setMode(GravityMap::MODE_AUTO);
                map->setIntensity(2);
                map->setMagnetic(magnetic);
                map->setMagneticCharge(2);
                std::unique_ptr<MovableObject> body;
                if (box) {
                    // A box meets the trigger's box at several contact points.
                    body = std::make_unique<MovableObject>(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)), 1.0f);
                    body->setCollisionPartners(PhysicalBase::COLL_GRAVITY);
                } else {
                    body = makeSphere(Ogre::Vector3::ZERO);
                }
                body->setPosition(Ogre::Vector3(0.5f, 0.5f, 0.5f));
                body->setProperty("gravityScale", "0.5");
                body->setProperty("charge", "-1.5");
                const float factor = 2 * 0.5f * (magnetic ? 3.0f : 1.0f);

                Ogre::Vector3 position(0.5f, 0.5f, 0.5f), velocity(Ogre::Vector3::ZERO);
                for (int f = 0; f < int(rate); ++f) {
                    frame(1.0f / rate);
                    for (unsigned int s = 0; s < mPhysics->getSubStepCount(); ++s) {
                        const Ogre::Vector3 cell = (turn.Inverse() * (position - corner)) / 2;
                        const float i = std::floor(cell.x), j = std::floor(cell.y), k = std::floor(cell.z);
                        velocity += turn * Ogre::Vector3(1 + j / 4, -2 - i / 2, (k - 3.5f) / 4) * factor * 0.01f;
                        position += velocity * 0.01f;
                    }
                }
                EXPECT_GT(position.distance(Ogre::Vector3(0.5f, 0.5f, 0.5f)), 2.0f) << "crossed cells";
                EXPECT_TRUE(body->getPosition().positionEquals(position, 2e-3f)) << body->getPosition() << position;
            }
        }
    }
}

TEST_F(GravityMaps, DestroyingMapsOrTheirObjectsInCallbacksLeavesNothingBehind)
{
    // A wall inside the map that the pushed spheres touch.
    SinglePhysical wall(mPhysics->createBoxGeometry(Ogre::Vector3(2, 2, 0.5f)));
    wall.setPosition(Ogre::Vector3(2, 3, 4.4f));
    auto map = makeSmallMap(1);
    auto first = makeSphere(Ogre::Vector3(2, 3, 4));
    {
        boost::signals2::scoped_connection slot
            = first->eventCollision().connect([&](PhysicalBase*, Contact*) { map.reset(); });
        frames(3, 0.01f);
        EXPECT_EQ(nullptr, map);
    }

    map = makeSmallMap(1);
    auto second = makeSphere(Ogre::Vector3(2, 3, 4));
    second->eventCollision().connect([&](PhysicalBase*, Contact*) { second.reset(); });
    frames(3, 0.01f);
    EXPECT_EQ(nullptr, second);
    EXPECT_NE(nullptr, map);

    Trigger level(Ogre::Vector3(1, 1, 1));
    level.setPosition(Ogre::Vector3(2, 3, 4));
    level.setCollisionPartners(PhysicalBase::COLL_MOVABLE);
    level.eventEntered().connect([&] {
        map.reset();
        first.reset();
    });
    frames(3, 0.01f);
    EXPECT_EQ(nullptr, map);
    EXPECT_EQ(nullptr, first);
}
