// Whether keys and mouse buttons are down, read from the OIS devices. The game module hands it
// to the control registry, so that a release consumed by a slot ahead of the registry (the
// console key handler, the GUI) cannot leave a repeating command or a modifier layer held.
#pragma once

#include "input/GameControlRegistry.h"

namespace OIS {
class Keyboard;
class Mouse;
} // namespace OIS

namespace tolva {

class OisControlState : public GameControlRegistry::ControlStateSource {
public:
    /// The devices are not owned and must outlive this object; a missing device reports its
    /// controls as down, so that nothing is released on its behalf.
    OisControlState(const OIS::Keyboard* keyboard, const OIS::Mouse* mouse);

    bool isControlDown(const GameControlRegistry::Control& control) const override;

private:
    const OIS::Keyboard* mKeyboard;
    const OIS::Mouse* mMouse;
};

} // namespace tolva
