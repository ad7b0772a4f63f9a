// 1,000 movable spheres inside a 64 x 64 x 64 gravity map, in the scaled mode (each sphere with
// its own "gravityScale") and in the magnetic mode (each with its own "charge"). The engine's
// frame (physics module, gravity manager pushing every sphere in every step) is timed against
// bare ODE calls on the same scene: the same spheres in a hash space, and the same force per
// body computed from the same cells and added with dBodyAddForce. Prints microseconds per step for both, their ratio,
// the gravity pass alone, and allocations per step of the engine and of the gravity pass. The first row, the same
// spheres without a map and without forces, shows what the engine's frame costs over ODE by itself.
#include "AllocationCounter.h"
#include "core/Engine.h"
#include "core/GameBase.h"
#include "physics/GravityManager.h"
#include "physics/GravityMap.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "platform/OdeSphereGeometry.h"
#include "scripting/Python.h"

#include <OgreLogManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <ode/ode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const int SPHERES = 1000;
const int STEPS = 1000;
const float STEP = 0.01f;
const int CELLS = 64;
const float INTENSITY = 1.5f;
const float MAP_CHARGE = 1.0f;

enum Mode { NO_MAP, SCALED, MAGNETIC };
const char* const MODE_NAMES[] = {"no map", "scaled", "magnetic"};

struct Sphere {
    Ogre::Vector3 position;
    float scale;
    float charge;
};

// A 10 x 10 x 10 lattice, two units apart, around the middle of the map.
std::vector<Sphere> spheres()
{
    std::vector<Sphere> result;
    for (int n = 0; n < SPHERES; ++n) {
        const Ogre::Vector3 position(23.0f + 2 * (n % 10), 23.0f + 2 * (n / 10 % 10), 23.0f + 2 * (n / 100));
        result.push_back({position, 0.5f + 0.25f * (n % 5), 1.5f * (n % 3 - 1)});
    }
    return result;
}

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct EngineFigures {
    double microsecondsPerStep;
    double allocationsPerStep;
    double gravityMicrosecondsPerStep;
    double gravityAllocationsPerStep;
};

EngineFigures engineRun(
    tolva::Engine& engine, Ogre::SceneManager* scene, const std::string& file, Mode mode, std::vector<float>& cells)
{
    tolva::Physics* physics = engine.getPhysics();
    std::unique_ptr<tolva::GravityMap> map;
    if (mode != NO_MAP) {
        map = std::make_unique<tolva::GravityMap>(file, scene->getRootSceneNode()->createChildSceneNode());
        map->setMode(tolva::GravityMap::MODE_AUTO);
        map->setIntensity(INTENSITY);
        map->setMagnetic(mode == MAGNETIC);
        map->setMagneticCharge(MAP_CHARGE);
        const tolva::GravityData& data = *map->getGravityData();
        cells.clear();
        for (int i = 0; i < CELLS; ++i) {
            for (int j = 0; j < CELLS; ++j) {
                for (int k = 0; k < CELLS; ++k) {
                    const Ogre::Vector3& v = data.getCell(i, j, k);
                    cells.insert(cells.end(), {v.x, v.y, v.z});
                }
            }
        }
    }
    std::vector<std::unique_ptr<tolva::MovableObject>> bodies;
    for (const Sphere& s : spheres()) {
        bodies.push_back(std::make_unique<tolva::MovableObject>(physics->createSphereGeometry(0.5f), 1.0f));
        bodies.back()->setCollisionPartners(bodies.back()->getCollisionPartners() | tolva::PhysicalBase::COLL_GRAVITY);
        bodies.back()->setPosition(s.position);
        bodies.back()->setProperty("gravityScale", std::to_string(s.scale));
        bodies.back()->setProperty("charge", std::to_string(s.charge));
    }
    dRandSetSeed(0);
    unsigned long long allocationsAtSettle = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < STEPS; ++i) {
        if (i == STEPS - 100) {
            allocationsAtSettle = tolva::bench::allocationCount();
        }
        engine.frame(STEP);
    }
    EngineFigures figures;
    figures.microsecondsPerStep = seconds(start) * 1e6 / STEPS;
    figures.allocationsPerStep = double(tolva::bench::allocationCount() - allocationsAtSettle) / 100;

    // The gravity pass alone (it adds forces that the next step would use; none follows).
    tolva::GravityManager* manager = engine.getGravityManager();
    const unsigned long long before = tolva::bench::allocationCount();
    const auto gravityStart = std::chrono::steady_clock::now();
    for (int i = 0; i < STEPS; ++i) {
        manager->physicsStep(STEP);
    }
    figures.gravityMicrosecondsPerStep = seconds(gravityStart) * 1e6 / STEPS;
    figures.gravityAllocationsPerStep = double(tolva::bench::allocationCount() - before) / STEPS;
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
    dContact contact[8];
    const int n = dCollide(o1, o2, 8, &contact[0].geom, sizeof(dContact));
    for (int i = 0; i < n; ++i) {
        contact[i].surface.mode = 0;
        contact[i].surface.mu = dInfinity;
        const dJointID joint = dJointCreateContact(bare->world, bare->contacts, &contact[i]);
        dJointAttach(joint, dGeomGetBody(o1), dGeomGetBody(o2));
    }
}

double bareRun(Mode mode, const std::vector<float>& cells, double& allocationsPerStep)
{
    Bare bare{dWorldCreate(), dHashSpaceCreate(nullptr), dJointGroupCreate(0)};
    dWorldSetCFM(bare.world, 0.01);
    dWorldSetERP(bare.world, 0.2);
    std::vector<dBodyID> bodies;
    std::vector<float> factors;
    for (const Sphere& s : spheres()) {
        const dBodyID body = dBodyCreate(bare.world);
        dMass mass;
        dMassSetSphereTotal(&mass, 1.0, 0.5);
        dBodySetMass(body, &mass);
        const dGeomID sphere = dCreateSphere(bare.space, 0.5);
        dGeomSetBody(sphere, body);
        dGeomSetCategoryBits(sphere, 2);
        dGeomSetCollideBits(sphere, 19 | 64);
        dBodySetPosition(body, s.position.x, s.position.y, s.position.z);
        bodies.push_back(body);
        const float rule = mode == MAGNETIC ? -MAP_CHARGE * s.charge : 1.0f;
        factors.push_back(INTENSITY * s.scale * rule);
    }
    dRandSetSeed(0);
    unsigned long long allocationsAtSettle = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0; step < STEPS; ++step) {
        if (step == STEPS - 100) {
            allocationsAtSettle = tolva::bench::allocationCount();
        }
        for (size_t b = 0; b < bodies.size() && mode != NO_MAP; ++b) {
            const dReal* p = dBodyGetPosition(bodies[b]);
            const dReal x = p[0], y = p[1], z = p[2];
            if (x > -1 && x < CELLS && y > -1 && y < CELLS && z > -1 && z < CELLS) {
                const size_t cell = ((size_t(std::max<dReal>(x, 0)) * CELLS + size_t(std::max<dReal>(y, 0))) * CELLS
                                        + size_t(std::max<dReal>(z, 0)))
                    * 3;
                dBodyAddForce(
                    bodies[b], cells[cell] * factors[b], cells[cell + 1] * factors[b], cells[cell + 2] * factors[b]);
            }
        }
        dSpaceCollide(bare.space, &bare, bareNear);
        dWorldQuickStep(bare.world, STEP);
        dJointGroupEmpty(bare.contacts);
    }
    const double result = seconds(start) * 1e6 / STEPS;
    allocationsPerStep = double(tolva::bench::allocationCount() - allocationsAtSettle) / 100;
    dJointGroupDestroy(bare.contacts);
    dSpaceDestroy(bare.space);
    dWorldDestroy(bare.world);
    return result;
}

std::string makeHome()
{
    char pattern[] = "/tmp/gravity_bench.XXXXXX";
    const std::string home = mkdtemp(pattern);
    mkdir((home + "/.spindlewake").c_str(), 0700);
    std::ofstream(home + "/.spindlewake/engine.cfg") << "Console Enable=no\n";
    setenv("HOME", home.c_str(), 1);
    return home;
}

// Cell (i, j, k) of the map: a field that changes from cell to cell and drifts the spheres
// slowly downwards without piling them up.
const char* const WRITE_MAP = R"(
import math, pickle
n = 64
cells = tuple(tuple(tuple((0.3 * math.sin(0.3 * i + 0.1 * k), -0.3 + 0.1 * math.cos(0.2 * j), 0.3 * math.sin(0.25 * k))
                          for k in range(n)) for j in range(n)) for i in range(n))
with open(map_file, 'wb') as f:
    pickle.dump(((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), (1.0, n, n, n), cells), f, protocol=2)
)";

} // namespace

int main(int argc, char** argv)
{
    const std::string home = makeHome();
    const std::string file = home + "/bench.gmap";
    // A silent log for the rendering engine's root, which the engine's log then replaces.
    Ogre::LogManager logs;
    logs.createLog("", true, false, true);
    Ogre::Root root("", "", "");
    Ogre::SceneManager* scene = root.createSceneManager();

    tolva::EngineOptions options;
    options.graphics = options.audio = options.input = options.time = options.gui = options.console = false;
    options.physics = options.scripting = options.gravityManager = true;
    options.createGame = [] { return new tolva::GameBase(); };

    std::printf("%9s %16s %18s %7s %17s %20s %22s %21s\n", "mode", "engine us/step", "bare ODE us/step", "ratio",
        "gravity us/step", "engine allocs/step", "bare ODE allocs/step", "gravity allocs/step");
    // Each figure is the best of three runs, which keeps out most of the noise of a busy machine.
    const int RUNS = 3;
    for (Mode mode : {NO_MAP, SCALED, MAGNETIC}) {
        EngineFigures best{1e30, 0, 1e30, 0};
        double bare = 1e30;
        double bareAllocations = 0;
        for (int run = 0; run < RUNS; ++run) {
            std::vector<float> cells;
            {
                tolva::Engine engine(argc, argv, options);
                engine.initialise();
                engine.getPhysics()->setSceneManager(scene);
                if (run == 0 && mode == NO_MAP) {
                    engine.getScripting()->executeStatement("map_file = '" + file + "'\n" + WRITE_MAP);
                }
                const EngineFigures figures = engineRun(engine, scene, file, mode, cells);
                if (figures.microsecondsPerStep < best.microsecondsPerStep) {
                    best = figures;
                }
                engine.shutdown();
            }
            bare = std::min(bare, bareRun(mode, cells, bareAllocations));
        }
        std::printf("%9s %16.1f %18.1f %7.3f %17.1f %20.2f %22.2f %21.2f\n", MODE_NAMES[mode], best.microsecondsPerStep,
            bare, best.microsecondsPerStep / bare, best.gravityMicrosecondsPerStep, best.allocationsPerStep,
            bareAllocations, best.gravityAllocationsPerStep);
    }
    std::string command = "rm -rf '" + home + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}
