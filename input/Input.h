// The input module: owns OIS's keyboard and mouse on the render window and republishes every
// buffered event on one of five signals.
//
// Once per engine frame (after time, before the game) it pumps the window system's messages, the
// only place in the engine that does so, and then captures the keyboard and the mouse; OIS calls
// back synchronously, so all key events of a frame are emitted before its mouse events. Slots are
// called in connection order until one reports the event consumed (InputEventCombiner): the
// engine's console keys are connected at the front, the GUI, the game and scripts at the back.
// Event objects belong to OIS and live only for the call: a slot must not keep them.
#pragma once

#include <OISKeyboard.h>
#include <OISMouse.h>

#include <boost/signals2/signal.hpp>

#include <cstddef>
#include <functional>
#include <string>

#include "core/EngineModule.h"
#include "core/PropertyListener.h"
#include "input/InputEventCombiner.h"
#include "scripting/support/PythonSignalDecorator.h"

namespace OIS {
class InputManager;
}

namespace tolva {

class Graphics;

template <typename Signature>
using InputSignalBase = boost::signals2::signal<Signature, InputEventCombiner, int, std::less<int>>;

// The signal types that the engine, the GUI and the game connect to; scripts connect callables
// to the same slot lists through the decorator.
typedef PythonSignalDecorator<InputSignalBase<bool(const OIS::KeyEvent&)>> KeySignal;
typedef PythonSignalDecorator<InputSignalBase<bool(const OIS::MouseEvent&)>> MouseMotionSignal;
typedef PythonSignalDecorator<InputSignalBase<bool(const OIS::MouseEvent&, OIS::MouseButtonID)>> MouseButtonSignal;

class Input : public EngineModule, public PropertyListener, public OIS::KeyListener, public OIS::MouseListener {
public:
    /// Opens a buffered keyboard and mouse on the native window (the X window id that
    /// Graphics::getWindowHandle reports) and follows the graphics module's resolution.
    /// @throw OIS::Exception when OIS cannot open the window or a device
    explicit Input(std::size_t windowHandle);
    ~Input() override;

    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    void initialise() override;
    /// Pumps window messages and captures both devices; the time is not used.
    void frame(float seconds) override;
    /// Disconnects every slot of the five signals. Safe to call more than once.
    void shutdown() override;

    /// "resolution" resizes the mouse area; other names are ignored.
    void propertyChanged(const std::string& name) override;

    bool keyPressed(const OIS::KeyEvent& event) override;
    bool keyReleased(const OIS::KeyEvent& event) override;
    bool mouseMoved(const OIS::MouseEvent& event) override;
    bool mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;
    bool mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;

    OIS::Keyboard* getKeyboard() const { return mKeyboard; }
    OIS::Mouse* getMouse() const { return mMouse; }

    KeySignal& eventKeyPressed() { return mEventKeyPressed; }
    KeySignal& eventKeyReleased() { return mEventKeyReleased; }
    MouseMotionSignal& eventMouseMoved() { return mEventMouseMoved; }
    MouseButtonSignal& eventMousePressed() { return mEventMousePressed; }
    MouseButtonSignal& eventMouseReleased() { return mEventMouseReleased; }

    /// Sets the area within which OIS keeps the absolute mouse position to the graphics module's
    /// resolution.
    void resetMouseFieldDimensions();

private:
    void destroyDevices();

    OIS::InputManager* mInputManager;
    OIS::Keyboard* mKeyboard;
    OIS::Mouse* mMouse;

    KeySignal mEventKeyPressed;
    KeySignal mEventKeyReleased;
    MouseMotionSignal mEventMouseMoved;
    MouseButtonSignal mEventMousePressed;
    MouseButtonSignal mEventMouseReleased;

    /// The publisher this module listens to; null when the engine runs without graphics.
    Graphics* mGraphics;
};

} // namespace tolva
