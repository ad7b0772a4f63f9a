#include "input/Input.h"

#include <Bites/OgreWindowEventUtilities.h>
#include <OISInputManager.h>

#include "core/Engine.h"
#include "scene/Graphics.h"

namespace tolva {

Input::Input(std::size_t windowHandle)
    : mInputManager(nullptr)
    , mKeyboard(nullptr)
    , mMouse(nullptr)
    , mGraphics(nullptr)
{
    OIS::ParamList parameters;
    parameters.insert(std::make_pair(std::string("WINDOW"), std::to_string(windowHandle)));
    mInputManager = OIS::InputManager::createInputSystem(parameters);
    try {
        mKeyboard = static_cast<OIS::Keyboard*>(mInputManager->createInputObject(OIS::OISKeyboard, true, ""));
        mMouse = static_cast<OIS::Mouse*>(mInputManager->createInputObject(OIS::OISMouse, true, ""));
    } catch (...) {
        // A failed constructor runs no destructor: give back what OIS made so far.
        destroyDevices();
        throw;
    }

    Engine* engine = Engine::getInstance();
    mGraphics = engine ? engine->getGraphics() : nullptr;
    resetMouseFieldDimensions();
    if (mGraphics) {
        mGraphics->addPropertyListener(this);
    }

    mKeyboard->setEventCallback(this);
    mMouse->setEventCallback(this);
}

Input::~Input()
{
    if (mGraphics) {
        mGraphics->removePropertyListener(this);
    }
    destroyDevices();
}

void Input::destroyDevices()
{
    if (!mInputManager) {
        return;
    }
    if (mKeyboard) {
        mInputManager->destroyInputObject(mKeyboard);
        mKeyboard = nullptr;
    }
    if (mMouse) {
        mInputManager->destroyInputObject(mMouse);
        mMouse = nullptr;
    }
    OIS::InputManager::destroyInputSystem(mInputManager);
    mInputManager = nullptr;
}

void Input::initialise() { }

void Input::frame(float)
{
    OgreBites::WindowEventUtilities::messagePump();
    mKeyboard->capture();
    mMouse->capture();
}

void Input::shutdown()
{
    mEventKeyPressed.disconnect_all_slots();
    mEventKeyReleased.disconnect_all_slots();
    mEventMouseMoved.disconnect_all_slots();
    mEventMousePressed.disconnect_all_slots();
    mEventMouseReleased.disconnect_all_slots();
}

void Input::propertyChanged(const std::string& name)
{
    if (name == "resolution") {
        resetMouseFieldDimensions();
    }
}

void Input::resetMouseFieldDimensions()
{
    if (!mGraphics) {
        return;
    }
    const std::pair<unsigned int, unsigned int> resolution = mGraphics->getResolution();
    const OIS::MouseState& state = mMouse->getMouseState();
    state.width = static_cast<int>(resolution.first);
    state.height = static_cast<int>(resolution.second);
}

bool Input::keyPressed(const OIS::KeyEvent& event)
{
    return mEventKeyPressed(event);
}

bool Input::keyReleased(const OIS::KeyEvent& event)
{
    return mEventKeyReleased(event);
}

bool Input::mouseMoved(const OIS::MouseEvent& event)
{
    return mEventMouseMoved(event);
}

bool Input::mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button)
{
    return mEventMousePressed(event, button);
}

bool Input::mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button)
{
    return mEventMouseReleased(event, button);
}

} // namespace tolva
