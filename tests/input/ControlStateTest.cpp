// The device-backed key and button state that lets the registry end what a consumed release
// left running.
#include "ControlTestSupport.h"

#include "input/OisControlState.h"

#include <gtest/gtest.h>

#include <string>

namespace tolva {
namespace test {
namespace {

class FakeKeyboard : public OIS::Keyboard {
public:
    FakeKeyboard()
        : OIS::Keyboard("fake", true, 0, nullptr)
    {
    }

    bool isKeyDown(OIS::KeyCode key) const override
    {
        ++mQueries;
        return key == mDown;
    }
    const std::string& getAsString(OIS::KeyCode) override { return mName; }
    void copyKeyStates(char keys[256]) const override { }
    void setBuffered(bool) override { }
    void capture() override { }
    OIS::Interface* queryInterface(OIS::Interface::IType) override { return nullptr; }
    void _initialize() override { }

    OIS::KeyCode mDown = OIS::KC_UNASSIGNED;
    mutable int mQueries = 0;
    std::string mName;
};

class FakeMouse : public OIS::Mouse {
public:
    FakeMouse()
        : OIS::Mouse("fake", true, 0, nullptr)
    {
    }

    void setBuffered(bool) override { }
    void capture() override { }
    OIS::Interface* queryInterface(OIS::Interface::IType) override { return nullptr; }
    void _initialize() override { }

    void setButtons(int buttons) { mState.buttons = buttons; }
};

TEST(OisControlState, ReportsKeysAndButtonsFromTheDevices)
{
    FakeKeyboard keyboard;
    FakeMouse mouse;
    OisControlState state(&keyboard, &mouse);

    keyboard.mDown = OIS::KC_W;
    EXPECT_TRUE(state.isControlDown(key(OIS::KC_W)));
    EXPECT_FALSE(state.isControlDown(key(OIS::KC_S)));

    mouse.setButtons(1 << OIS::MB_Right);
    EXPECT_TRUE(state.isControlDown(button(OIS::MB_Right)));
    EXPECT_FALSE(state.isControlDown(button(OIS::MB_Left)));

    EXPECT_FALSE(state.isControlDown(axisX(5)));
}

TEST(OisControlState, CodesOutsideTheDeviceTablesAndMissingDevicesCountAsDown)
{
    FakeKeyboard keyboard;
    FakeMouse mouse;
    OisControlState state(&keyboard, &mouse);
    EXPECT_TRUE(state.isControlDown(key(256)));
    EXPECT_TRUE(state.isControlDown(key(-1)));
    EXPECT_EQ(0, keyboard.mQueries) << "the keyboard's table was indexed out of range";
    EXPECT_TRUE(state.isControlDown(button(40)));
    EXPECT_TRUE(state.isControlDown(button(-3)));

    OisControlState none(nullptr, nullptr);
    EXPECT_TRUE(none.isControlDown(key(OIS::KC_W)));
    EXPECT_TRUE(none.isControlDown(button(OIS::MB_Left)));
}

TEST(OisControlState, RegistryReleasesAKeyWhoseReleaseWasConsumed)
{
    LogCapture log;
    FakeKeyboard keyboard;
    FakeMouse mouse;
    OisControlState state(&keyboard, &mouse);
    RecordingHandler handler;
    GameControlRegistry registry("controls.cfg");
    registry.setControlStateSource(&state);
    registry.addCommand(Command("Forward", "Movement", true, &handler));
    registry.bind(Modifier(), key(OIS::KC_GRAVE), Command("Forward", "Movement"));

    keyboard.mDown = OIS::KC_GRAVE;
    pressKey(registry, OIS::KC_GRAVE);
    registry.frame(0.016f);
    keyboard.mDown = OIS::KC_UNASSIGNED; // the console key handler consumed the release
    registry.frame(0.016f);
    registry.frame(0.016f);
    EXPECT_EQ(std::vector<int>{1}, handler.calls);
    EXPECT_TRUE(log.getLines().empty());
}

} // namespace
} // namespace test
} // namespace tolva
