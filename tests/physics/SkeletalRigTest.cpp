// Skeletal rigs on the test rig mesh ("TestRig.mesh": bones Root at the origin, Arm at (2, 0, 0)
// and Hand one above Arm; its animation "Lift" raises Arm and Hand by one unit per second).
#include "scene/SceneFixture.h"

#include "core/Exceptions.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "physics/SkeletalRig.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeSphereGeometry.h"
#include "scene/MeshObject.h"

#include <OgreEntity.h>

namespace tolva::test {
namespace {

class SkeletalRigs : public SceneFixture {
protected:
    void SetUp() override
    {
        mWithPhysics = true;
        SceneFixture::SetUp();
        mPhysics = mEngine->getPhysics();
    }

    std::unique_ptr<MeshObject> makeMesh(const Ogre::Vector3& position, const char* name = "TestRig.mesh")
    {
        auto mesh = std::make_unique<MeshObject>("mesh" + std::to_string(++mMeshes), name);
        mesh->setPosition(position);
        return mesh;
    }

    ode::Geometry* box() { return mPhysics->createBoxGeometry(Ogre::Vector3(0.2f, 0.2f, 0.2f)); }

    Physics* mPhysics = nullptr;
    int mMeshes = 0;
};

} // namespace

TEST_F(SkeletalRigs, RiggingHangsThePiecesWhoseBonesExist)
{
    auto mesh = makeMesh(Ogre::Vector3(0, 0, -20));
    SkeletalRig rig;
    rig.rig(mesh.get());
    EXPECT_FALSE(rig.isRigged()) << "no pieces";
    rig.unrig();

    EXPECT_TRUE(rig.addGeometry("Root", box()));
    EXPECT_TRUE(rig.addGeometry("Elbow", box()));
    EXPECT_TRUE(rig.addGeometry("Hand", box()));
    EXPECT_FALSE(rig.addGeometry("Arm", rig.getGeometry(0)));
    mLog->clear();
    for (int time = 0; time < 2; ++time) {
        rig.rig(mesh.get());
        EXPECT_EQ(
            std::vector<std::string>{"Warning: Geometry piece could not be rigged to bone Elbow."}, mLog->getLines());
        mLog->clear();
        EXPECT_EQ(mesh.get(), rig.getMesh());
        EXPECT_NE(nullptr, rig.getPieces()[0].tagPoint);
        EXPECT_EQ(nullptr, rig.getPieces()[1].tagPoint);
        EXPECT_NE(nullptr, rig.getPieces()[2].tagPoint);
        EXPECT_EQ(2u, mesh->getMesh()->getAttachedObjects().size());
    }

    auto panel = makeMesh(Ogre::Vector3::ZERO, "TestPanel.mesh");
    try {
        rig.rig(panel.get());
        ADD_FAILURE() << "rigged to a mesh without skeleton";
    } catch (const InvalidArgumentException& error) {
        EXPECT_STREQ("Mesh supplied for rigging does not have a skeleton.", error.what());
    }
    EXPECT_FALSE(rig.isRigged());
    EXPECT_EQ(0u, mesh->getMesh()->getAttachedObjects().size()) << "the previous mesh was released";
}

TEST_F(SkeletalRigs, PiecesFollowTheAnimationInThePhysicsFrameThatSeesIt)
{
    const Ogre::Quaternion turn(Ogre::Degree(90), Ogre::Vector3::UNIT_Y);
    const Ogre::Quaternion tilt(Ogre::Degree(90), Ogre::Vector3::UNIT_Z);
    // In view, and behind the camera, where the mesh is never drawn.
    for (const Ogre::Vector3& place : {Ogre::Vector3(0, 0, -20), Ogre::Vector3(0, 0, 50)}) {
        SCOPED_TRACE(place);
        auto mesh = makeMesh(place);
        mesh->setOrientation(turn);
        SkeletalRig rig;
        rig.addGeometry("Hand", box(), Ogre::Vector3(0, 0.5f, 0), tilt);
        rig.rig(mesh.get());
        mesh->selectAnimation("Lift", false);
        for (float time : {0.5f, 1.0f}) {
            mesh->advanceAnimation(time, false);
            // The physics frame alone: nothing is drawn before the world steps.
            mPhysics->frame(0.01f);
            ode::Geometry* piece = rig.getGeometry(0);
            EXPECT_TRUE(
                piece->getWorldPosition().positionEquals(place + turn * Ogre::Vector3(2, 1.5f + time, 0), 1e-4f))
                << piece->getWorldPosition();
            EXPECT_TRUE(piece->getWorldOrientation().equals(turn * tilt, Ogre::Radian(1e-4f)));
        }
    }
}

TEST_F(SkeletalRigs, RemovedOrReplacedGeometriesLeaveTheirPieces)
{
    auto mesh = makeMesh(Ogre::Vector3(0, 0, -20));
    SkeletalRig rig;
    rig.addGeometry("Root", box());
    rig.addGeometry("Arm", box());
    rig.addGeometry("Hand", box());
    rig.rig(mesh.get());
    EXPECT_TRUE(rig.removeGeometry(rig.getGeometry(1)));
    EXPECT_EQ(2u, mesh->getMesh()->getAttachedObjects().size());
    ode::Geometry* stranger = box();
    EXPECT_FALSE(rig.removeGeometry(stranger));
    delete stranger;

    rig.unrig();
    EXPECT_TRUE(rig.removeGeometry(rig.getGeometry(0)));
    EXPECT_TRUE(rig.setGeometry(0, box()));
    rig.addGeometry("Arm", box());
    ASSERT_EQ(1u, rig.getPieces().size());
    EXPECT_EQ("Arm", rig.getPieces()[0].bone);
    mLog->clear();
    rig.rig(mesh.get());
    EXPECT_TRUE(mLog->getLines().empty());
    EXPECT_EQ(1u, mesh->getMesh()->getAttachedObjects().size()) << "no piece of a destroyed geometry is hung";

    // Added while rigged: hung at the next rig only.
    rig.addGeometry("Hand", box());
    EXPECT_EQ(nullptr, rig.getPieces()[1].tagPoint);
    rig.rig(mesh.get());
    EXPECT_NE(nullptr, rig.getPieces()[1].tagPoint);
}

TEST_F(SkeletalRigs, RigsAndMeshesDestroyedWhileRiggedLeaveNothingBehind)
{
    auto mesh = makeMesh(Ogre::Vector3(0, 0, -20));
    auto rig = std::make_unique<SkeletalRig>();
    rig->addGeometry("Root", box());
    rig->rig(mesh.get());
    rig.reset();
    EXPECT_EQ(0u, mesh->getMesh()->getAttachedObjects().size());

    rig = std::make_unique<SkeletalRig>();
    rig->addGeometry("Hand", box());
    rig->rig(mesh.get());
    mesh.reset();
    EXPECT_FALSE(rig->isRigged());
    frame();
    rig->unrig();

    // A rig destroyed by the collision slot of what its piece touches.
    mesh = makeMesh(Ogre::Vector3(0, 0, -20));
    rig->rig(mesh.get());
    MovableObject ball(mPhysics->createSphereGeometry(0.5f));
    ball.setAffectedByGravity(false);
    ball.setPosition(mesh->getPosition() + Ogre::Vector3(2, 1, 0));
    int calls = 0;
    ball.eventCollision().connect([&](PhysicalBase*, Contact*) {
        ++calls;
        rig.reset();
    });
    frame();
    frame();
    EXPECT_EQ(1, calls);
    EXPECT_EQ(nullptr, rig);
    EXPECT_EQ(0u, mesh->getMesh()->getAttachedObjects().size());
}

} // namespace tolva::test
