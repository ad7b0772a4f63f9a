// Cost of one engine log line reaching the developer console once its output box is full (the
// box holds its bound of text), with the console hidden and with it shown. A script writes its
// lines within frames of the engine, which puts each frame's new output into the box once; the
// cost per line includes those frames. The hidden and shown runs alternate their order from round
// to round, so that a machine that gets busier or quieter meanwhile weighs on both alike; each
// prints the median of its rounds and their spread (fastest and slowest round). Runs without a
// window: the GUI draws through the GUI library's null renderer.
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
const int FRAMES_PER_ROUND = 4;
const int LINES_PER_FRAME = 50;
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

struct Round {
    double perLine;  ///< milliseconds per line, frames included
    double perFrame; ///< milliseconds of an engine frame that brings output
};

Round run(tolva::Engine& engine, bool shown, int round)
{
    using Clock = std::chrono::steady_clock;
    tolva::Log& log = *engine.getLog();
    engine.getConsole()->getCEGUIWindow()->setVisible(shown);
    engine.frame(0.0f);
    Clock::duration inFrames{};
    const Clock::time_point start = Clock::now();
    for (int frame = 0; frame < FRAMES_PER_ROUND; ++frame) {
        for (int n = 0; n < LINES_PER_FRAME; ++n) {
            log.logMessage("round " + std::to_string(round) + ", line " + std::to_string(n)
                + ": the quick brown fox jumps over the lazy dog, and the lazy dog lets it\n");
        }
        const Clock::time_point frameStart = Clock::now();
        engine.frame(0.016f);
        inFrames += Clock::now() - frameStart;
    }
    const double total = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return {total / (FRAMES_PER_ROUND * LINES_PER_FRAME),
        std::chrono::duration<double, std::milli>(inFrames).count() / FRAMES_PER_ROUND};
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
    std::vector<Round> hidden;
    std::vector<Round> shown;
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
    std::printf("console_bench: %d rounds alternating their order, each %d frames of %d lines, output box full "
                "(%zu characters)\n",
        ROUNDS, FRAMES_PER_ROUND, LINES_PER_FRAME, tolva::Console::MaxOutputLength);
    for (const auto& entry : {std::make_pair("hidden", hidden), std::make_pair("shown", shown)}) {
        std::vector<double> perLine;
        std::vector<double> perFrame;
        for (const Round& r : entry.second) {
            perLine.push_back(r.perLine);
            perFrame.push_back(r.perFrame);
        }
        const Spread line = spreadOf(perLine);
        const Spread frame = spreadOf(perFrame);
        std::printf("console %-6s: median %.4f ms/line (rounds from %.4f to %.4f; goal: under 0.1); "
                    "a frame with new output: median %.3f ms\n",
            entry.first, line.median, line.fastest, line.slowest, frame.median);
    }
    return 0;
}
