// Frame time of the default level: 1,000 frames (after a short warm-up) with the sphere rolling
// along the level's scripted path (the level's autopilot, turned on by SPINDLEWAKE_AUTOPILOT),
// split by the engine's own step trace into the modules' frames: graphics, physics, audio,
// scripts (the game module, which runs the game's scripts) and the rest (time, input, GUI).
// The graphics share includes the main loop's own few instructions between two frames.
// With "--hdr" the player's engine.cfg is the shipped one with the HDR render path configured
// ("[CompositorEffect-01]", "Compositor=compositor/HDR"), which the level then draws in.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "GameRun.h"
#include "Rounds.h"
#include "core/Engine.h"

namespace {

using Clock = std::chrono::steady_clock;
const int WarmupFrames = 30;
const int MeasuredFrames = 1000;
const char* const Categories[] = {"graphics", "physics", "audio", "scripts", "rest"};

const char* categoryOf(const char* module)
{
    for (const char* own : {"graphics", "physics", "audio"}) {
        if (std::strcmp(module, own) == 0) {
            return own;
        }
    }
    return std::strcmp(module, "game") == 0 ? "scripts" : "rest";
}

} // namespace

int main(int argc, char** argv)
{
    tolva::bench::prepareProcess(argc, argv, TOLVA_TREE_DIR);
    tolva::bench::FreshHome home;
    setenv("HOME", home.path().c_str(), 1);
    if (argc > 1 && std::strcmp(argv[1], "--hdr") == 0) {
        const std::filesystem::path settings = std::filesystem::path(home.path()) / ".spindlewake";
        std::filesystem::create_directories(settings);
        std::filesystem::copy_file("../cfg/engine.cfg", settings / "engine.cfg");
        std::ofstream(settings / "engine.cfg", std::ios::app) << "[CompositorEffect-01]\nCompositor=compositor/HDR\n";
    }
    setenv("SPINDLEWAKE_AUTOPILOT", "1", 1);

    std::map<std::string, double> seconds;
    std::vector<double> frameTimes;
    int frame = 0;
    const char* current = nullptr;
    Clock::time_point stepStart;
    Clock::time_point frameStart;
    const int saved = tolva::bench::silenceOutput();
    const int status = tolva::bench::runGame(1, argv, [&](const char* step, const char* module) {
        if (std::strcmp(step, "frame") != 0) {
            return;
        }
        const Clock::time_point now = Clock::now();
        const bool newFrame = std::strcmp(module, "time") == 0;
        if (current) {
            seconds[categoryOf(current)] += std::chrono::duration<double>(now - stepStart).count();
            if (newFrame) {
                frameTimes.push_back(std::chrono::duration<double>(now - frameStart).count());
            }
        }
        current = nullptr;
        if (newFrame) {
            ++frame;
            frameStart = now;
            if (frame == WarmupFrames + MeasuredFrames + 1) {
                tolva::Engine::getInstance()->stop(false);
                return;
            }
        }
        if (frame > WarmupFrames && frame <= WarmupFrames + MeasuredFrames) {
            current = module;
            stepStart = now;
        }
    });
    tolva::bench::restoreOutput(saved);
    if (status != 0 || static_cast<int>(frameTimes.size()) != MeasuredFrames) {
        std::printf(
            "the game ended after %zu measured frames with status %d; see engine.log\n", frameTimes.size(), status);
        return 1;
    }
    double total = 0.0;
    for (const auto& entry : seconds) {
        total += entry.second;
    }
    std::printf("%d frames of the default level, mean %.3f ms (%.0f frames/s), median %.3f ms\n", MeasuredFrames,
        total * 1000.0 / MeasuredFrames, MeasuredFrames / total, tolva::bench::median(frameTimes) * 1000.0);
    for (const char* category : Categories) {
        std::printf("  %-9s %8.3f ms/frame  %5.1f %%\n", category, seconds[category] * 1000.0 / MeasuredFrames,
            100.0 * seconds[category] / total);
    }
    return 0;
}
