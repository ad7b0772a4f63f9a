// Game objects mirror the hierarchy in the scene graph; physical children hang on their nodes.
#include "PhysicsFixture.h"

#include "physics/MovableObject.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeGeometry.h"
#include "scene/GameObject.h"

#include <OgreSceneNode.h>

#include <memory>

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
