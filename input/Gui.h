// The GUI module: the GUI library's system drawn over the render window, one root window to which
// every menu, heads-up display and the console window are attached, and the routing of keyboard
// and mouse events into the GUI.
//
// The GUI is interactive while some window attached to the root is visible and enabled, counting
// the states of its ancestors (so nothing is interactive while the module is disabled, which hides
// the root). The flag is evaluated in the frame after something marked it dirty: adding or
// removing a window, or a watched window being shown, hidden, enabled or disabled. The mouse
// cursor is shown exactly while the GUI is interactive.
//
// The module's five input slots sit in the input signals behind the engine's console keys and
// before the game. While the GUI is enabled and interactive they feed every event into the GUI
// library and report it consumed when the library used it; mouse motion is then always consumed.
// A release is consumed exactly when its press was, so the game never sees half of a key press.
//
// The GUI library owns every window; this module owns the system, the renderer, the resource
// provider and the root window. Without a render window (an engine built without graphics) the
// GUI runs on the library's null renderer: windows, input and events work, nothing is drawn.
//
// The GUI library draws over the window once the scene of the frame is rendered (when the
// rendering engine reports the frame queued), clipping each piece to its window with the render
// system's scissor test, which it leaves switched on. The module switches it off when the frame
// has ended, so that the next frame's clear and scene cover the whole window again.
#pragma once

#include <CEGUI/Event.h>
#include <CEGUI/ForwardRefs.h>
#include <CEGUI/InputEvent.h>

#include <OgreFrameListener.h>

#include <OISKeyboard.h>
#include <OISMouse.h>

#include <boost/signals2/connection.hpp>

#include <list>
#include <set>
#include <string>
#include <vector>

#include "core/EngineModule.h"
#include "core/PropertyListener.h"

namespace CEGUI {
class OgreRenderer;
}

namespace tolva {

class Graphics;
class GuiResourceProvider;

class Gui : public EngineModule,
            public PropertyListener,
            public OIS::KeyListener,
            public OIS::MouseListener,
            private Ogre::FrameListener {
public:
    /// A window added with addChild and its four subscriptions (shown, hidden, enabled,
    /// disabled). Copies share the subscriptions.
    class ChildEventConnectionSet {
    public:
        ChildEventConnectionSet() = default;
        ChildEventConnectionSet(CEGUI::Window* window, Gui& gui);

        bool operator==(const CEGUI::Window* window) const { return mWindow == window; }
        CEGUI::Window* getWindow() const { return mWindow; }
        /// Ends the four subscriptions; the window itself is not touched.
        void disconnect();

    private:
        CEGUI::Window* mWindow = nullptr;
        CEGUI::Event::Connection mShown;
        CEGUI::Event::Connection mHidden;
        CEGUI::Event::Connection mEnabled;
        CEGUI::Event::Connection mDisabled;
    };

    /// Sets up the GUI system on the graphics module's render window (on the null renderer when
    /// graphics is null), with the process's GUI logger, a hidden root window, and its slots at the
    /// back of the input module's signals. Disabled until setEnabled(true).
    /// @throw CEGUI::Exception when the GUI library cannot start
    explicit Gui(Graphics* graphics);
    /// Leaves the input signals, then destroys the root window with everything still attached to
    /// it, then the system.
    ~Gui() override;

    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    void initialise() override;
    /// Advances the GUI's clock (tool tips, caret blink) and, when something marked the
    /// interactivity dirty, evaluates it and shows or hides the cursor.
    void frame(float seconds) override;
    void shutdown() override;

    bool isEnabled() const { return mEnabled; }
    bool isInteractive() const { return mInteractive; }
    /// Shows (true) or hides (false) the root window with everything attached. The interactive
    /// flag is not re-evaluated, but no input reaches the GUI while it is disabled.
    void setEnabled(bool enabled);

    /// "resolution" resizes the GUI's display; other names are ignored.
    void propertyChanged(const std::string& name) override;

    // Input slots; each returns true when the GUI consumed the event.
    bool keyPressed(const OIS::KeyEvent& event) override;
    bool keyReleased(const OIS::KeyEvent& event) override;
    bool mouseMoved(const OIS::MouseEvent& event) override;
    bool mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;
    bool mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;

    /// Buttons 0 to 4 keep their number; any other becomes CEGUI's "no button".
    CEGUI::MouseButton convertOISMouseButtonToCEGUI(OIS::MouseButtonID button) const;
    /// Buttons 0 to 4 keep their number; any other becomes OIS button 7.
    OIS::MouseButtonID convertCEGUIMouseButtonToOIS(CEGUI::MouseButton button) const;

    bool isSchemeLoaded(const std::string& name) const;
    /// Loads a scheme file with everything it names. A failure is logged (two lines), never
    /// thrown.
    void loadScheme(const std::string& filename);

    /// Loads a layout file; its top window is enabled, so once shown and attached it makes the
    /// GUI interactive. A non-empty prefix is put in front of the top window's name, so one
    /// layout can be attached more than once.
    /// @throw CEGUI::Exception for a missing or invalid layout
    CEGUI::Window* createMenu(const std::string& filename, const std::string& prefix = "");
    /// The same, but the top window is disabled: a heads-up display never makes the GUI
    /// interactive.
    CEGUI::Window* createHud(const std::string& filename, const std::string& prefix = "");
    /// A new window of a type the loaded schemes define, named prefix + name.
    /// @throw CEGUI::Exception for an unknown type
    CEGUI::Window* createWidget(const std::string& type, const std::string& name, const std::string& prefix = "");

    /// Attaches a window to the root and watches it. A window added before is only warned about.
    /// @throw InvalidArgumentException for a null window
    /// @throw CEGUI::AlreadyExistsException when the root has a child of the same name; the
    ///        window is then neither attached nor watched
    void addChild(CEGUI::Window* window);
    /// Stops watching a window and detaches it from the root (warning when it was not added).
    void removeChild(CEGUI::Window* window);
    /// Removes a watched window, then destroys it (the GUI library frees it after drawing).
    void destroyWindow(CEGUI::Window* window);

    /// Marks the interactivity dirty; subscribed to the watched windows' four status events.
    bool handleChildStatusChange(const CEGUI::EventArgs& args);
    /// Interactive = some child of the root is visible and enabled, ancestors counted.
    void calculateInteractivity();

    CEGUI::Window* getRootWindow() const { return mRootWindow; }

private:
    /// Called by the rendering engine's root after the window was swapped.
    bool frameEnded(const Ogre::FrameEvent& event) override;
    void start(Graphics* graphics);
    void stop();
    void showCursor(bool show);
    CEGUI::Window* loadLayout(const std::string& filename, const std::string& prefix);
    std::list<ChildEventConnectionSet>::iterator findChild(const CEGUI::Window* window);

    bool mEnabled = false;
    bool mInteractive = false;
    bool mInteractivityDirty = true;
    Graphics* mGraphics = nullptr;
    CEGUI::Renderer* mRenderer = nullptr;
    /// The rendering engine's renderer; null on the null renderer.
    CEGUI::OgreRenderer* mOgreRenderer = nullptr;
    GuiResourceProvider* mResourceProvider = nullptr;
    CEGUI::System* mSystem = nullptr;
    CEGUI::SchemeManager* mSchemeManager = nullptr;
    CEGUI::WindowManager* mWindowManager = nullptr;
    CEGUI::Window* mRootWindow = nullptr;
    std::list<ChildEventConnectionSet> mChildren;
    std::vector<boost::signals2::connection> mInputConnections;
    /// Keys and buttons whose press the GUI consumed and whose release it has not seen yet.
    std::set<OIS::KeyCode> mKeysTaken;
    std::set<OIS::MouseButtonID> mButtonsTaken;
};

} // namespace tolva
