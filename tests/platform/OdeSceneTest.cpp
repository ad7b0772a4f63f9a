// The ODE layer with the rendering engine's scene: geometries and bodies on scene nodes, and
// triangle meshes read from meshes (windowless root, system-memory buffers).
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeCollisionListener.h"
#include "platform/OdeEntityInformer.h"
#include "platform/OdeExactVariableStepHandler.h"
#include "platform/OdeRayGeometry.h"
#include "platform/OdeSpace.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeSphereMass.h"
#include "platform/OdeTriangleMeshGeometry.h"
#include "platform/OdeWorld.h"

#include "core/Exceptions.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreMeshManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <gtest/gtest.h>

#include <memory>

using namespace tolva;
using namespace tolva::ode;

namespace {

class OdeScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        mRoot = std::make_unique<Ogre::Root>("", "", "");
        mBuffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
        mScene = mRoot->createSceneManager();
    }

    void TearDown() override
    {
        mRoot.reset();
        mBuffers.reset();
    }

    void updateNodes() { mScene->getRootSceneNode()->_update(true, false); }

    std::unique_ptr<Ogre::Root> mRoot;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> mBuffers;
    Ogre::SceneManager* mScene = nullptr;
};

} // namespace

TEST_F(OdeScene, BodilessGeometryFollowsItsNodeWithItsOffset)
{
    BoxGeometry box(Ogre::Vector3(1, 1, 1));
    box.setOffsetPosition(Ogre::Vector3(0, 0, 2));
    Ogre::SceneNode* parent = mScene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(10, 0, 0));
    Ogre::SceneNode* node = parent->createChildSceneNode();
    node->attachObject(&box);
    parent->yaw(Ogre::Degree(90));
    updateNodes();
    // Node at (10, 0, 0) turned a quarter about Y: the local offset +Z points along world +X.
    EXPECT_TRUE(box.getWorldPosition().positionEquals(Ogre::Vector3(12, 0, 0), 1e-4f));
    node->setPosition(Ogre::Vector3(0, 5, 0));
    updateNodes();
    EXPECT_TRUE(box.getWorldPosition().positionEquals(Ogre::Vector3(12, 5, 0), 1e-4f));
}

TEST_F(OdeScene, RayOnANodeTurnsWithIt)
{
    RayGeometry ray(3.0f);
    Ogre::SceneNode* node = mScene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(1, 2, 3));
    node->attachObject(&ray);
    ray.setDefinition(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z);
    node->yaw(Ogre::Degree(90));
    updateNodes();
    EXPECT_TRUE(ray.getStart().positionEquals(Ogre::Vector3(1, 2, 3), 1e-4f));
    EXPECT_TRUE(ray.getDirection().positionEquals(Ogre::Vector3::UNIT_X, 1e-4f));
    EXPECT_FLOAT_EQ(3.0f, ray.getLength());
}

TEST_F(OdeScene, BodyLeadsItsNodeAndIgnoresNodeMoves)
{
    World world(mScene);
    Body body(&world);
    SphereGeometry sphere(0.5f, world.getDefaultSpace());
    sphere.setBody(&body);
    Ogre::SceneNode* parent = mScene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 1, 0));
    Ogre::SceneNode* node = parent->createChildSceneNode();
    body.setPosition(Ogre::Vector3(4, 0, 0));
    node->attachObject(&body);
    updateNodes();
    EXPECT_TRUE(node->_getDerivedPosition().positionEquals(Ogre::Vector3(4, 0, 0), 1e-4f));
    // Moving the node does not drag the body or its geometry.
    node->setPosition(Ogre::Vector3(0, 0, 0));
    updateNodes();
    EXPECT_EQ(Ogre::Vector3(4, 0, 0), body.getPosition());
    EXPECT_EQ(Ogre::Vector3(4, 0, 0), sphere.getWorldPosition());
    body.setPosition(Ogre::Vector3(-1, 0, 0));
    world.synchronise();
    EXPECT_TRUE(node->_getDerivedPosition().positionEquals(Ogre::Vector3(-1, 0, 0), 1e-4f));
}

TEST_F(OdeScene, TriangleMeshFromAMeshStopsAFallingSphere)
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createPlane("ground",
        Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, Ogre::Plane(Ogre::Vector3::UNIT_Y, 0), 10, 10, 1, 1,
        true, 1, 1, 1, Ogre::Vector3::UNIT_Z);
    EntityInformer informer;
    Ogre::Matrix4 scale = Ogre::Matrix4::IDENTITY;
    scale.setScale(Ogre::Vector3(2, 1, 2));
    informer.addMesh(mesh.get(), scale, -1);
    EXPECT_EQ(4u, informer.getVertexCount());
    EXPECT_EQ(2u, informer.getTriangleCount());
    informer.addMesh(mesh.get(), scale, 3);
    EXPECT_EQ(2u, informer.getTriangleCount()) << "a sub-mesh that does not exist adds nothing";

    World world(mScene);
    world.setGravity(Ogre::Vector3(0, -9.81f, 0));
    struct Accept : CollisionListener {
        bool collision(Contact*) override { return true; }
    } accept;
    world.setCollisionListener(&accept);
    ExactVariableStepHandler handler(&world, 1, 0.01f, 1.0f / 30, 1.0f);
    std::unique_ptr<TriangleMeshGeometry> ground(informer.createStaticTriangleMesh(world.getDefaultSpace()));
    EXPECT_EQ(Geometry::CLASS_TRIANGLE_MESH, ground->getClass());
    // Scaled by 2 along X: a sphere at x = 8 still lands on it.
    Body body(&world);
    SphereGeometry ball(0.5f, world.getDefaultSpace());
    ball.setBody(&body);
    ASSERT_TRUE(body.setMass(SphereMass(1.0f, 0.5f)));
    body.setPosition(Ogre::Vector3(8, 2, 0));
    for (int i = 0; i < 300; ++i) {
        handler.step(0.01f);
    }
    EXPECT_NEAR(0.5f, body.getPosition().y, 0.05f);
}

TEST(OdeTriangleMesh, BadArraysAreRefused)
{
    EXPECT_THROW(TriangleMeshGeometry({0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 5}), InvalidArgumentException);
    EXPECT_THROW(TriangleMeshGeometry({0, 0, 0, 1}, {0, 0, 0}), InvalidArgumentException);
    // ODE itself aborts on a mesh without triangles.
    EXPECT_THROW(TriangleMeshGeometry({}, {}), InvalidArgumentException);
    EXPECT_THROW(TriangleMeshGeometry({0, 0, 0, 1, 0, 0, 0, 0, 1}, {}), InvalidArgumentException);
}
