#include "input/OisControlState.h"

#include <OISKeyboard.h>
#include <OISMouse.h>

namespace tolva {

OisControlState::OisControlState(const OIS::Keyboard* keyboard, const OIS::Mouse* mouse)
    : mKeyboard(keyboard)
    , mMouse(mouse)
{
}

bool OisControlState::isControlDown(const GameControlRegistry::Control& control) const
{
    // Codes the devices cannot report on (scripts may bind any number) count as down: the
    // devices index their state tables with them.
    const int value = control.getValue();
    switch (control.getType()) {
    case GameControlRegistry::Control::TYPE_KEY:
        if (!mKeyboard || value < 0 || value > 255) {
            return true;
        }
        return mKeyboard->isKeyDown(static_cast<OIS::KeyCode>(value));
    case GameControlRegistry::Control::TYPE_MOUSE_BUTTON:
        if (!mMouse || value < 0 || value > OIS::MB_Button7) {
            return true;
        }
        return mMouse->getMouseState().buttonDown(static_cast<OIS::MouseButtonID>(value));
    default:
        // Axis motion is never held.
        return false;
    }
}

} // namespace tolva
