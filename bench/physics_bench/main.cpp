// Spheres dropped into a static box, stepped through the engine's physics module and through
// bare ODE calls (BareOdeWorld); both build the same world from the same float values. A second
// engine run puts a listener on every sphere for its collisions with the floor, so that most
// contacts are dispatched through listener holders. Each round runs bare ODE, the engine and the
// engine with listeners in an order that rotates from round to round; one summary line per
// measure gives the median of the per-round engine/bare ratios and their spread. Then the
// allocations per step once the scene has settled into steady contact (on both sides: ODE itself
// allocates inside its steps), and the pages that the spheres' ODE bodies and geometries lie on.
//
//     physics_bench [--rounds N] [--steps N] [--without-listeners] [bodies ...]
//
// Without arguments: 7 rounds of 1,000 steps at 1,000 and at 3,000 bodies. For an instruction or
// cache-miss count under valgrind, one round of fewer steps at one size, e.g.
// `--rounds 1 --steps 200 --without-listeners 1000`: the inclusive counts of
// tolva::Physics::frame and tolva::bench::BareOdeWorld::step are the two sides.
#include "AllocationCounter.h"
#include "BareOdeWorld.h"
#include "BenchHome.h"
#include "Rounds.h"
#include "core/Engine.h"
#include "core/GameBase.h"
#include "physics/CollisionListener.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBody.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeSphereGeometry.h"

#include <ode/ode.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

int gSteps = 1000;
const float STEP = 0.01f;
const float HALF = 15.0f; // half the inner width of the box

struct Placement {
    float x, y, z;
};

std::vector<Placement> spherePlacements(int count)
{
    std::vector<Placement> result;
    for (int i = 0; i < count; ++i) {
        const int layer = i / 400, row = (i / 20) % 20, column = i % 20;
        // A slight stagger so the layers don't balance on each other's tops.
        result.push_back({-11.4f + column * 1.2f + 0.1f * (layer % 2), 1.0f + layer * 1.2f,
            -11.4f + row * 1.2f + 0.1f * (layer % 2)});
    }
    return result;
}

struct Wall {
    float x, y, z, sx, sy, sz;
};

const Wall WALLS[] = {
    {0, -0.5f, 0, 2 * HALF + 2, 1, 2 * HALF + 2},
    {-HALF - 0.5f, 10, 0, 1, 20, 2 * HALF},
    {HALF + 0.5f, 10, 0, 1, 20, 2 * HALF},
    {0, 10, -HALF - 0.5f, 2 * HALF, 20, 1},
    {0, 10, HALF + 0.5f, 2 * HALF, 20, 1},
};

// Counts the collisions it hears of.
struct CountingListener : tolva::CollisionListener {
    unsigned long calls = 0;
    void collision(tolva::PhysicalBase*, tolva::Contact*) override { ++calls; }
};

struct Figures {
    double microsecondsPerStep = 0;
    double allocationsPerStep = 0;
    double listenerCallsPerStep = 0;
    size_t pages = 0;
};

/// The 4 KiB pages the ODE bodies and geometries of the spheres start on: the memory every step
/// walks, however large the objects around them.
size_t pagesOf(const std::vector<dBodyID>& bodies)
{
    std::set<uintptr_t> pages;
    for (const dBodyID body : bodies) {
        pages.insert(reinterpret_cast<uintptr_t>(body) / 4096);
        for (dGeomID geometry = dBodyGetFirstGeom(body); geometry; geometry = dBodyGetNextGeom(geometry)) {
            pages.insert(reinterpret_cast<uintptr_t>(geometry) / 4096);
        }
    }
    return pages.size();
}

/// Times the steps, counting the allocations of the last 100 (or fewer).
Figures timeSteps(const std::function<void()>& step)
{
    // The same random constraint order on both sides, so both simulate the same contacts.
    dRandSetSeed(0);
    const int settled = std::max(0, gSteps - 100);
    unsigned long long allocationsAtSettle = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < gSteps; ++i) {
        if (i == settled) {
            allocationsAtSettle = tolva::bench::allocationCount();
        }
        step();
    }
    const auto end = std::chrono::steady_clock::now();
    Figures figures;
    figures.allocationsPerStep = double(tolva::bench::allocationCount() - allocationsAtSettle) / (gSteps - settled);
    figures.microsecondsPerStep = std::chrono::duration<double, std::micro>(end - start).count() / gSteps;
    return figures;
}

Figures engineRun(char** argv, const tolva::EngineOptions& options, int count, bool listening)
{
    tolva::Engine engine(1, argv, options);
    tolva::Physics* physics = engine.getPhysics();
    physics->setGravity(Ogre::Vector3(0, -9.81f, 0));
    std::vector<std::unique_ptr<tolva::SinglePhysical>> walls;
    for (const Wall& w : WALLS) {
        walls.push_back(
            std::make_unique<tolva::SinglePhysical>(physics->createBoxGeometry(Ogre::Vector3(w.sx, w.sy, w.sz))));
        walls.back()->setPosition(Ogre::Vector3(w.x, w.y, w.z));
        walls.back()->setCollisionCategory(tolva::PhysicalBase::COLL_FIXED);
    }
    std::vector<std::unique_ptr<tolva::MovableObject>> spheres;
    for (const Placement& p : spherePlacements(count)) {
        spheres.push_back(std::make_unique<tolva::MovableObject>(physics->createSphereGeometry(0.5f), 1.0f));
        spheres.back()->setPosition(Ogre::Vector3(p.x, p.y, p.z));
    }
    CountingListener listener;
    std::vector<std::unique_ptr<tolva::Connection<tolva::CollisionListener>>> connections;
    if (listening) {
        for (auto& sphere : spheres) {
            connections.emplace_back(sphere->eventPhysicalCollision(walls.front().get()).connect(&listener));
        }
    }
    Figures figures = timeSteps([physics] { physics->frame(STEP); });
    figures.listenerCallsPerStep = double(listener.calls) / gSteps;
    std::vector<dBodyID> bodies;
    for (const auto& sphere : spheres) {
        bodies.push_back(sphere->getBody()->getBodyID());
    }
    figures.pages = pagesOf(bodies);
    return figures;
}

Figures bareRun(int count)
{
    tolva::bench::BareOdeWorld bare(-9.81f);
    for (const Wall& w : WALLS) {
        bare.addBox(w.x, w.y, w.z, w.sx, w.sy, w.sz, tolva::PhysicalBase::COLL_FIXED);
    }
    // A movable's categories and partners in the engine: movable; fixed, movable and sphere.
    std::vector<dBodyID> bodies;
    for (const Placement& p : spherePlacements(count)) {
        bodies.push_back(bare.addSphere(p.x, p.y, p.z, tolva::PhysicalBase::COLL_MOVABLE, 19));
    }
    Figures figures = timeSteps([&bare] { bare.step(STEP); });
    figures.pages = pagesOf(bodies);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const tolva::bench::BenchHome home;
    tolva::EngineOptions options;
    options.graphics = options.audio = options.input = options.time = options.scripting = false;
    options.gui = options.console = options.gravityManager = false;
    options.physics = true;
    options.createGame = [] { return new tolva::GameBase(); };
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int rounds = tolva::bench::takeOption(arguments, "--rounds", 7);
    gSteps = tolva::bench::takeOption(arguments, "--steps", gSteps);
    bool withListeners = true;
    std::vector<int> counts;
    for (const std::string& argument : arguments) {
        if (argument == "--without-listeners") {
            withListeners = false;
        } else if (std::atoi(argument.c_str()) > 0) {
            counts.push_back(std::atoi(argument.c_str()));
        } else {
            std::fprintf(stderr, "usage: %s [--rounds N] [--steps N] [--without-listeners] [bodies ...]\n", argv[0]);
            return 2;
        }
    }
    if (counts.empty()) {
        counts = {1000, 3000};
    }
    std::printf("physics_bench: %d steps of %.2f s per run, %d rounds\n", gSteps, STEP, rounds);
    for (int count : counts) {
        Figures engine, listening, bare;
        std::vector<std::function<double()>> runs = {
            [&] { return (bare = bareRun(count)).microsecondsPerStep; },
            [&] { return (engine = engineRun(argv, options, count, false)).microsecondsPerStep; },
        };
        if (withListeners) {
            runs.push_back([&] { return (listening = engineRun(argv, options, count, true)).microsecondsPerStep; });
        }
        const std::vector<std::vector<double>> times = tolva::bench::rotateRounds(rounds, runs);
        const std::string bodies = std::to_string(count) + " bodies";
        tolva::bench::printRatio("physics step, " + bodies, times[1], times[0], "us/step");
        if (withListeners) {
            tolva::bench::printRatio(
                "physics step, " + bodies + ", a listener on every sphere", times[2], times[0], "us/step");
        }
        std::printf("  allocations per settled step: engine %.2f, bare ODE %.2f", engine.allocationsPerStep,
            bare.allocationsPerStep);
        if (withListeners) {
            std::printf(", engine with listeners %.2f (listener calls per step %.1f)", listening.allocationsPerStep,
                listening.listenerCallsPerStep);
        }
        std::printf("\n");
        std::printf("  pages holding the spheres' ODE bodies and geometries: engine %zu, bare ODE %zu\n", engine.pages,
            bare.pages);
    }
    return 0;
}
