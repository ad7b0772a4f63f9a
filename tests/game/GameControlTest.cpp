#include "GameFixture.h"

#include <cmath>
#include <vector>

#include "input/GameControlRegistry.h"

namespace tolva::test {
namespace {

using Ogre::Vector3;

::testing::AssertionResult near(const Vector3& actual, const Vector3& expected, float tolerance = 1e-4f)
{
    if (actual.positionEquals(expected, tolerance)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " is not near " << expected;
}

/// A play sphere that records the torques it is asked for.
class TorqueRecordingSphere : public PlaySphere {
public:
    TorqueRecordingSphere()
        : PlaySphere("Sphere", "play_sphere.mesh")
    {
    }
    /// The zero torques of the sphere's own frames are left out.
    void addTorque(const Vector3& torque) override
    {
        if (torque != Vector3::ZERO) {
            torques.push_back(torque);
        }
    }
    std::vector<Vector3> torques;
};

class GameControlTest : public GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        mSphere = std::make_unique<TorqueRecordingSphere>();
        game().setPlaySphere(mSphere.get());
    }
    void TearDown() override
    {
        mSphere.reset();
        GameFixture::TearDown();
    }

    /// Calls the handler of the registered command.
    void command(const std::string& name, const std::string& category, int value = 1)
    {
        for (const GameControlRegistry::Command& command : game().getControlRegistry()->getCommands()) {
            if (command.name == name && command.category == category) {
                command.handler->handleCommand(value);
                return;
            }
        }
        ADD_FAILURE() << "no command " << category << "/" << name;
    }

    Vector3 velocity() { return mSphere->getMovableBody()->getLinearVelocity(); }

    std::unique_ptr<TorqueRecordingSphere> mSphere;
};

TEST_F(GameControlTest, RegistersTheMovementAndViewCommandsInOrder)
{
    std::vector<std::string> registered;
    for (const GameControlRegistry::Command& command : game().getControlRegistry()->getCommands()) {
        registered.push_back(command.category + "/" + command.name + (command.repeat ? " repeats" : ""));
    }
    EXPECT_EQ(std::vector<std::string>({"Movement/Left repeats", "Movement/Right repeats", "Movement/Forward repeats",
                  "Movement/Backward repeats", "View/Up repeats", "View/Down repeats", "View/Left repeats",
                  "View/Right repeats", "View/Zoom In repeats", "View/Zoom Out repeats", "View/Toggle Local"}),
        registered);
}

TEST_F(GameControlTest, ViewCommandsTurnPitchZoomAndToggleTheCameraByTheSensitivity)
{
    controls().setMouseSensitivity(2.0f);
    const struct {
        const char* name;
        float yaw, pitch, distance;
    } cases[] = {
        {"Up", 0, 0.2f, 0},
        {"Down", 0, -0.2f, 0},
        {"Left", 0.2f, 0, 0},
        {"Right", -0.2f, 0, 0},
        {"Zoom In", 0, 0, 0.175f},
        {"Zoom Out", 0, 0, -0.175f},
    };
    for (const auto& c : cases) {
        // Entering the local view drops what the orbit still had to do.
        camera().setLocal(true);
        camera().setLocal(false);
        command(c.name, "View");
        EXPECT_FLOAT_EQ(c.yaw, camera().getYawBucket().getBucket()) << c.name;
        EXPECT_FLOAT_EQ(c.pitch, camera().getPitchBucket().getBucket()) << c.name;
        EXPECT_FLOAT_EQ(c.distance, camera().getDistanceBucket().getBucket()) << c.name;
    }
    command("Toggle Local", "View");
    EXPECT_TRUE(camera().isLocal());
    command("Toggle Local", "View");
    EXPECT_FALSE(camera().isLocal());
}

TEST_F(GameControlTest, HeldViewKeysMoveTheCameraByTimeAndMouseMotionByEvent)
{
    GameControlRegistry& registry = *game().getControlRegistry();
    const GameControlRegistry::Modifier base;
    const GameControlRegistry::Control pageUp(GameControlRegistry::Control::TYPE_KEY, OIS::KC_PGUP);
    const GameControlRegistry::Control left(GameControlRegistry::Control::TYPE_KEY, OIS::KC_LEFT);
    const GameControlRegistry::Control mouseX(GameControlRegistry::Control::TYPE_MOUSE_AXIS_X, 1);
    registry.bind(base, pageUp, GameControlRegistry::Command("Zoom In", "View"));
    registry.bind(base, left, GameControlRegistry::Command("Left", "View"));
    registry.bind(base, mouseX, GameControlRegistry::Command("Right", "View"));
    // One command's amount (0.0875 of zoom, 0.1 degree of turn) per sixtieth of a second held,
    // whatever the frame rate; mouse motion 0.1 degree per unit, whatever the frame lasted.
    const struct {
        int frames;
        float seconds;
        int mouseMotion;
        float zoom;
        float turn;
    } cases[] = {
        {1, 1.0f / 60.0f, 0, 0.0875f, 0.1f},
        {4, 1.0f / 240.0f, 0, 0.0875f, 0.1f},
        {60, 1.0f / 60.0f, 0, 60 * 0.0875f, 6.0f},
        {240, 1.0f / 240.0f, 0, 60 * 0.0875f, 6.0f},
        {2, 0.01f, 0, 1.2f * 0.0875f, 0.12f},
        {1, 0.0f, 0, 0.0f, 0.0f},
        {3, 1.0f / 240.0f, 5, 0.75f * 0.0875f, 0.075f - 3 * 0.5f},
    };
    for (const auto& c : cases) {
        camera().setLocal(true);
        camera().setLocal(false);
        registry.keyPressed(OIS::KeyEvent(nullptr, OIS::KC_PGUP, 0));
        registry.keyPressed(OIS::KeyEvent(nullptr, OIS::KC_LEFT, 0));
        for (int frame = 0; frame < c.frames; ++frame) {
            OIS::MouseState state;
            state.X.rel = c.mouseMotion;
            registry.mouseMoved(OIS::MouseEvent(nullptr, state));
            registry.frame(c.seconds);
        }
        registry.keyReleased(OIS::KeyEvent(nullptr, OIS::KC_PGUP, 0));
        registry.keyReleased(OIS::KeyEvent(nullptr, OIS::KC_LEFT, 0));
        EXPECT_NEAR(c.zoom, camera().getDistanceBucket().getBucket(), 1e-4f) << c.frames << " x " << c.seconds;
        EXPECT_NEAR(c.turn, camera().getYawBucket().getBucket(), 1e-4f) << c.frames << " x " << c.seconds;
    }
}

TEST_F(GameControlTest, ADisabledCameraIgnoresViewCommandsButMovementGoesOn)
{
    controls().setCameraEnabled(false);
    controls().setMode(GameControl::MODE_ROLL);
    for (const char* name : {"Up", "Down", "Left", "Right", "Zoom In", "Zoom Out", "Toggle Local"}) {
        command(name, "View");
    }
    EXPECT_EQ(0.0f, camera().getYawBucket().getBucket());
    EXPECT_EQ(0.0f, camera().getPitchBucket().getBucket());
    EXPECT_EQ(0.0f, camera().getDistanceBucket().getBucket());
    EXPECT_FALSE(camera().isLocal());
    command("Forward", "Movement");
    EXPECT_EQ(1u, mSphere->torques.size());
}

TEST_F(GameControlTest, RollingTorquesFollowTheCameraAndTheFloor)
{
    controls().setMode(GameControl::MODE_ROLL);
    camera().rotate(90);
    frames(300);
    const Vector3 right = camera().getXZRight();
    const Vector3 forward = camera().getXZDirection();
    ASSERT_TRUE(near(Vector3::UNIT_Z, right)) << "turned a quarter";
    command("Forward", "Movement");
    command("Backward", "Movement");
    command("Right", "Movement");
    command("Left", "Movement");
    ASSERT_EQ(4u, mSphere->torques.size());
    EXPECT_TRUE(near(right * 500, mSphere->torques[0]));
    EXPECT_TRUE(near(-right * 500, mSphere->torques[1]));
    EXPECT_TRUE(near(forward * 500, mSphere->torques[2]));
    EXPECT_TRUE(near(-forward * 500, mSphere->torques[3]));

    // The axes are worked out again once the floor changes or a view command turns the view.
    mSphere->torques.clear();
    controls().setSphereFloorPlaneNormal(Vector3(0, -3, 0));
    command("Forward", "Movement");
    controls().setSphereFloorPlaneNormal(Vector3::UNIT_Y);
    command("Right", "Movement");
    camera().rotate(-90);
    frames(300);
    command("Right", "Movement");
    controls().setCameraEnabled(false);
    command("Left", "View");
    command("Right", "Movement");
    ASSERT_EQ(4u, mSphere->torques.size());
    EXPECT_TRUE(near(-right * 500, mSphere->torques[0])) << "a floor overhead reverses the axes";
    EXPECT_TRUE(near(forward * 500, mSphere->torques[1]));
    EXPECT_TRUE(near(forward * 500, mSphere->torques[2])) << "the view's turn is not seen before a view command";
    EXPECT_TRUE(near(camera().getXZDirection() * 500, mSphere->torques[3]));
}

TEST_F(GameControlTest, OnASlopeTheAxisTiltsByTheUnnormalisedTurn)
{
    const Vector3 axis(-1, 0, 0.5f);
    const struct {
        Vector3 normal;
        Vector3 expected;
    } cases[] = {
        {Vector3(0, 1, 0), axis},
        {Vector3(0.001f, 1, 0).normalisedCopy(), axis},
        {Vector3(0, -1, 0), -axis},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(near(c.expected, GameControl::tiltOntoFloor(axis, c.normal))) << c.normal;
    }
    // 30 degrees: M a = cos t a + (1 - cos t)(k.a) k + sin t (k x a), with k = Y x n unnormalised.
    const float t = Ogre::Math::PI / 6;
    const Vector3 normal(std::sin(t), std::cos(t), 0);
    const Vector3 k = Vector3::UNIT_Y.crossProduct(normal);
    const Vector3 expected
        = axis * std::cos(t) + k * ((1 - std::cos(t)) * k.dotProduct(axis)) + k.crossProduct(axis) * std::sin(t);
    EXPECT_TRUE(near(expected, GameControl::tiltOntoFloor(axis, normal)));
}

TEST_F(GameControlTest, FlyingBendsTheVelocityAndKeepsTheSpeed)
{
    const float v = 4.0f;
    const float h = v / std::sqrt(2.0f);
    const struct {
        const char* name;
        Vector3 velocity;
    } cases[] = {
        {"Forward", Vector3(0, -h, -h)},
        {"Backward", Vector3(0, h, -h)},
        {"Right", Vector3(h, 0, -h)},
        {"Left", Vector3(-h, 0, -h)},
    };
    for (const auto& c : cases) {
        mSphere->getMovableBody()->setLinearVelocity(Vector3(0, 0, -v));
        controls().frame(0.01f);
        command(c.name, "Movement");
        EXPECT_TRUE(near(c.velocity, velocity())) << c.name;
    }
    mSphere->getMovableBody()->setLinearVelocity(Vector3(0, 0, -v));
    controls().frame(0.01f);
    command("Forward", "Movement");
    command("Right", "Movement");
    EXPECT_TRUE(near(Vector3(h, 0, -h), velocity())) << "the last command of a frame wins";

    mSphere->getMovableBody()->setLinearVelocity(Vector3::ZERO);
    controls().frame(0.01f);
    command("Forward", "Movement");
    EXPECT_EQ(Vector3::ZERO, velocity()) << "a sphere at rest stays";
}

TEST_F(GameControlTest, TheThrusterFollowsThrustOnlyWhenFlying)
{
    const struct {
        GameControl::Mode mode;
        bool enabled;
        std::vector<bool> thrust, thruster;
    } cases[] = {
        {GameControl::MODE_FLY, true, {true, true, false, false, true}, {false, true, true, false, false}},
        {GameControl::MODE_ROLL, true, {true, true, false}, {false, false, false}},
        {GameControl::MODE_BASE, true, {true, true, false}, {false, false, false}},
        {GameControl::MODE_FLY, false, {true, true, false}, {false, false, false}},
    };
    for (const auto& c : cases) {
        mSphere->setEnabled(c.enabled);
        mSphere->setThrusterEnabled(false);
        controls().setMode(c.mode);
        controls().frame(0.01f);
        controls().frame(0.01f);
        std::vector<bool> seen;
        for (bool thrust : c.thrust) {
            controls().frame(0.01f);
            seen.push_back(mSphere->isThrusterEnabled());
            if (thrust) {
                command("Forward", "Movement");
            }
        }
        EXPECT_EQ(c.thruster, seen) << "mode " << c.mode << (c.enabled ? "" : ", disabled");
    }
    mSphere->setEnabled(true);
    controls().setMode(GameControl::MODE_FLY);
    controls().frame(0.01f);
    command("Forward", "Movement");
    controls().frame(0.01f);
    controls().setMode(GameControl::MODE_ROLL);
    controls().frame(0.01f);
    EXPECT_TRUE(mSphere->isThrusterEnabled()) << "leaving flight leaves the thruster burning";
}

class ConfiguredGameControlTest : public GameControlTest {
protected:
    void SetUp() override
    {
        extraConfig = "[Game]\nMouse Sensitivity=0.5\n";
        GameControlTest::SetUp();
    }
};

TEST_F(ConfiguredGameControlTest, TheSensitivityIsReadAndWrittenAsASetting)
{
    EXPECT_EQ(0.5f, controls().getMouseSensitivity());
    command("Zoom In", "View");
    EXPECT_FLOAT_EQ(0.04375f, camera().getDistanceBucket().getBucket());
    controls().setMouseSensitivity(3.0f);
    mEngine->writeConfiguration();
    EXPECT_NE(std::string::npos, mHome->readEngineConfig().find("Mouse Sensitivity=3"));
}

} // namespace
} // namespace tolva::test
