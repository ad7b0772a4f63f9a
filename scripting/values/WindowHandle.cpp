#include "scripting/values/WindowHandle.h"

#include <CEGUI/Window.h>

#include <boost/python/errors.hpp>

#include <functional>
#include <map>

namespace tolva::values {

/// Follows one window for every handle of it.
class WindowHandle::Tracker {
public:
    explicit Tracker(CEGUI::Window* window)
        : mWindow(window)
    {
        mConnection = window->subscribeEvent(
            CEGUI::Window::EventDestructionStarted, CEGUI::Event::Subscriber(&Tracker::windowDestroyed, this));
    }

    ~Tracker()
    {
        if (mWindow) {
            mConnection->disconnect();
            getTrackers().erase(mWindow);
        }
    }

    Tracker(const Tracker&) = delete;
    Tracker& operator=(const Tracker&) = delete;

    CEGUI::Window* getWindow() const { return mWindow; }

    /// The tracker of the window, made when the window has none.
    static std::shared_ptr<Tracker> of(CEGUI::Window* window)
    {
        std::weak_ptr<Tracker>& known = getTrackers()[window];
        std::shared_ptr<Tracker> tracker = known.lock();
        if (!tracker) {
            tracker = std::make_shared<Tracker>(window);
            known = tracker;
        }
        return tracker;
    }

private:
    // Called by the GUI library while it destroys the window; the subscription goes with the
    // window's event, so it is not disconnected here.
    bool windowDestroyed(const CEGUI::EventArgs&)
    {
        getTrackers().erase(mWindow);
        mWindow = nullptr;
        return false;
    }

    static std::map<CEGUI::Window*, std::weak_ptr<Tracker>>& getTrackers()
    {
        static std::map<CEGUI::Window*, std::weak_ptr<Tracker>> trackers;
        return trackers;
    }

    CEGUI::Window* mWindow;
    CEGUI::Event::Connection mConnection;
};

WindowHandle::WindowHandle(CEGUI::Window* window)
    : mTracker(Tracker::of(window))
{
}

CEGUI::Window* WindowHandle::get() const
{
    CEGUI::Window* window = peek();
    if (!window) {
        PyErr_SetString(PyExc_ReferenceError, "The GUI window no longer exists.");
        boost::python::throw_error_already_set();
    }
    return window;
}

CEGUI::Window* WindowHandle::peek() const
{
    return mTracker->getWindow();
}

std::size_t WindowHandle::hash() const
{
    return std::hash<const Tracker*>()(mTracker.get());
}

} // namespace tolva::values
