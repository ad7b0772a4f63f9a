#include "GameFixture.h"

#include <OgreCamera.h>

#include <boost/any.hpp>

#include <cmath>
#include <limits>
#include <functional>

#include "core/ConfigFile.h"
#include "core/Exceptions.h"
#include "physics/Contact.h"
#include "physics/SinglePhysical.h"
#include "scene/MeshObject.h"

namespace tolva::test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

::testing::AssertionResult near(const Vector3& actual, const Vector3& expected, float tolerance = 1e-3f)
{
    if (actual.positionEquals(expected, tolerance)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " is not near " << expected;
}

class CameraTest : public GameFixture {
protected:
    std::string setting(const std::string& key)
    {
        return boost::any_cast<std::string>(mEngine->getConfigFile()->getValueDefault(
            "Game", ConfigFile::PT_STRING, key, boost::any(std::string("absent"))));
    }

    /// One contact of the camera's sphere, the camera named first or second in the record.
    void touch(Contact& contact, const Vector3& normal, float depth, bool cameraFirst)
    {
        contact.normal = normal;
        contact.penetrationDepth = depth;
        (cameraFirst ? contact.firstPhysical : contact.secondPhysical) = camera().getBase();
        (cameraFirst ? contact.secondPhysical : contact.firstPhysical) = &mWall;
        camera().collision(&mWall, &contact);
    }

    /// A partner for the contacts, far from the camera.
    SinglePhysical mWall{nullptr};
};

TEST_F(CameraTest, ANewCameraSitsTenUnitsBehindTheOriginLookingAtIt)
{
    frame();
    EXPECT_EQ(10.0f, camera().getFocalDistance());
    EXPECT_EQ(0.0f, camera().getPitch());
    EXPECT_TRUE(near(Vector3(0, 0, 10), camera().getPosition()));
    EXPECT_TRUE(camera().getOrientation().equals(Quaternion::IDENTITY, Ogre::Degree(0.01f)));
    EXPECT_TRUE(near(Vector3(0, 0, -1), camera().getDirection()));
    EXPECT_EQ(camera().getNode(), mEngine->getGraphics()->getCamera()->getParentSceneNode());
}

TEST_F(CameraTest, DistanceAndPitchStayWithinTheirLimits)
{
    struct Case {
        const char* what;
        std::function<void(Camera&)> act;
        float distance, minimum, maximum, pitch, pitchLimit;
    };
    const Case cases[] = {
        {"distance past the maximum", [](Camera& c) { c.setFocalDistance(500); }, 100, 1, 100, 0, 85},
        {"negative minimum", [](Camera& c) { c.setMinimumFocalDistance(-5); }, 10, 0, 100, 0, 85},
        {"minimum past the maximum", [](Camera& c) { c.setMinimumFocalDistance(200); }, 100, 100, 100, 0, 85},
        {"maximum below the minimum", [](Camera& c) { c.setMaximumFocalDistance(0.5f); }, 1, 1, 1, 0, 85},
        {"negative pitch limit",
            [](Camera& c) {
                c.setPitchLimit(-30);
                c.setPitch(-50);
            },
            10, 1, 100, -30, 30},
        {"pitch limit past a right angle",
            [](Camera& c) {
                c.setPitchLimit(120);
                c.setPitch(100);
            },
            10, 1, 100, 90, 90},
        {"pitch past the default limit", [](Camera& c) { c.setPitch(100); }, 10, 1, 100, 85, 85},
        {"distance far past the maximum", [](Camera& c) { c.setFocalDistance(1e8f); }, 100, 1, 100, 0, 85},
        {"minimum far past the maximum", [](Camera& c) { c.setMinimumFocalDistance(1e8f); }, 100, 100, 100, 0, 85},
        {"a far maximum",
            [](Camera& c) {
                c.setMaximumFocalDistance(1e8f);
                c.setFocalDistance(1e9f);
            },
            1e8f, 1, 1e8f, 0, 85},
        {"pitch far past the limit", [](Camera& c) { c.setPitch(-1e8f); }, 10, 1, 100, -85, 85},
        {"pitch limit far past a right angle", [](Camera& c) { c.setPitchLimit(-1e8f); }, 10, 1, 100, 0, 90},
        {"far requests wait in their buckets",
            [](Camera& c) {
                c.addPitch(1e8f);
                c.addFocalDistance(-1e30f);
                c.rotate(1e8f);
            },
            10, 1, 100, 0, 85},
    };
    for (const Case& c : cases) {
        camera().setMinimumFocalDistance(1);
        camera().setMaximumFocalDistance(100);
        camera().setFocalDistance(10);
        camera().setPitchLimit(85);
        camera().setPitch(0);
        c.act(camera());
        EXPECT_EQ(c.distance, camera().getFocalDistance()) << c.what;
        EXPECT_EQ(c.minimum, camera().getMinimumFocalDistance()) << c.what;
        EXPECT_EQ(c.maximum, camera().getMaximumFocalDistance()) << c.what;
        EXPECT_EQ(c.pitch, camera().getPitch()) << c.what;
        EXPECT_EQ(c.pitchLimit, camera().getPitchLimit()) << c.what;
    }
}

TEST_F(CameraTest, ZoomMovesSmoothlyUpToTheMaximumAndNoFurther)
{
    camera().addFocalDistance(500);
    float previous = camera().getFocalDistance();
    for (int i = 0; i < 300; ++i) {
        frame(0.02f);
        EXPECT_GE(camera().getFocalDistance(), previous);
        EXPECT_LE(camera().getFocalDistance(), 100.0f);
        previous = camera().getFocalDistance();
    }
    EXPECT_NEAR(100.0f, camera().getFocalDistance(), 0.01f);
}

TEST_F(CameraTest, ASmoothExponentOfOneHoldsTheCameraAndIsWrittenAsGiven)
{
    camera().setSmoothExponent(5);
    EXPECT_EQ(1.0f, camera().getSmoothExponent());
    EXPECT_EQ("5", setting("Smooth Exponent"));
    camera().rotate(30);
    camera().addPitch(20);
    camera().addFocalDistance(5);
    frames(10);
    EXPECT_EQ(10.0f, camera().getFocalDistance());
    EXPECT_EQ(0.0f, camera().getPitch());
    EXPECT_EQ(30.0f, camera().getYawBucket().getBucket());
    // The local view's smoothing is its own.
    EXPECT_EQ(0.01f, camera().getLocalYawBucket().getSmooth());

    camera().setSmoothExponent(0);
    EXPECT_EQ(std::numeric_limits<float>::epsilon(), camera().getSmoothExponent());
    camera().setSmoothCutoff(-1);
    EXPECT_EQ(std::numeric_limits<float>::epsilon(), camera().getSmoothCutoff());
    EXPECT_EQ(0.0f, camera().getDistanceBucket().getSmoothCutoff());
}

TEST_F(CameraTest, AContactPushesTheCameraOutWhicheverObjectTheRecordNamesFirst)
{
    // The record's normal points toward its first object.
    frame();
    for (bool cameraFirst : {true, false}) {
        camera().setFocalDistance(10);
        camera().setPitch(0);
        frame();
        const Vector3 before = camera().getOffset();
        camera().rotate(45);
        camera().prePhysicsFrame();
        Contact contact;
        touch(contact, cameraFirst ? Vector3::UNIT_Y : Vector3::NEGATIVE_UNIT_Y, 0.3f, cameraFirst);
        camera().postPhysicsFrame();
        EXPECT_TRUE(near(before + Vector3(0, 0.6f, 0), camera().getOffset())) << "camera first: " << cameraFirst;
        EXPECT_EQ(0.0f, camera().getYawBucket().getBucket()) << "camera first: " << cameraFirst;
        EXPECT_NEAR(std::sqrt(100.36f), camera().getFocalDistance(), 0.001f);
        EXPECT_LT(camera().getPitch(), -3.0f) << "raised above the focal point";
    }
}

TEST_F(CameraTest, SeveralContactsPushAlongTheirWeightedSumByTheDeepest)
{
    frame();
    const Vector3 before = camera().getOffset();
    camera().prePhysicsFrame();
    Contact first, second;
    touch(first, Vector3::UNIT_X, 0.1f, true);
    touch(second, Vector3::UNIT_Y, 0.3f, true);
    camera().postPhysicsFrame();
    EXPECT_TRUE(near(before + Vector3(0.1f, 0.3f, 0).normalisedCopy() * 0.6f, camera().getOffset()));
}

TEST_F(CameraTest, APulledCameraKeepsItsPlaceAndAFollowingOneItsOffset)
{
    GameObject target;
    for (bool pulled : {false, true}) {
        target.setPosition(Vector3::ZERO);
        camera().setFocalPoint(&target);
        camera().setPulled(pulled);
        camera().setFocalDistance(10);
        frame();
        const Vector3 offset = camera().getOffset();
        target.setPosition(Vector3(0, 0, -4));
        frame();
        const Vector3 expected = pulled ? (offset + Vector3(0, 0, 4)).normalisedCopy() * offset.length() : offset;
        EXPECT_TRUE(near(expected, camera().getOffset())) << "pulled: " << pulled;
        EXPECT_TRUE(near(target.getPosition() + expected, camera().getPosition())) << "pulled: " << pulled;
        EXPECT_EQ(pulled ? "Yes" : "No", setting("Pull Camera"));
    }
}

TEST_F(CameraTest, TheResolutionSetsTheAspectRatioAndTheCollisionSphere)
{
    Ogre::Camera* rendering = mEngine->getGraphics()->getCamera();
    rendering->setAspectRatio(3.0f);
    camera().propertyChanged("anything else");
    EXPECT_EQ(3.0f, rendering->getAspectRatio());
    camera().propertyChanged("resolution");
    EXPECT_FLOAT_EQ(800.0f / 600.0f, rendering->getAspectRatio());
    const float near = rendering->getNearClipDistance();
    const float halfHeight = std::tan(rendering->getFOVy().valueRadians() / 2) * near;
    const float halfWidth = halfHeight * 800.0f / 600.0f;
    EXPECT_FLOAT_EQ(
        std::sqrt(near * near + halfHeight * halfHeight + halfWidth * halfWidth), camera().getCollisionRadius());
}

TEST_F(CameraTest, PlacingLooksAtTheFocalPointWithinTheLimits)
{
    camera().place(Vector3(0, 10, 0), Vector3::ZERO);
    EXPECT_EQ(-85.0f, camera().getPitch());
    EXPECT_TRUE(near(Vector3::NEGATIVE_UNIT_X, camera().getXZRight()));
    camera().place(Vector3(200, 0, 0), Vector3::ZERO);
    frame();
    EXPECT_TRUE(near(Vector3(100, 0, 0), camera().getPosition()));
    EXPECT_TRUE(near(Vector3::NEGATIVE_UNIT_X, camera().getDirection()));
}

TEST_F(CameraTest, TheSkySphereKeepsAFixedWorldOrientationUntilItLeaves)
{
    MeshObject sky("Sky", "level_block.mesh");
    camera().setSkySphere(&sky);
    camera().rotate(70);
    camera().addPitch(20);
    frames(20);
    EXPECT_TRUE(sky.getWorldOrientation().equals(Quaternion::IDENTITY, Ogre::Degree(0.01f)));
    camera().removeChild(&sky);
    EXPECT_EQ(nullptr, camera().getSkySphere());
}

TEST_F(CameraTest, ASkySphereThatCarriesTheCameraIsRefusedAsTheHierarchyRefusesACycle)
{
    MeshObject sky("Sky", "level_block.mesh");
    ASSERT_TRUE(sky.addChild(&camera()));
    camera().setSkySphere(&sky);
    EXPECT_EQ(nullptr, camera().getSkySphere());
    EXPECT_EQ(&sky, camera().getParent());
    EXPECT_TRUE(mLog->contains("Warning: Attempt to add an ancestor of a hierarchical as its child."));
    frames(2);
    sky.removeChild(&camera());
}

TEST_F(CameraTest, NumbersThatWouldBreakTheViewAreRefusedAndTheViewStays)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<const char*, std::function<void(Camera&)>>> calls = {
        {"setPitch NaN", [=](Camera& c) { c.setPitch(nan); }},
        {"addPitch infinity", [=](Camera& c) { c.addPitch(-inf); }},
        {"rotate NaN", [=](Camera& c) { c.rotate(nan); }},
        {"setFocalDistance infinity", [=](Camera& c) { c.setFocalDistance(inf); }},
        {"addFocalDistance NaN", [=](Camera& c) { c.addFocalDistance(nan); }},
        {"setMinimumFocalDistance NaN", [=](Camera& c) { c.setMinimumFocalDistance(nan); }},
        {"setMaximumFocalDistance NaN", [=](Camera& c) { c.setMaximumFocalDistance(nan); }},
        {"setPitchLimit NaN", [=](Camera& c) { c.setPitchLimit(nan); }},
        {"setSmoothExponent NaN", [=](Camera& c) { c.setSmoothExponent(nan); }},
        {"setSmoothCutoff NaN", [=](Camera& c) { c.setSmoothCutoff(nan); }},
        {"place at NaN", [=](Camera& c) { c.place(Vector3(nan, 0, 0), Vector3::ZERO); }},
        {"place with an infinite right", [=](Camera& c) { c.place(Vector3(0, 0, 5), Vector3(inf, 0, 0)); }},
        {"place beyond float lengths", [=](Camera& c) { c.place(Vector3(3e19f, 0, 3e19f), Vector3::ZERO); }},
        {"place beyond the scene", [=](Camera& c) { c.place(Vector3(0, -2e15f, 0), Vector3::ZERO); }},
        {"lookAt beyond the scene", [=](Camera& c) { c.lookAt(Vector3(0, 2e15f, 0)); }},
        {"a turn whose sums would overflow", [=](Camera& c) { c.rotate(2e15f); }},
        {"a maximum distance beyond the scene", [=](Camera& c) { c.setMaximumFocalDistance(2e15f); }},
        {"a maximum distance of minus infinity", [=](Camera& c) { c.setMaximumFocalDistance(-inf); }},
        {"lookAt infinity", [=](Camera& c) { c.lookAt(Vector3(0, inf, 0)); }},
        {"setOrientation zero", [=](Camera& c) { c.setOrientation(Quaternion(0, 0, 0, 0)); }},
        {"setOrientation NaN", [=](Camera& c) { c.setOrientation(Quaternion(nan, 0, 1, 0)); }},
        {"setOrientation infinity", [=](Camera& c) { c.setOrientation(Quaternion(1, inf, 0, 0)); }},
    };
    frame();
    const Vector3 position = camera().getPosition();
    const Quaternion orientation = camera().getOrientation();
    for (const auto& call : calls) {
        EXPECT_THROW(call.second(camera()), InvalidArgumentException) << call.first;
        frames(2);
        EXPECT_TRUE(near(position, camera().getPosition())) << call.first;
        EXPECT_TRUE(camera().getOrientation().equals(orientation, Ogre::Degree(0.01f))) << call.first;
        EXPECT_EQ(10.0f, camera().getFocalDistance()) << call.first;
    }
}

TEST_F(CameraTest, AFocalPointThatWouldDragTheCameraBeyondTheSceneBoundLeavesItWhereItWas)
{
    GameObject target;
    camera().setFocalPoint(&target);
    camera().setMaximumFocalDistance(1e9f);
    camera().setFocalDistance(1e9f);
    for (int i = 0; i < 300 && camera().getFocalDistance() < 0.99e9f; ++i) {
        frame();
    }
    ASSERT_GT(camera().getFocalDistance(), 0.99e9f);
    frame();
    const Vector3 before = camera().getPosition();
    target.setPosition(Vector3(0, 0, 1e15f));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NO_THROW(frame());
    }
    EXPECT_TRUE(near(before, camera().getPosition()));
    target.setPosition(Vector3::ZERO);
    frame();
    EXPECT_LT(camera().getPosition().length(), 1.01e9f);
}

TEST_F(CameraTest, AFocalObjectThatIsDestroyedIsForgotten)
{
    auto target = std::make_unique<GameObject>();
    camera().setFocalPoint(target.get());
    target.reset();
    EXPECT_EQ(nullptr, camera().getFocalPoint());
    frames(2);
}

// ---------------------------------------------------------------------------------------------
// Local view

TEST_F(CameraTest, EnteringTheLocalViewDropsOrbitRequestsAndCentresThePitchRange)
{
    camera().setPitch(30);
    camera().rotate(10);
    camera().addFocalDistance(5);
    camera().setLocal(true);
    EXPECT_EQ(0.0f, camera().getYawBucket().getBucket());
    EXPECT_EQ(0.0f, camera().getYawBucket().getValue());
    EXPECT_EQ(0.0f, camera().getDistanceBucket().getBucket());
    EXPECT_EQ(-55.0f, camera().getLocalPitchBucket().getMinimum());
    EXPECT_EQ(115.0f, camera().getLocalPitchBucket().getMaximum());
}

TEST_F(CameraTest, LookCommandsInTheLocalViewFollowTheInversionSettings)
{
    struct Case {
        bool invertX, invertY;
        float yaw, pitchAdded, pitchSet;
    };
    const Case cases[] = {{false, false, -10, 10, -10}, {true, true, 10, -10, 10}};
    for (const Case& c : cases) {
        camera().setLocal(false);
        camera().setLocal(true);
        frames(300); // lets the sling of the previous case end
        camera().setLocalXInverted(c.invertX);
        camera().setLocalYInverted(c.invertY);
        camera().setLocal(true);
        camera().rotate(10);
        camera().addPitch(10);
        EXPECT_EQ(c.yaw, camera().getLocalYawBucket().getBucket());
        EXPECT_EQ(c.pitchAdded, camera().getLocalPitchBucket().getBucket());
        camera().setPitch(10);
        EXPECT_EQ(c.pitchSet, camera().getLocalPitchBucket().getValue());
        camera().setFocalDistance(50);
        camera().addFocalDistance(5);
        EXPECT_EQ(10.0f, camera().getFocalDistance());
        EXPECT_EQ(0.0f, camera().getDistanceBucket().getBucket());
        EXPECT_EQ(c.invertX ? "Yes" : "No", setting("Local X Invert"));
        EXPECT_EQ(c.invertY ? "Yes" : "No", setting("Local Y Invert"));
    }
}

TEST_F(CameraTest, LeavingTheLocalViewSlingsBackExactlyWhileTheOrbitAlreadyMoves)
{
    camera().setLocal(true);
    camera().rotate(40);
    camera().addPitch(-20);
    frames(100);
    EXPECT_FALSE(camera().getLocalOrientation().equals(Quaternion::IDENTITY, Ogre::Degree(1)));
    camera().setLocal(false);
    camera().setLocal(false);
    EXPECT_TRUE(camera().isSlinging());
    camera().rotate(5);
    EXPECT_EQ(5.0f, camera().getYawBucket().getBucket());
    int frameCount = 0;
    while (camera().isSlinging() && frameCount < 1000) {
        frame(0.02f);
        ++frameCount;
    }
    EXPECT_NEAR(100, frameCount, 5) << "about two seconds";
    EXPECT_EQ(Quaternion::IDENTITY, camera().getLocalOrientation());
    EXPECT_EQ(0.0f, camera().getCurrentLocalRotation());
}

TEST_F(CameraTest, EnteringTheLocalViewDuringASlingStopsItLevel)
{
    camera().setPitch(20);
    frame();
    camera().lookAt(Vector3(5, -3, -8));
    frames(10);
    camera().setLocal(true);
    EXPECT_FALSE(camera().isSlinging());
    EXPECT_FALSE(camera().getLocalOrientation().equals(Quaternion::IDENTITY, Ogre::Degree(1)));
    const Quaternion scene = camera().getOrbitOrientation() * camera().getLocalOrientation();
    EXPECT_NEAR(0.0f, scene.xAxis().y, 1e-4f) << "no roll against the horizontal";
}

TEST_F(CameraTest, LookingAtAPointEndsLookingAtItAndHoldsLookCommandsUntilThen)
{
    camera().setPitch(25);
    frame();
    const Vector3 eye = camera().getPosition();
    camera().setLocal(true);
    const Vector3 targets[] = {Vector3(0, 0, 0), Vector3(6, -4, -3), Vector3(-2, 9, 0)};
    for (const Vector3& target : targets) {
        camera().lookAt(target);
        camera().rotate(30);
        EXPECT_EQ(0.0f, camera().getLocalYawBucket().getBucket());
        frames(300, 0.02f);
        EXPECT_FALSE(camera().isSlinging());
        EXPECT_TRUE(near((target - eye).normalisedCopy(), camera().getDirection())) << target;
        EXPECT_NEAR(0.0f, camera().getRight().y, 1e-4f) << target;
    }
}

} // namespace
} // namespace tolva::test
