// The game's window as a player drives and sees it, for tests of the real program on an X server
// of their own: keys through xdotool, pixels read as the screenshot tool reads them, and the
// developer console shown or hidden only once the picture shows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolva::test {

/// Runs an X client of the test (xdotool, wmctrl, a window manager) and says whether it succeeded.
bool xClient(const std::string& command);

/// What a window shows, as 8-bit RGB rows from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

class GameWindow {
public:
    /// Finds the game's window (titled "Spindlewake") and gives it the keyboard focus.
    /// @param shotFile where screenshots are written on their way to the test
    explicit GameWindow(std::string shotFile);

    bool isFound() const { return !mId.empty(); }
    const std::string& id() const { return mId; }

    /// The window's pixels (empty when they cannot be read).
    Picture screenshot() const;
    /// Whether the picture shows the console's input box, nearly black just above the middle.
    static bool showsConsole(const Picture& picture);
    /// Presses the console key and waits until the window shows the console shown (or hidden).
    /// The GUI takes keys only from the frame after the one that showed the console, and lets them
    /// go a frame after it hid it: keys sent at once could reach the game, not the console (or the
    /// other way round), when a loaded machine gathers them into one frame. A frame that draws the
    /// change has made it.
    bool toggleConsole(bool shown, double seconds) const;
    /// Types a line into the console and presses Return.
    static void enterInConsole(const std::string& line);

private:
    std::string mId;
    std::string mShotFile;
};

} // namespace tolva::test
