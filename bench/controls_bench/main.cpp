// Cost of command dispatch: key-down/key-up pairs and frames of the control registry with 20
// repeating commands held, across 8 modifier layers, and the heap allocations both make.
#include "input/GameControlRegistry.h"

#include "AllocationCounter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

using tolva::GameControlRegistry;
typedef GameControlRegistry::Control Control;
typedef GameControlRegistry::Modifier Modifier;
typedef GameControlRegistry::Command Command;

class CountingHandler : public GameControlRegistry::CommandHandler {
public:
    void handleCommand(int value) override { mSum += value; }
    long long mSum = 0;
};

Control key(int code)
{
    return Control(Control::TYPE_KEY, code);
}

Modifier modifierOf(std::initializer_list<int> codes)
{
    Modifier modifier;
    for (int code : codes) {
        modifier.addControl(key(code));
    }
    return modifier;
}

bool press(GameControlRegistry& registry, int code)
{
    return registry.keyPressed(OIS::KeyEvent(nullptr, static_cast<OIS::KeyCode>(code), 0));
}

bool release(GameControlRegistry& registry, int code)
{
    return registry.keyReleased(OIS::KeyEvent(nullptr, static_cast<OIS::KeyCode>(code), 0));
}

double nanosecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    const long pairs = 1000000;
    const long frames = 100000;

    const std::vector<int> repeatKeys{OIS::KC_Q, OIS::KC_W, OIS::KC_E, OIS::KC_R, OIS::KC_T, OIS::KC_Y, OIS::KC_U,
        OIS::KC_I, OIS::KC_O, OIS::KC_P, OIS::KC_A, OIS::KC_S, OIS::KC_D, OIS::KC_F, OIS::KC_G, OIS::KC_H, OIS::KC_J,
        OIS::KC_K, OIS::KC_L, OIS::KC_Z};
    const std::vector<int> plainKeys{
        OIS::KC_1, OIS::KC_2, OIS::KC_3, OIS::KC_4, OIS::KC_5, OIS::KC_6, OIS::KC_7, OIS::KC_8, OIS::KC_9, OIS::KC_0};
    const std::vector<Modifier> layers{
        Modifier(),
        modifierOf({OIS::KC_LSHIFT}),
        modifierOf({OIS::KC_LCONTROL}),
        modifierOf({OIS::KC_LSHIFT, OIS::KC_LCONTROL}),
        modifierOf({OIS::KC_RSHIFT}),
        modifierOf({OIS::KC_RCONTROL}),
        modifierOf({OIS::KC_RSHIFT, OIS::KC_RCONTROL}),
        modifierOf({OIS::KC_CAPITAL}),
    };
    const std::vector<int> modifierKeys{
        OIS::KC_LSHIFT, OIS::KC_LCONTROL, OIS::KC_RSHIFT, OIS::KC_RCONTROL, OIS::KC_CAPITAL};

    CountingHandler handler;
    GameControlRegistry registry("controls.cfg");
    registry.setRepeatCommandMaintained(true);
    for (std::size_t i = 1; i < layers.size(); ++i) {
        registry.addModifier(layers[i]);
    }
    for (std::size_t i = 0; i < repeatKeys.size(); ++i) {
        const Command command("Repeat" + std::to_string(i), "Bench", true, &handler);
        registry.addCommand(command);
        for (const Modifier& layer : layers) {
            registry.bind(layer, key(repeatKeys[i]), command);
        }
    }
    for (std::size_t i = 0; i < plainKeys.size(); ++i) {
        const Command command("Plain" + std::to_string(i), "Bench", false, &handler);
        registry.addCommand(command);
        for (const Modifier& layer : layers) {
            registry.bind(layer, key(plainKeys[i]), command);
        }
    }

    for (int code : repeatKeys) {
        press(registry, code);
    }
    registry.frame(0.0f); // warms up the snapshot buffers

    // Events: plain keys, with every eighth pair a modifier key that changes the layer on its
    // down and again on its up (the held repeats are re-examined at each change). The two kinds
    // are also timed apart, in runs of their own.
    long consumed = 0;
    unsigned long long allocationsBefore = tolva::bench::allocationCount();
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < pairs; ++i) {
        const int code = (i % 8 == 7) ? modifierKeys[(i / 8) % modifierKeys.size()] : plainKeys[i % plainKeys.size()];
        consumed += press(registry, code);
        consumed += release(registry, code);
    }
    const double eventNanoseconds = nanosecondsSince(start);
    const unsigned long long eventAllocations = tolva::bench::allocationCount() - allocationsBefore;

    const long splitPairs = pairs / 8;
    start = std::chrono::steady_clock::now();
    for (long i = 0; i < splitPairs; ++i) {
        const int code = plainKeys[i % plainKeys.size()];
        press(registry, code);
        release(registry, code);
    }
    const double plainNanoseconds = nanosecondsSince(start);
    start = std::chrono::steady_clock::now();
    for (long i = 0; i < splitPairs; ++i) {
        const int code = modifierKeys[i % modifierKeys.size()];
        press(registry, code);
        release(registry, code);
    }
    const double layerNanoseconds = nanosecondsSince(start);

    allocationsBefore = tolva::bench::allocationCount();
    start = std::chrono::steady_clock::now();
    for (long i = 0; i < frames; ++i) {
        registry.frame(0.016f);
    }
    const double frameNanoseconds = nanosecondsSince(start);
    const unsigned long long frameAllocations = tolva::bench::allocationCount() - allocationsBefore;

    std::printf("layers: %zu, repeating commands held: %zu (active repeats: %zu)\n", layers.size(), repeatKeys.size(),
        registry.getActiveRepeatCount());
    std::printf("events: %ld key-down/key-up pairs, %ld consumed, %.1f ns per event, heap allocations: %llu\n", pairs,
        consumed, eventNanoseconds / (2.0 * pairs), eventAllocations);
    std::printf(
        "  plain bound keys alone: %.1f ns per event; modifier keys alone (a layer change each): %.1f ns per event\n",
        plainNanoseconds / (2.0 * splitPairs), layerNanoseconds / (2.0 * splitPairs));
    std::printf("frames: %ld, %.1f ns per frame (%.1f ns per repeat call), heap allocations: %llu\n", frames,
        frameNanoseconds / frames, frameNanoseconds / frames / repeatKeys.size(), frameAllocations);
    std::printf("checksum: %lld\n", handler.mSum);
    return 0;
}
