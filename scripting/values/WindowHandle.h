// A script's handle of a GUI window. The GUI library destroys windows on its own terms (a window
// goes with its parent, and every window goes with the GUI), so a handle never owns its window: it
// hears of the window's destruction, and from then on every use raises ReferenceError instead of
// touching the freed window. Handles of one window share what they know and compare equal.
#pragma once

#include <cstddef>
#include <memory>

namespace CEGUI {
class Window;
}

namespace tolva::values {

class WindowHandle {
public:
    /// @param window a live window, not null
    explicit WindowHandle(CEGUI::Window* window);

    /// The window.
    /// @throw boost::python::error_already_set with ReferenceError set once the window is gone
    CEGUI::Window* get() const;
    /// Null once the window is gone.
    CEGUI::Window* peek() const;
    bool isAlive() const { return peek() != nullptr; }

    bool operator==(const WindowHandle& other) const { return mTracker == other.mTracker; }
    bool operator!=(const WindowHandle& other) const { return mTracker != other.mTracker; }
    /// Stable for the handle's life, also after the window is gone.
    std::size_t hash() const;

private:
    class Tracker;
    std::shared_ptr<Tracker> mTracker;
};

} // namespace tolva::values
