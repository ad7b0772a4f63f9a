// Mesh objects: skeletal animation and its blending, objects that follow bones, bodies that move
// the mesh, materials and parameters per sub-mesh, and the timed and distance fades. The test rig
// ("TestRig.mesh") has the sub-meshes "Body" and "Head" and the bones Root at the origin, Arm at
// (2, 0, 0) and Hand one above Arm; its animations "Lift" and "Slide" move Arm (and Hand) by one
// unit per second up and along +Z.
#include "SceneFixture.h"

#include <OgreAnimationState.h>
#include <OgreBone.h>
#include <OgreEntity.h>
#include <OgreSubEntity.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "core/Exceptions.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "platform/OdeSphereGeometry.h"
#include "scene/BillboardEffect.h"
#include "scene/MeshObject.h"

namespace tolva::test {
namespace {

class MeshObjects : public SceneFixture {
protected:
    /// The rig in view, so that each rendered frame applies its animations to the skeleton.
    std::unique_ptr<MeshObject> rig()
    {
        auto mesh = std::make_unique<MeshObject>("rig", "TestRig.mesh");
        mesh->setPosition(Ogre::Vector3(0, 0, -20));
        return mesh;
    }

    /// Where the bone is in the mesh's space after the next frame.
    Ogre::Vector3 boneAfterFrame(MeshObject& mesh, const std::string& bone)
    {
        frame();
        return mesh.getBone(bone)->_getDerivedPosition();
    }
};

bool same(const Ogre::Vector3& a, const Ogre::Vector3& b)
{
    return a.positionEquals(b, 1e-4f);
}

TEST_F(MeshObjects, AnimationsBlendCumulativelyAndPerBone)
{
    auto mesh = rig();
    EXPECT_TRUE(mesh->isAnimated());
    mesh->selectAnimation("Lift", false);
    mesh->advanceAnimation(1.0f, true);
    EXPECT_TRUE(same(boneAfterFrame(*mesh, "Arm"), Ogre::Vector3(2, 1, 0)));

    // A second selected animation adds to the first.
    mesh->selectAnimation("Slide", false);
    mesh->advanceAnimation(1.0f, true);
    EXPECT_TRUE(mesh->getAnimationState("Lift")->getEnabled());
    EXPECT_TRUE(same(boneAfterFrame(*mesh, "Arm"), Ogre::Vector3(2, 1, 1)));

    mesh->enableAnimationPerBoneBlending("Lift", 0.0f);
    EXPECT_TRUE(same(boneAfterFrame(*mesh, "Arm"), Ogre::Vector3(2, 0, 1)));
    mesh->setAnimationBoneWeight("Lift", "Arm", 0.5f);
    EXPECT_TRUE(same(boneAfterFrame(*mesh, "Arm"), Ogre::Vector3(2, 0.5f, 1)));

    // Selecting with disablePrevious drops the other one.
    mesh->selectAnimation("Lift", true);
    EXPECT_FALSE(mesh->getAnimationState("Slide")->getEnabled());
    EXPECT_TRUE(same(boneAfterFrame(*mesh, "Arm"), Ogre::Vector3(2, 0.5f, 0)));

    mesh->disableAnimationPerBoneBlending("Lift");
    EXPECT_TRUE(same(boneAfterFrame(*mesh, "Arm"), Ogre::Vector3(2, 1, 0)));
}

TEST_F(MeshObjects, AnimationTimeIsSetOrAdvanced)
{
    auto mesh = rig();
    mesh->selectAnimation("Lift", false);
    mesh->setAnimationLooped(false);
    mesh->advanceAnimation(0.5f, false);
    mesh->advanceAnimation(0.5f, false);
    EXPECT_FLOAT_EQ(mesh->getAnimationState("Lift")->getTimePosition(), 0.5f);
    mesh->advanceAnimation(0.5f, true);
    EXPECT_FLOAT_EQ(mesh->getAnimationState("Lift")->getTimePosition(), 1.0f);
    EXPECT_FALSE(mesh->isAnimationFinished());
    mesh->advanceAnimation(5.0f, true);
    EXPECT_TRUE(mesh->isAnimationFinished());

    // Two enabled animations are both switched off; the selection stays.
    mesh->selectAnimation("Slide", false);
    mesh->disableAllAnimations();
    EXPECT_FALSE(mesh->getAnimationState("Lift")->getEnabled());
    EXPECT_FALSE(mesh->getAnimationState("Slide")->getEnabled());
    mLog->clear();
    mesh->isAnimationLooped();
    EXPECT_TRUE(mLog->getLines().empty());
}

TEST_F(MeshObjects, AnimationMisuseWarnsOrThrows)
{
    auto mesh = rig();
    MeshObject cube("cube", "Prefab_Cube");
    EXPECT_EQ(cube.getRenderType(), MeshObject::RT_NORMAL);
    EXPECT_EQ(cube.getMesh()->getRenderQueueGroup(), 50);
    EXPECT_FALSE(cube.isAnimated());

    // Nothing selected yet.
    const std::pair<std::function<void()>, std::string> warnings[] = {
        {[&] { EXPECT_TRUE(mesh->isAnimationFinished()); },
            "Warning: Attempt to set animation loop-state requested with no set animation."},
        {[&] { EXPECT_FALSE(mesh->isAnimationLooped()); },
            "Warning: Animation loop-state requested with no set animation."},
        {[&] { mesh->setAnimationLooped(true); },
            "Warning: Attempt to set animation loop-state requested with no set animation."},
        {[&] { mesh->advanceAnimation(1.0f, true); },
            "Warning: Animation-time advancement requested with no animation selected."},
    };
    for (const auto& warning : warnings) {
        mLog->clear();
        warning.first();
        EXPECT_EQ(mLog->getLines(), std::vector<std::string>{warning.second});
    }

    EXPECT_THROW(mesh->setAnimationBoneWeight("Lift", "Arm", 1.0f), IllegalStateException);
    mesh->enableAnimationPerBoneBlending("Lift", 1.0f);
    EXPECT_THROW(mesh->setAnimationBoneWeight("Lift", "Elbow", 1.0f), NotFoundException);
    EXPECT_THROW(mesh->getAnimationState("Jump"), InvalidArgumentException);
    EXPECT_THROW(cube.getAnimationState("Lift"), InvalidArgumentException);
    EXPECT_THROW(cube.enableAnimationPerBoneBlending("Lift", 1.0f), NotFoundException);
    EXPECT_THROW(cube.getBone("Arm"), NotFoundException);

    // An unknown name leaves nothing selected.
    mesh->selectAnimation("Lift", false);
    EXPECT_THROW(mesh->selectAnimation("Jump", false), InvalidArgumentException);
    mLog->clear();
    mesh->advanceAnimation(1.0f, true);
    EXPECT_EQ(mLog->getLines().size(), 1u);
}

TEST_F(MeshObjects, AttachedObjectsFollowTheirBone)
{
    auto mesh = rig();
    GameObject follower;
    mesh->addChild(&follower);
    mesh->attachObjectToBone("Arm", &follower, Ogre::Vector3(0, 1, 0));
    EXPECT_TRUE(same(follower.getPosition(), Ogre::Vector3(2, 1, 0)));
    EXPECT_THROW(mesh->attachObjectToBone("Arm", nullptr), InvalidArgumentException);

    mesh->selectAnimation("Lift", false);
    mesh->advanceAnimation(1.0f, true);
    frame();
    EXPECT_TRUE(same(follower.getPosition(), Ogre::Vector3(2, 2, 0)));

    // A second bone takes the object over, with one warning.
    mLog->clear();
    mesh->attachObjectToBone("Hand", &follower);
    EXPECT_EQ(mLog->count("Warning: Request to attch object already attached to a bone. Removing."), 1);
    EXPECT_EQ(mesh->getSkeletonAttachments().size(), 1u);
    EXPECT_EQ(mesh->getBone("Arm")->getListener(), nullptr);
    mesh->advanceAnimation(0.5f, true);
    frame();
    EXPECT_TRUE(same(follower.getPosition(), Ogre::Vector3(2, 2.5f, 0)));

    mesh->detachObjectFromBone(&follower);
    mLog->clear();
    mesh->detachObjectFromBone(&follower);
    EXPECT_TRUE(mLog->contains("Warning: Attempt to detach object from bone that is not attached."));
    mesh->advanceAnimation(0.25f, true);
    frame();
    EXPECT_TRUE(same(follower.getPosition(), Ogre::Vector3(2, 2.5f, 0)));
}

TEST_F(MeshObjects, AFollowBeyondTheWorldBoundsIsRefusedAtTheAttachOrSkippedInTheFrame)
{
    // Scaled by 7e14 along y, the rig's space puts Hand (2, 1, 0) at 7e14 and one unit higher
    // beyond 1e15: where the offset puts it, or where "Lift" carries it.
    const struct {
        const char* name;
        Ogre::Vector3 offset;
        bool attachRefused;
        Ogre::Vector3 stays;
        int warnings;
    } cases[] = {
        {"an attach beyond the bound", Ogre::Vector3(0, 1, 0), true, Ogre::Vector3::ZERO, 0},
        {"an animation that carries the follower beyond it", Ogre::Vector3::ZERO, false, Ogre::Vector3(2, 1, 0), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto mesh = rig();
        mesh->setScale(Ogre::Vector3(1, 7e14f, 1));
        GameObject follower;
        mesh->addChild(&follower);
        mesh->selectAnimation("Lift", false);
        frame();
        mLog->clear();
        if (c.attachRefused) {
            EXPECT_THROW(mesh->attachObjectToBone("Hand", &follower, c.offset), InvalidArgumentException);
        } else {
            mesh->attachObjectToBone("Hand", &follower, c.offset);
        }
        EXPECT_EQ(c.attachRefused, mesh->getSkeletonAttachments().empty());
        for (int i = 0; i < 4; ++i) {
            mesh->advanceAnimation(0.5f, true);
            EXPECT_NO_THROW(frame());
        }
        EXPECT_TRUE(same(follower.getPosition(), c.stays)) << follower.getPosition();
        const std::vector<std::string> lines = mLog->getLines();
        EXPECT_EQ(c.warnings, std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("Warning:", 0) == 0;
        }));
    }
}

TEST_F(MeshObjects, ObjectDestroyedOnABoneIsForgotten)
{
    auto mesh = rig();
    mesh->selectAnimation("Lift", false);
    auto follower = std::make_unique<GameObject>();
    mesh->attachObjectToBone("Hand", follower.get());
    follower.reset();
    EXPECT_TRUE(mesh->getSkeletonAttachments().empty());
    EXPECT_EQ(mesh->getBone("Hand")->getListener(), nullptr);
    // The animated bone is updated again: nothing may reach the destroyed object.
    mesh->advanceAnimation(1.0f, true);
    frame();
}

TEST_F(MeshObjects, MeshDestroyedWhileObjectsHangOnItLeavesThemUsable)
{
    auto mesh = rig();
    GameObject follower;
    mesh->attachObjectToBone("Hand", &follower);
    BillboardEffect glow("glow", "test/Dot");
    mesh->attachEffect(&glow);
    GameObject child;
    mesh->addChild(&child);

    mesh.reset();
    EXPECT_EQ(glow.getBillboardSet()->getParentSceneNode(), glow.getNode());
    EXPECT_EQ(glow.getHost(), nullptr);
    EXPECT_TRUE(child.isRoot());
    follower.setPosition(Ogre::Vector3(1, 2, 3));
    glow.setPosition(Ogre::Vector3(0, 0, -10));
    frame();
}

TEST_F(MeshObjects, MaterialsAndParametersPerSubMesh)
{
    auto mesh = rig();
    mesh->setMaterialName("test/Red", "Head");
    EXPECT_EQ(mesh->getMesh()->getSubEntity(1)->getMaterialName(), "test/Red");
    EXPECT_EQ(mesh->getMesh()->getSubEntity(0)->getMaterialName(), "test/RigBody");
    mLog->clear();
    mesh->setMaterialName("test/Red", "Tail");
    EXPECT_TRUE(mLog->contains("Warning: Attempt to set material on empty mesh or invalid submesh."));

    mesh->setVisible(false, "Head");
    EXPECT_FALSE(mesh->isVisible("Head"));
    EXPECT_TRUE(mesh->isVisible("Body"));
    EXPECT_THROW(mesh->isVisible("Tail"), NotFoundException);

    mesh->setCustomParameter(3, 1, 2, 3, 4, 1);
    EXPECT_EQ(mesh->getCustomParameter(3, 1), Ogre::Vector4(1, 2, 3, 4));
    mLog->clear();
    mesh->setCustomParameter(3, 5, 6, 7, 8, 2);
    EXPECT_EQ(mesh->getCustomParameter(3, 2), Ogre::Vector4::ZERO);
    EXPECT_EQ(mLog->getLines(),
        (std::vector<std::string>{"Warning: Attempt to set a custom parameter for non-existent mesh.",
            "Warning: Attempt to retrieve custom parameter for non-existent mesh."}));
}

class MeshBodies : public MeshObjects {
protected:
    void SetUp() override
    {
        mWithPhysics = true;
        MeshObjects::SetUp();
    }
};

TEST_F(MeshBodies, MovableBodyTakesThePositionFixedOneLeavesItToTheNode)
{
    Physics* physics = mEngine->getPhysics();
    MeshObject mesh("ball", "Prefab_Sphere");
    MovableObject body(physics->createSphereGeometry(1.0f));
    SinglePhysical fixed(physics->createSphereGeometry(1.0f));

    EXPECT_FALSE(mesh.addChildAsBody(&body));
    mesh.setPosition(Ogre::Vector3(5, 0, 0));
    EXPECT_TRUE(same(body.getPosition(), Ogre::Vector3(5, 0, 0)));

    // Replacing the body reports the replacement and gives the setters back to the node.
    EXPECT_TRUE(mesh.addChildAsBody(&fixed));
    EXPECT_EQ(body.getParent(), nullptr);
    mesh.setPosition(Ogre::Vector3(0, 7, 0));
    EXPECT_TRUE(same(mesh.getPosition(), Ogre::Vector3(0, 7, 0)));

    EXPECT_TRUE(mesh.removeChild(&fixed));
    EXPECT_FALSE(mesh.isBodyAttached());
    mesh.addChildAsBody(&body);
    EXPECT_TRUE(mesh.isBodyAttached());
}

TEST_F(MeshObjects, TimedFadeMovesTheFadeMaterialsAlpha)
{
    MeshObject mesh("crate1", "Prefab_Cube");
    mesh.setMaterialName("test/White");
    // Disabled: nothing happens.
    mesh.fade(2.0f, 1.0f, 0.0f);
    mesh.setAlpha(0.3f);
    EXPECT_FALSE(mesh.isFadeRunning());
    EXPECT_FLOAT_EQ(alphaOf(graphics().getMaterial("test/White")), 1.0f);

    mesh.setFadeEnabled(true);
    const Ogre::MaterialPtr material = mesh.getFadeMaterial();
    ASSERT_TRUE(material);
    EXPECT_EQ(material->getName(), "crate1_test/White_fade");
    EXPECT_EQ(mesh.getMesh()->getSubEntity(0)->getMaterial(), material);

    struct Case {
        float duration, from, to;
        float alphaAtOnce;
        bool running;
    };
    // No time, negative time, or no end at all: at the target at once.
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {{2, 1, 0, 1, true}, {2, 0.5f, 0.5f, 0.5f, false}, {0, 1, 0.25f, 0.25f, false},
        {-1, 1, 0.75f, 0.75f, false}, {inf, 1, 0, 0, false}, {-0.0f, 1, 0.5f, 0.5f, false}};
    for (const Case& c : cases) {
        mesh.fade(c.duration, c.from, c.to);
        EXPECT_FLOAT_EQ(alphaOf(material), c.alphaAtOnce) << c.duration;
        EXPECT_EQ(mesh.isFadeRunning(), c.running) << c.duration;
        frame(0.5f);
        EXPECT_FALSE(std::isnan(alphaOf(material))) << c.duration;
    }

    mesh.fade(2.0f, 1.0f, 0.0f);
    frame(1.0f);
    EXPECT_FLOAT_EQ(alphaOf(material), 0.5f);
    mesh.setAlpha(0.9f);
    EXPECT_FLOAT_EQ(alphaOf(material), 0.9f);
    frame(-3.0f);
    EXPECT_FLOAT_EQ(alphaOf(material), 1.0f);
    frame(2.5f);
    EXPECT_FLOAT_EQ(alphaOf(material), 0.0f);
    EXPECT_FALSE(mesh.isFadeRunning());
}

TEST_F(MeshObjects, FadeMaterialIsMadeOnceAndBlendsOnlyOpaquePasses)
{
    auto mesh = std::make_unique<MeshObject>("crate1", "Prefab_Cube");
    mesh->setMaterialName("test/White");
    mesh->setFadeEnabled(true);
    mesh->setFadeEnabled(true);
    const Ogre::MaterialPtr made = mesh->getFadeMaterial();
    const Ogre::Pass* pass = made->getTechnique(0)->getPass(0);
    EXPECT_EQ(pass->getDestBlendFactor(), Ogre::SBF_ONE_MINUS_SOURCE_ALPHA);
    EXPECT_FALSE(pass->getDepthWriteEnabled());

    mesh->setFadeEnabled(false);
    EXPECT_EQ(mesh->getMesh()->getSubEntity(0)->getMaterialName(), "test/White");
    mesh->setFadeEnabled(true);
    EXPECT_EQ(mesh->getFadeMaterial(), made);

    // A new material of the first sub-mesh while fading: its own copy, blending kept.
    mesh->setMaterialName("test/Glass");
    const Ogre::Pass* glass = mesh->getFadeMaterial()->getTechnique(0)->getPass(0);
    EXPECT_EQ(mesh->getFadeMaterial()->getName(), "crate1_test/Glass_fade");
    EXPECT_EQ(glass->getDestBlendFactor(), Ogre::SBF_ONE);
    EXPECT_FALSE(glass->getDepthWriteEnabled());

    // A later object of the same names takes the registered copy.
    mesh.reset();
    MeshObject again("crate1", "Prefab_Cube");
    again.setMaterialName("test/White");
    again.setFadeEnabled(true);
    EXPECT_EQ(again.getFadeMaterial(), made);
}

TEST_F(MeshObjects, DistanceFadeAlphaFollowsTheDistance)
{
    MeshObject mesh("far", "Prefab_Cube");
    struct Case {
        float start, finish, distance, alpha;
    };
    // Equal distances give a hard edge, never a division by zero.
    const Case cases[] = {{500, 550, 400, 1}, {500, 550, 525, 0.5f}, {500, 550, 600, 0}, {500, 500, 499, 1},
        {500, 500, 500, 1}, {500, 500, 501, 0}};
    for (const Case& c : cases) {
        mesh.setFadeStartDistance(c.start);
        mesh.setFadeFinishDistance(c.finish);
        EXPECT_FLOAT_EQ(mesh.getDistanceFadeAlpha(Ogre::Vector3(0, 0, c.distance)), c.alpha)
            << c.start << " " << c.finish << " " << c.distance;
    }
}

} // namespace
} // namespace tolva::test
