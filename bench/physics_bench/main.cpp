// Spheres dropped into a static box, stepped through the engine's physics module and through
// bare ODE calls; prints microseconds per step for both and their ratio, and the engine's
// allocations per step once the scene has settled into steady contact (for both: ODE itself
// allocates through the C++ allocator inside its steps). Both runs build the same world: the
// engine takes its settings as floats, so the bare run is given the same float values.
//
// A second table repeats the engine run with a listener on every sphere for its collisions with
// the floor, so that most contacts are dispatched through listener holders.
//
//     physics_bench [--runs N] [--without-listeners] [bodies ...]
//
// Without arguments: the best of three runs each at 200, 1,000 and 3,000 bodies, with both
// tables. One run at one size without listeners suits an instruction count under callgrind
// (Physics::frame against the bare run's ODE calls, inclusive).
#include "AllocationCounter.h"
#include "core/Engine.h"
#include "core/GameBase.h"
#include "physics/CollisionListener.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBoxGeometry.h"
#include "platform/OdeSphereGeometry.h"

#include <ode/ode.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

unsigned long gBareAllocationsAtSettle = 0;

const int STEPS = 1000;
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

struct EngineFigures {
    double microsecondsPerStep = 1e30;
    double allocationsPerStep = 0;
    double listenerCallsPerStep = 0;
};

EngineFigures engineRun(tolva::Physics* physics, int count, bool listening)
{
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
    // The same random constraint order as the bare run, so both simulate the same contacts.
    dRandSetSeed(0);
    const auto start = std::chrono::steady_clock::now();
    unsigned long allocationsAtSettle = 0;
    for (int i = 0; i < STEPS; ++i) {
        if (i == STEPS - 100) {
            allocationsAtSettle = tolva::bench::allocationCount();
        }
        physics->frame(STEP);
    }
    const auto end = std::chrono::steady_clock::now();
    EngineFigures figures;
    figures.allocationsPerStep = double(tolva::bench::allocationCount() - allocationsAtSettle) / 100.0;
    figures.microsecondsPerStep = std::chrono::duration<double, std::micro>(end - start).count() / STEPS;
    figures.listenerCallsPerStep = double(listener.calls) / STEPS;
    return figures;
}

struct Bare {
    dWorldID world;
    dSpaceID space;
    dJointGroupID contacts;
};

void bareNear(void* data, dGeomID o1, dGeomID o2)
{
    auto* bare = static_cast<Bare*>(data);
    const dBodyID b1 = dGeomGetBody(o1), b2 = dGeomGetBody(o2);
    // Like the engine: two static walls touching make no constraint.
    if (!b1 && !b2) {
        return;
    }
    dContact contact[8];
    const int n = dCollide(o1, o2, 8, &contact[0].geom, sizeof(dContact));
    for (int i = 0; i < n; ++i) {
        contact[i].surface.mode = 0;
        contact[i].surface.mu = dInfinity;
        const dJointID joint = dJointCreateContact(bare->world, bare->contacts, &contact[i]);
        dJointAttach(joint, b1, b2);
    }
}

double bareRun(int count)
{
    Bare bare{dWorldCreate(), dHashSpaceCreate(nullptr), dJointGroupCreate(0)};
    dWorldSetGravity(bare.world, 0, -9.81f, 0);
    dWorldSetCFM(bare.world, 0.01f);
    dWorldSetERP(bare.world, 0.2f);
    for (const Wall& w : WALLS) {
        const dGeomID box = dCreateBox(bare.space, w.sx, w.sy, w.sz);
        dGeomSetPosition(box, w.x, w.y, w.z);
        dGeomSetCategoryBits(box, 1);
        dGeomSetCollideBits(box, ~0ul);
    }
    for (const Placement& p : spherePlacements(count)) {
        const dBodyID body = dBodyCreate(bare.world);
        dMass mass;
        dMassSetSphereTotal(&mass, 1.0, 0.5);
        dBodySetMass(body, &mass);
        const dGeomID sphere = dCreateSphere(bare.space, 0.5);
        dGeomSetBody(sphere, body);
        dGeomSetCategoryBits(sphere, 2);
        dGeomSetCollideBits(sphere, 19);
        dBodySetPosition(body, p.x, p.y, p.z);
    }
    dRandSetSeed(0);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < STEPS; ++i) {
        if (i == STEPS - 100) {
            gBareAllocationsAtSettle = tolva::bench::allocationCount();
        }
        dSpaceCollide(bare.space, &bare, bareNear);
        dWorldQuickStep(bare.world, STEP);
        dJointGroupEmpty(bare.contacts);
    }
    const auto end = std::chrono::steady_clock::now();
    dJointGroupDestroy(bare.contacts);
    dSpaceDestroy(bare.space);
    dWorldDestroy(bare.world);
    return std::chrono::duration<double, std::micro>(end - start).count() / STEPS;
}

std::string makeHome()
{
    char pattern[] = "/tmp/physics_bench.XXXXXX";
    const std::string home = mkdtemp(pattern);
    mkdir((home + "/.spindlewake").c_str(), 0700);
    std::ofstream(home + "/.spindlewake/engine.cfg") << "Console Enable=no\n";
    setenv("HOME", home.c_str(), 1);
    return home;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string home = makeHome();
    tolva::EngineOptions options;
    options.graphics = options.audio = options.input = options.time = options.scripting = false;
    options.gui = options.console = options.gravityManager = false;
    options.physics = true;
    options.createGame = [] { return new tolva::GameBase(); };
    int runs = 3;
    bool withListeners = true;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--without-listeners") {
            withListeners = false;
        } else if (std::atoi(argument.c_str()) > 0) {
            counts.push_back(std::atoi(argument.c_str()));
        } else {
            std::fprintf(stderr, "usage: %s [--runs N] [--without-listeners] [bodies ...]\n", argv[0]);
            return 2;
        }
    }
    if (counts.empty()) {
        counts = {200, 1000, 3000};
    }
    std::printf("%8s %18s %18s %8s %22s %22s\n", "bodies", "engine us/step", "bare ODE us/step", "ratio",
        "engine allocs/step", "bare ODE allocs/step");
    struct Row {
        int count;
        EngineFigures engine, listening;
        double bare;
    };
    std::vector<Row> rows;
    // Each figure is the best of several runs, which keeps out most of the noise of a busy machine.
    for (int count : counts) {
        Row row{count, {}, {}, 1e30};
        double bareAllocations = 0;
        for (int run = 0; run < runs; ++run) {
            for (bool listening : {false, true}) {
                if (listening && !withListeners) {
                    continue;
                }
                tolva::Engine engineObject(1, argv, options);
                tolva::Physics* physics = engineObject.getPhysics();
                physics->setGravity(Ogre::Vector3(0, -9.81f, 0));
                const EngineFigures figures = engineRun(physics, count, listening);
                EngineFigures& best = listening ? row.listening : row.engine;
                if (figures.microsecondsPerStep < best.microsecondsPerStep) {
                    best = figures;
                }
            }
            row.bare = std::min(row.bare, bareRun(count));
            bareAllocations = double(tolva::bench::allocationCount() - gBareAllocationsAtSettle) / 100.0;
        }
        std::printf("%8d %18.1f %18.1f %8.3f %22.2f %22.2f\n", count, row.engine.microsecondsPerStep, row.bare,
            row.engine.microsecondsPerStep / row.bare, row.engine.allocationsPerStep, bareAllocations);
        rows.push_back(row);
    }
    if (withListeners) {
        std::printf("\nWith a listener on every sphere for its collisions with the floor:\n");
        std::printf("%8s %18s %8s %22s %22s\n", "bodies", "engine us/step", "ratio", "engine allocs/step",
            "listener calls/step");
        for (const Row& row : rows) {
            std::printf("%8d %18.1f %8.3f %22.2f %22.1f\n", row.count, row.listening.microsecondsPerStep,
                row.listening.microsecondsPerStep / row.bare, row.listening.allocationsPerStep,
                row.listening.listenerCallsPerStep);
        }
    }
    std::string command = "rm -rf '" + home + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}
