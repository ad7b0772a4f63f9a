// Game objects mirror the hierarchy in the scene graph; physical children hang on their nodes.
#include "PhysicsFixture.h"

#include "core/Exceptions.h"
#include "physics/MovableObject.h"
#include "physics/PhysicsObject.h"
#include "physics/RayObject.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeRayGeometry.h"
#include "scene/GameObject.h"
#include "scene/NodeObject.h"
#include "support/LogCapture.h"

#include <OgreSceneNode.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

using namespace tolva;

namespace {

class GameObjects : public tolva::test::PhysicsFixture {
protected:
    std::unique_ptr<GameObject> make()
    {
        Ogre::SceneNode* node = mSceneManager->createSceneNode();
        mSceneManager->getRootSceneNode()->addChild(node);
        return std::make_unique<GameObject>(node);
    }
};

} // namespace

TEST_F(GameObjects, ChildNodesFollowTheHierarchy)
{
    auto a = make();
    auto b = make();
    auto child = make();
    EXPECT_TRUE(a->addChild(child.get()));
    EXPECT_EQ(a->getNode(), child->getNode()->getParentSceneNode());
    EXPECT_TRUE(b->addChild(child.get()));
    EXPECT_EQ(b->getNode(), child->getNode()->getParentSceneNode());
    EXPECT_EQ(0u, a->getNode()->numChildren());
    child->setParent(a.get());
    EXPECT_EQ(a->getNode(), child->getNode()->getParentSceneNode());
    EXPECT_EQ(0u, b->getNode()->numChildren());
    EXPECT_FALSE(a->addChild(nullptr));
    EXPECT_TRUE(a->removeChild(child.get()));
    EXPECT_EQ(nullptr, child->getNode()->getParentSceneNode());
}

TEST_F(GameObjects, TransformsAndSpaceConversions)
{
    auto parent = make();
    auto child = make();
    parent->addChild(child.get());
    parent->setPosition(Ogre::Vector3(10, 0, 0));
    parent->rotate(Ogre::Vector3::UNIT_Y, 90);
    child->setPosition(Ogre::Vector3(0, 0, 1));
    mSceneManager->getRootSceneNode()->_update(true, false);
    EXPECT_TRUE(child->getWorldPosition().positionEquals(Ogre::Vector3(11, 0, 0), 1e-4f));
    const Ogre::Vector3 v(1, 2, 3);
    EXPECT_TRUE(child->localise(child->globalise(v, true), true).positionEquals(v, 1e-4f));
    EXPECT_TRUE(child->globalise(Ogre::Vector3::UNIT_Z, false).positionEquals(Ogre::Vector3::UNIT_X, 1e-4f));
    child->setRotationMode(Ogre::Node::TS_WORLD);
    child->rotate(Ogre::Vector3::UNIT_X, 90);
    mSceneManager->getRootSceneNode()->_update(true, false);
    EXPECT_TRUE(child->getWorldOrientation().equals(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_X)
            * Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y),
        Ogre::Radian(1e-3f)));
}

TEST_F(GameObjects, GeometriesHangOnTheNodeAndFollowIt)
{
    auto holder = make();
    SinglePhysical fixed(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    fixed.setOffsetPosition(Ogre::Vector3(0, 1, 0));
    EXPECT_TRUE(holder->addChild(&fixed));
    EXPECT_EQ(holder->getNode(), fixed.getGeometry(0)->getParentSceneNode());
    holder->setPosition(Ogre::Vector3(5, 0, 0));
    frame(0.01f); // the physics frame brings the nodes up to date first
    EXPECT_TRUE(fixed.getGeometry(0)->getWorldPosition().positionEquals(Ogre::Vector3(5, 1, 0), 1e-4f));
    EXPECT_TRUE(holder->removeChild(&fixed));
    EXPECT_EQ(nullptr, fixed.getGeometry(0)->getParentSceneNode());
}

TEST_F(GameObjects, BodiesLeadTheirNodes)
{
    mPhysics->setGravity(Ogre::Vector3(0, -10, 0));
    auto holder = make();
    MovableObject ball(mPhysics->createSphereGeometry(0.5f), 1.0f);
    ball.setCollisionPartners(0);
    ball.setPosition(Ogre::Vector3(0, 10, 0));
    EXPECT_TRUE(holder->addChild(&ball));
    EXPECT_EQ(holder->getNode(), ball.getBody()->getParentSceneNode());
    frames(10, 0.01f);
    EXPECT_LT(ball.getPosition().y, 10.0f);
    EXPECT_TRUE(holder->getNode()->_getDerivedPosition().positionEquals(ball.getPosition(), 1e-4f));
}

TEST_F(GameObjects, BodyUnderAScaleThatCountsAsZeroLeavesItsNodeInPlace)
{
    for (const Ogre::Vector3& scale : {Ogre::Vector3(0, 1, 1), Ogre::Vector3(1, 1e-40f, 1)}) {
        SCOPED_TRACE(scale);
        auto camera = make();
        auto holder = make();
        camera->addChild(holder.get());
        MovableObject ball(mPhysics->createSphereGeometry(0.5f), 1.0f);
        ball.setCollisionPartners(0);
        ball.setAffectedByGravity(false);
        ball.setPosition(Ogre::Vector3(0, 2, 0));
        camera->setScale(scale);
        EXPECT_TRUE(holder->addChild(&ball));
        frames(3, 0.01f);
        const Ogre::Vector3 place = holder->getNode()->getPosition();
        EXPECT_TRUE(std::isfinite(place.x) && std::isfinite(place.y) && std::isfinite(place.z)) << place;
        // Written back again once the scale can be divided by.
        camera->setScale(Ogre::Vector3(2, 2, 2));
        frames(1, 0.01f);
        EXPECT_TRUE(holder->getNode()->getPosition().positionEquals(Ogre::Vector3(0, 1, 0), 1e-4f));
    }
}

TEST_F(GameObjects, MovesThatWouldTakeARayBeyond1e7AreRefusedChangingNothing)
{
    tolva::test::LogCapture log;
    NodeObject root(mSceneManager->getRootSceneNode());
    auto far = make();
    auto holder = make();
    auto stranger = make();
    root.addChild(far.get());
    far->addChild(holder.get());
    holder->setPosition(Ogre::Vector3(1, 0, 0));
    stranger->setPosition(Ogre::Vector3(2e7f, 0, 0));
    RayObject ray(Ogre::Vector3(0, -1, 0));
    EXPECT_TRUE(holder->addChild(&ray));
    MovableObject ball(mPhysics->createSphereGeometry(0.5f), 1.0f);
    ball.setAffectedByGravity(false);
    // A game object whose own node carries a box: no physical child of its own.
    SinglePhysical box(mPhysics->createBoxGeometry(Ogre::Vector3(1, 1, 1)));
    Ogre::SceneNode* carrierNode = mSceneManager->createSceneNode();
    mSceneManager->getRootSceneNode()->addChild(carrierNode);
    PhysicsObject carrier(carrierNode, &box);
    EXPECT_TRUE(holder->addChild(&carrier));
    carrier.setPosition(Ogre::Vector3(0, 0, 1e3f));
    frame(0.01f);

    const std::string warning = "Warning: Attempt to place a hierarchical where a physical object of it would be beyond 1e7.";
    struct Call {
        const char* name;
        std::function<void()> call;
        bool throws;
    };
    const std::vector<Call> calls = {
        {"the holder's position", [&] { holder->setPosition(Ogre::Vector3(2e7f, 0, 0)); }, true},
        {"an ancestor's position", [&] { far->setPosition(Ogre::Vector3(0, 1e15f, 0)); }, true},
        {"an ancestor's scale", [&] { far->setScale(Ogre::Vector3(1e9f)); }, true},
        {"the root node object's position", [&] { root.setPosition(Ogre::Vector3(0, 0, 1e15f)); }, true},
        // The ray three levels down would end at 9e9.
        {"the holder's position just after the root node object was scaled",
            [&] {
                root.setScale(Ogre::Vector3(1e3f));
                struct ScaleBack {
                    NodeObject& root;
                    ~ScaleBack() { root.setScale(Ogre::Vector3::UNIT_SCALE); }
                } back{root};
                holder->setPosition(Ogre::Vector3(9e6f, 0, 0));
            },
            true},
        {"the carrier's position", [&] { carrier.setPosition(Ogre::Vector3(0, 0, 2e7f)); }, true},
        {"an ancestor's scale that takes only the carried box far", [&] { far->setScale(Ogre::Vector3(2e4f)); },
            true},
        {"a far parent adding the holder", [&] { EXPECT_FALSE(stranger->addChild(holder.get())); }, false},
        {"the holder choosing a far parent", [&] { holder->setParent(stranger.get()); }, false},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        log.clear();
        if (call.throws) {
            EXPECT_THROW(call.call(), InvalidArgumentException);
        } else {
            call.call();
            EXPECT_EQ(1, log.count(warning));
        }
        frames(2, 0.01f);
        EXPECT_EQ(far.get(), holder->getParent());
        EXPECT_TRUE(ray.getRayGeometry()->getStart().positionEquals(Ogre::Vector3(1, 0, 0), 1e-4f));
        EXPECT_TRUE(box.getGeometry(0)->getWorldPosition().positionEquals(Ogre::Vector3(1, 0, 1e3f), 1e-2f));
    }
}
