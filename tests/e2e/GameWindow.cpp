#include "GameWindow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>

namespace tolva::test {

bool xClient(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

GameWindow::GameWindow(std::string shotFile)
    : mShotFile(std::move(shotFile))
{
    if (!xClient("xdotool search --sync --name Spindlewake windowactivate --sync")) {
        return;
    }
    FILE* search = popen("xdotool search --name Spindlewake 2>/dev/null", "r");
    char line[64] = "";
    const bool found = search && std::fgets(line, sizeof line, search);
    if (search) {
        pclose(search);
    }
    if (found) {
        const std::string text(line);
        mId = text.substr(0, text.find_first_not_of("0123456789"));
    }
}

Picture GameWindow::screenshot() const
{
    Picture picture;
    if (mId.empty() || !xClient("python3 " TOLVA_SOURCE_DIR "/tools/screenshot.py " + mId + " " + mShotFile)) {
        return picture;
    }
    std::ifstream in(mShotFile, std::ios::binary);
    std::string magic;
    int depth = 0;
    in >> magic >> picture.width >> picture.height >> depth;
    in.get();
    if (magic != "P6" || depth != 255 || picture.width <= 0 || picture.height <= 0) {
        return Picture();
    }
    picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    in.read(reinterpret_cast<char*>(picture.rgb.data()), static_cast<std::streamsize>(picture.rgb.size()));
    return in ? picture : Picture();
}

bool GameWindow::showsConsole(const Picture& picture)
{
    // The scene has nothing so dark across the window's width.
    std::size_t dark = 0;
    std::size_t all = 0;
    for (int y = picture.height / 2 - 28; y < picture.height / 2 - 12; ++y) {
        for (int x = 20; x < picture.width - 20; ++x, ++all) {
            const std::uint8_t* p = picture.at(x, y);
            dark += std::max({p[0], p[1], p[2]}) < 40;
        }
    }
    return all > 0 && dark > all * 9 / 10;
}

bool GameWindow::toggleConsole(bool shown, double seconds) const
{
    xClient("xdotool key grave");
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        const Picture picture = screenshot();
        if (!picture.rgb.empty() && showsConsole(picture) == shown) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void GameWindow::enterInConsole(const std::string& line)
{
    xClient("xdotool type --delay 20 '" + line + "'");
    xClient("xdotool key Return");
}

} // namespace tolva::test
