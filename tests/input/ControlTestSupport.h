// Helpers shared by the control registry's tests: a log that records the warning lines, a
// handler that records its calls, and shorthands for controls and input events.
#pragma once

#include "input/GameControlRegistry.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <OgreLog.h>
#include <OgreLogManager.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tolva {
namespace test {

typedef GameControlRegistry::Control Control;
typedef GameControlRegistry::Modifier Modifier;
typedef GameControlRegistry::Command Command;

/// Records every value it is called with; an optional action runs inside the call, as a
/// script's handler would.
class RecordingHandler : public GameControlRegistry::CommandHandler {
public:
    void handleCommand(int value) override
    {
        calls.push_back(value);
        if (action) {
            action(value);
        }
    }

    std::vector<int> calls;
    std::function<void(int)> action;
};

/// Names a table row's test after its description, so that failures read as behaviour.
struct CaseName {
    template <typename Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        std::string name;
        bool upper = true;
        for (const char* c = info.param.what; *c; ++c) {
            if (std::isalnum(static_cast<unsigned char>(*c))) {
                name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
                upper = false;
            } else {
                upper = true;
            }
        }
        return name;
    }
};

inline Control key(int code)
{
    return Control(Control::TYPE_KEY, code);
}
inline Control button(int id)
{
    return Control(Control::TYPE_MOUSE_BUTTON, id);
}
inline Control axisX(int value)
{
    return Control(Control::TYPE_MOUSE_AXIS_X, value);
}
inline Control axisY(int value)
{
    return Control(Control::TYPE_MOUSE_AXIS_Y, value);
}
inline Control axisZ(int value)
{
    return Control(Control::TYPE_MOUSE_AXIS_Z, value);
}

inline Modifier modifierOf(std::initializer_list<Control> controls)
{
    Modifier modifier;
    for (const Control& control : controls) {
        modifier.addControl(control);
    }
    return modifier;
}

inline bool pressKey(GameControlRegistry& registry, int code)
{
    return registry.keyPressed(OIS::KeyEvent(nullptr, static_cast<OIS::KeyCode>(code), 0));
}

inline bool releaseKey(GameControlRegistry& registry, int code)
{
    return registry.keyReleased(OIS::KeyEvent(nullptr, static_cast<OIS::KeyCode>(code), 0));
}

inline bool pressButton(GameControlRegistry& registry, int id)
{
    OIS::MouseState state;
    return registry.mousePressed(OIS::MouseEvent(nullptr, state), static_cast<OIS::MouseButtonID>(id));
}

inline bool releaseButton(GameControlRegistry& registry, int id)
{
    OIS::MouseState state;
    return registry.mouseReleased(OIS::MouseEvent(nullptr, state), static_cast<OIS::MouseButtonID>(id));
}

inline bool moveMouse(GameControlRegistry& registry, int x, int y, int z)
{
    OIS::MouseState state;
    state.X.rel = x;
    state.Y.rel = y;
    state.Z.rel = z;
    return registry.mouseMoved(OIS::MouseEvent(nullptr, state));
}

} // namespace test
} // namespace tolva
