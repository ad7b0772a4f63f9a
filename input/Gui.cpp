#include "input/Gui.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>

#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>

#include <algorithm>

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/ToString.h"
#include "input/GuiLogger.h"
#include "input/GuiResourceProvider.h"
#include "input/GuiText.h"
#include "input/Input.h"
#include "scene/Graphics.h"

namespace tolva {

namespace {

const char* const CursorImage = "Tolva2/MouseCursor";
const CEGUI::Sizef NullDisplaySize(800.0f, 600.0f);
/// OIS reports one notch of the mouse wheel as 120; the GUI scrolls one step per 1.0.
const float WheelUnitsPerNotch = 120.0f;

CEGUI::GUIContext& getContext()
{
    return CEGUI::System::getSingleton().getDefaultGUIContext();
}

/// Names, types and file names reach the GUI library one byte per code point.
CEGUI::String toGuiName(const std::string& name)
{
    return CEGUI::String(name);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Watched windows

Gui::ChildEventConnectionSet::ChildEventConnectionSet(CEGUI::Window* window, Gui& gui)
    : mWindow(window)
{
    // A subscriber's copies share its handler object, which the library deletes when one of them
    // is disconnected: every subscription gets a subscriber of its own.
    auto handler = [&gui] { return CEGUI::Event::Subscriber(&Gui::handleChildStatusChange, &gui); };
    mShown = window->subscribeEvent(CEGUI::Window::EventShown, handler());
    mHidden = window->subscribeEvent(CEGUI::Window::EventHidden, handler());
    mEnabled = window->subscribeEvent(CEGUI::Window::EventEnabled, handler());
    mDisabled = window->subscribeEvent(CEGUI::Window::EventDisabled, handler());
}

void Gui::ChildEventConnectionSet::disconnect()
{
    for (CEGUI::Event::Connection* connection : {&mShown, &mHidden, &mEnabled, &mDisabled}) {
        if (connection->isValid()) {
            (*connection)->disconnect();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

Gui::Gui(Graphics* graphics)
{
    try {
        start(graphics);
    } catch (...) {
        stop();
        throw;
    }
}

Gui::~Gui()
{
    stop();
}

void Gui::start(Graphics* graphics)
{
    // Before the system exists, so that the system takes it and makes no log file of its own.
    GuiLogger::install();

    mResourceProvider = new GuiResourceProvider();
    if (graphics) {
        mOgreRenderer = &CEGUI::OgreRenderer::create(*graphics->getWindow());
        mRenderer = mOgreRenderer;
    } else {
        mRenderer = &CEGUI::NullRenderer::create();
    }
    // Pictures are decoded by the GUI library's own image codec, not the rendering engine's:
    // the rendering engine frees what its PNG codec decoded with the wrong deallocator.
    mSystem = &CEGUI::System::create(*mRenderer, mResourceProvider, nullptr, nullptr, nullptr, "", "CEGUI.log");
    if (!graphics) {
        // The null renderer's display has no size, so no window would have an extent.
        mSystem->notifyDisplaySizeChanged(NullDisplaySize);
        mRenderer->getDefaultRenderTarget().setArea(CEGUI::Rectf(CEGUI::Vector2f(0.0f, 0.0f), NullDisplaySize));
    }
    mSchemeManager = CEGUI::SchemeManager::getSingletonPtr();
    mWindowManager = CEGUI::WindowManager::getSingletonPtr();

    Engine* engine = Engine::getInstance();
    if (Input* input = engine ? engine->getInput() : nullptr) {
        // Kept only so that a GUI that goes before the input module leaves no slot behind.
        mInputConnections = {
            input->eventKeyPressed().connect([this](const OIS::KeyEvent& event) { return keyPressed(event); }),
            input->eventKeyReleased().connect([this](const OIS::KeyEvent& event) { return keyReleased(event); }),
            input->eventMouseMoved().connect([this](const OIS::MouseEvent& event) { return mouseMoved(event); }),
            input->eventMousePressed().connect([this](const OIS::MouseEvent& event, OIS::MouseButtonID button) {
                return mousePressed(event, button);
            }),
            input->eventMouseReleased().connect([this](const OIS::MouseEvent& event, OIS::MouseButtonID button) {
                return mouseReleased(event, button);
            }),
        };
    }

    mRootWindow = mWindowManager->createWindow("DefaultWindow", "RootWindow");
    mRootWindow->setVisible(false);
    // Clicks that hit no attached window fall through the root to the game.
    mRootWindow->setMousePassThroughEnabled(true);
    CEGUI::GUIContext& context = getContext();
    context.setRootWindow(mRootWindow);
    if (!graphics) {
        // The cursor took its area from the display before it had a size.
        context.getMouseCursor().setConstraintArea(nullptr);
    }
    // Motion arrives only relative to where the cursor is; it starts in the middle.
    const CEGUI::Sizef& display = mRenderer->getDisplaySize();
    context.getMouseCursor().setPosition(CEGUI::Vector2f(display.d_width / 2.0f, display.d_height / 2.0f));
    showCursor(false);

    if (graphics) {
        mGraphics = graphics;
        mGraphics->addPropertyListener(this);
        mGraphics->getRoot()->addFrameListener(this);
    }
}

void Gui::stop()
{
    for (boost::signals2::connection& connection : mInputConnections) {
        connection.disconnect();
    }
    mInputConnections.clear();
    if (mGraphics) {
        mGraphics->getRoot()->removeFrameListener(this);
        mGraphics->removePropertyListener(this);
        mGraphics = nullptr;
    }
    for (ChildEventConnectionSet& child : mChildren) {
        child.disconnect();
    }
    mChildren.clear();
    if (mSystem) {
        if (mRootWindow) {
            getContext().setRootWindow(nullptr);
            mWindowManager->destroyWindow(mRootWindow);
            mRootWindow = nullptr;
        }
        CEGUI::System::destroy();
        mSystem = nullptr;
    }
    if (mOgreRenderer) {
        CEGUI::OgreRenderer::destroy(*mOgreRenderer);
    } else if (mRenderer) {
        CEGUI::NullRenderer::destroy(*static_cast<CEGUI::NullRenderer*>(mRenderer));
    }
    mOgreRenderer = nullptr;
    mRenderer = nullptr;
    delete mResourceProvider;
    mResourceProvider = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Life cycle

void Gui::initialise() { }

void Gui::frame(float seconds)
{
    mSystem->injectTimePulse(seconds);
    getContext().injectTimePulse(seconds);
    if (mOgreRenderer) {
        // The GUI library draws in a frame of its own, which needs a viewport that only a window
        // update selects: a window that is not mapped yet (or hidden) is skipped by the render,
        // and drawing the GUI then would throw out of the frame.
        mOgreRenderer->setRenderingEnabled(mGraphics->getWindow()->isActive());
    }
    if (!mInteractivityDirty) {
        return;
    }
    calculateInteractivity();
    showCursor(mInteractive);
}

void Gui::shutdown() { }

bool Gui::frameEnded(const Ogre::FrameEvent&)
{
    // Left on, the last clip rectangle the GUI drew with would cut the next frame's clear and
    // scene to that rectangle, and the rest of the window would show the same picture forever.
    // Without a viewport nothing was drawn yet, and the render system cannot switch it off.
    Ogre::RenderSystem* renderSystem = mGraphics->getRoot()->getRenderSystem();
    if (renderSystem && renderSystem->_getViewport()) {
        renderSystem->setScissorTest(false);
    }
    return true;
}

void Gui::setEnabled(bool enabled)
{
    if (enabled != mEnabled) {
        mRootWindow->setVisible(enabled);
    }
    mEnabled = enabled;
}

void Gui::calculateInteractivity()
{
    mInteractive = false;
    for (std::size_t i = 0; i < mRootWindow->getChildCount() && !mInteractive; ++i) {
        const CEGUI::Window* child = mRootWindow->getChildAtIdx(i);
        mInteractive = child->isEffectiveVisible() && !child->isEffectiveDisabled();
    }
    mInteractivityDirty = false;
}

void Gui::showCursor(bool show)
{
    CEGUI::MouseCursor& cursor = getContext().getMouseCursor();
    // Without the skin's cursor image (no scheme loaded yet) there is nothing to show.
    if (show && CEGUI::ImageManager::getSingleton().isDefined(CursorImage)) {
        cursor.setDefaultImage(CursorImage);
        // The drawn image would otherwise change only when the cursor next enters a window.
        cursor.setImage(cursor.getDefaultImage());
        cursor.setVisible(true);
    } else {
        cursor.setDefaultImage(static_cast<const CEGUI::Image*>(nullptr));
        cursor.setImage(static_cast<const CEGUI::Image*>(nullptr));
        cursor.setVisible(false);
    }
}

void Gui::propertyChanged(const std::string& name)
{
    if (name != "resolution" || !mGraphics) {
        return;
    }
    const std::pair<unsigned int, unsigned int> resolution = mGraphics->getResolution();
    mSystem->notifyDisplaySizeChanged(
        CEGUI::Sizef(static_cast<float>(resolution.first), static_cast<float>(resolution.second)));
}

// ---------------------------------------------------------------------------------------------
// Input

bool Gui::keyPressed(const OIS::KeyEvent& event)
{
    if (!mEnabled || !mInteractive) {
        return false;
    }
    CEGUI::GUIContext& context = getContext();
    // OIS key codes are the GUI library's scan codes.
    bool consumed = context.injectKeyDown(static_cast<CEGUI::Key::Scan>(event.key));
    if (!consumed && event.text != 0) {
        consumed = context.injectChar(static_cast<CEGUI::utf32>(event.text));
    }
    if (consumed) {
        mKeysTaken.insert(event.key);
    }
    return consumed;
}

bool Gui::keyReleased(const OIS::KeyEvent& event)
{
    const bool taken = mKeysTaken.erase(event.key) > 0;
    if (mEnabled && mInteractive) {
        getContext().injectKeyUp(static_cast<CEGUI::Key::Scan>(event.key));
    }
    return taken;
}

bool Gui::mouseMoved(const OIS::MouseEvent& event)
{
    if (!mEnabled || !mInteractive) {
        return false;
    }
    CEGUI::GUIContext& context = getContext();
    const OIS::MouseState& state = event.state;
    if (state.X.rel != 0 || state.Y.rel != 0) {
        context.injectMouseMove(static_cast<float>(state.X.rel), static_cast<float>(state.Y.rel));
    }
    if (state.Z.rel != 0) {
        context.injectMouseWheelChange(static_cast<float>(state.Z.rel) / WheelUnitsPerNotch);
    }
    return true;
}

bool Gui::mousePressed(const OIS::MouseEvent&, OIS::MouseButtonID button)
{
    if (!mEnabled || !mInteractive) {
        return false;
    }
    const bool consumed = getContext().injectMouseButtonDown(convertOISMouseButtonToCEGUI(button));
    if (consumed) {
        mButtonsTaken.insert(button);
    }
    return consumed;
}

bool Gui::mouseReleased(const OIS::MouseEvent&, OIS::MouseButtonID button)
{
    const bool taken = mButtonsTaken.erase(button) > 0;
    if (mEnabled && mInteractive) {
        getContext().injectMouseButtonUp(convertOISMouseButtonToCEGUI(button));
    }
    return taken;
}

CEGUI::MouseButton Gui::convertOISMouseButtonToCEGUI(OIS::MouseButtonID button) const
{
    switch (button) {
    case OIS::MB_Left:
        return CEGUI::LeftButton;
    case OIS::MB_Right:
        return CEGUI::RightButton;
    case OIS::MB_Middle:
        return CEGUI::MiddleButton;
    case OIS::MB_Button3:
        return CEGUI::X1Button;
    case OIS::MB_Button4:
        return CEGUI::X2Button;
    default:
        return CEGUI::NoButton;
    }
}

OIS::MouseButtonID Gui::convertCEGUIMouseButtonToOIS(CEGUI::MouseButton button) const
{
    switch (button) {
    case CEGUI::LeftButton:
        return OIS::MB_Left;
    case CEGUI::RightButton:
        return OIS::MB_Right;
    case CEGUI::MiddleButton:
        return OIS::MB_Middle;
    case CEGUI::X1Button:
        return OIS::MB_Button3;
    case CEGUI::X2Button:
        return OIS::MB_Button4;
    default:
        return OIS::MB_Button7;
    }
}

// ---------------------------------------------------------------------------------------------
// Schemes and windows

bool Gui::isSchemeLoaded(const std::string& name) const
{
    return mSchemeManager->isDefined(toGuiName(name));
}

void Gui::loadScheme(const std::string& filename)
{
    std::string reason;
    try {
        mSchemeManager->createFromFile(toGuiName(filename));
        return;
    } catch (const CEGUI::Exception& exception) {
        reason = guiTextToUtf8(exception.getMessage());
    } catch (const std::exception& exception) {
        // The rendering engine's errors (a picture it cannot decode) are not the GUI library's.
        reason = exception.what();
    }
    logLine(ToString("Failed to load the defined CEGUI scheme: ") + ToString(filename) + ToString("."));
    logLine(reason);
}

CEGUI::Window* Gui::loadLayout(const std::string& filename, const std::string& prefix)
{
    CEGUI::Window* window = mWindowManager->loadLayoutFromFile(toGuiName(filename));
    if (!prefix.empty()) {
        window->setName(toGuiName(prefix) + window->getName());
    }
    return window;
}

CEGUI::Window* Gui::createMenu(const std::string& filename, const std::string& prefix)
{
    CEGUI::Window* window = loadLayout(filename, prefix);
    window->setEnabled(true);
    return window;
}

CEGUI::Window* Gui::createHud(const std::string& filename, const std::string& prefix)
{
    CEGUI::Window* window = loadLayout(filename, prefix);
    window->setEnabled(false);
    return window;
}

CEGUI::Window* Gui::createWidget(const std::string& type, const std::string& name, const std::string& prefix)
{
    return mWindowManager->createWindow(toGuiName(type), toGuiName(prefix + name));
}

std::list<Gui::ChildEventConnectionSet>::iterator Gui::findChild(const CEGUI::Window* window)
{
    return std::find(mChildren.begin(), mChildren.end(), window);
}

void Gui::addChild(CEGUI::Window* window)
{
    if (!window) {
        throw InvalidArgumentException("A null window cannot be added to the GUI.");
    }
    if (findChild(window) != mChildren.end()) {
        logWarning("Warning: Attempt to duplicately add a Gui Child.");
        return;
    }
    // Attached first: a window the root refuses (a sibling has its name) is not watched.
    mRootWindow->addChild(window);
    mChildren.emplace_back(window, *this);
    mInteractivityDirty = true;
}

void Gui::removeChild(CEGUI::Window* window)
{
    const auto child = findChild(window);
    if (child != mChildren.end()) {
        child->disconnect();
        mChildren.erase(child);
    } else {
        logWarning("Warning: Attempt to remove child not previously added.");
    }
    if (window) {
        mRootWindow->removeChild(window);
    }
    mInteractivityDirty = true;
}

void Gui::destroyWindow(CEGUI::Window* window)
{
    if (!window) {
        return;
    }
    try {
        if (findChild(window) != mChildren.end()) {
            removeChild(window);
        }
        mWindowManager->destroyWindow(window);
    } catch (const CEGUI::InvalidRequestException&) {
        // A window the GUI library does not know (destroyed already): nothing to do.
    }
}

bool Gui::handleChildStatusChange(const CEGUI::EventArgs&)
{
    mInteractivityDirty = true;
    return true;
}

} // namespace tolva
