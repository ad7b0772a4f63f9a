// Cost of one engine log line reaching the developer console once its output box is full (the
// box holds its bound of text), with the console hidden and with it shown. The two runs alternate
// their order from round to round, so that a machine that gets busier or quieter meanwhile weighs
// on both alike; each prints the median of its rounds and their spread (fastest and slowest
// round). A shown console also has its GUI framed after every line, as the main loop would.
// Runs without a window: the GUI draws through the GUI library's null renderer.
#include "core/Engine.h"
#include "core/GameBase.h"
#include "core/Log.h"
#include "input/Console.h"
#include "input/Gui.h"

#include <CEGUI/CEGUI.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const int ROUNDS = 11;
const int LINES_PER_ROUND = 200;
const char* const FONT_FOLDER = "/usr/share/fonts/truetype/dejavu";

struct Spread {
    double median;
    double fastest;
    double slowest;
};

Spread spreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

/// Milliseconds per line for one run of lines.
double run(tolva::Engine& engine, bool shown, int round)
{
    tolva::Log& log = *engine.getLog();
    engine.getConsole()->getCEGUIWindow()->setVisible(shown);
    engine.getGui()->frame(0.0f);
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < LINES_PER_ROUND; ++n) {
        log.logMessage("round " + std::to_string(round) + ", line " + std::to_string(n)
            + ": the quick brown fox jumps over the lazy dog, and the lazy dog lets it\n");
        if (shown) {
            engine.getGui()->frame(0.016f);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds * 1000.0 / LINES_PER_ROUND;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path home = fs::temp_directory_path() / ("console_bench-" + std::to_string(getpid()));
    fs::create_directories(home / ".spindlewake");
    std::ofstream(home / ".spindlewake" / "engine.cfg")
        << "Console Enable=yes\n[Resources]\nFileSystem=../media/core\n";
    setenv("HOME", home.c_str(), 1);
    if (chdir(TOLVA_TREE_DIR "/bin") != 0) {
        std::fprintf(stderr, "console_bench: cannot enter %s/bin\n", TOLVA_TREE_DIR);
        return 1;
    }
    std::vector<double> hidden;
    std::vector<double> shown;
    try {
        Ogre::Root root("", "", "");
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(TOLVA_TREE_DIR "/media", "FileSystem");
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(FONT_FOLDER, "FileSystem");
        tolva::EngineOptions options;
        options.graphics = options.audio = options.input = options.physics = options.gravityManager = false;
        options.createGame = [] { return new tolva::GameBase(); };
        // The engine echoes its log to standard output; only the figures go there.
        std::fflush(stdout);
        const int saved = dup(1);
        std::freopen("/dev/null", "w", stdout);
        {
            tolva::Engine engine(argc, argv, options);
            engine.initialise();
            tolva::Log& log = *engine.getLog();
            // Fill the box past its bound.
            const std::string line(99, 'x');
            for (std::size_t written = 0; written < 2 * tolva::Console::MaxOutputLength; written += line.size() + 1) {
                log.logMessage(line + "\n");
            }
            for (int round = 0; round < ROUNDS; ++round) {
                if (round % 2 == 0) {
                    hidden.push_back(run(engine, false, round));
                    shown.push_back(run(engine, true, round));
                } else {
                    shown.push_back(run(engine, true, round));
                    hidden.push_back(run(engine, false, round));
                }
            }
            engine.shutdown();
        }
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "console_bench: %s\n", e.what());
        return 1;
    }
    fs::remove_all(home);
    std::printf(
        "console_bench: %d lines per run, %d rounds alternating their order, output box full (%zu characters)\n",
        LINES_PER_ROUND, ROUNDS, tolva::Console::MaxOutputLength);
    for (const auto& entry : {std::make_pair("hidden", spreadOf(hidden)), std::make_pair("shown", spreadOf(shown))}) {
        std::printf("console %-6s: median %.4f ms/line (rounds from %.4f to %.4f; goal: under 0.1)\n", entry.first,
            entry.second.median, entry.second.fastest, entry.second.slowest);
    }
    return 0;
}
