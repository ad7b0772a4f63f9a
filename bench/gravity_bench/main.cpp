// 1,000 movable spheres inside a 64 x 64 x 64 gravity map, in the scaled mode (each sphere with
// its own "gravityScale") and in the magnetic mode (each with its own "charge"). The engine's
// frame (physics module, gravity manager pushing every sphere in every step) is timed against
// bare ODE calls on the same scene (BareOdeWorld): the same spheres in a hash space, and the same
// force per body computed from the same cells and added with dBodyAddForce. The first measure,
// the same spheres without a map and without forces, shows what the engine's frame costs over ODE
// by itself. Each round runs both sides, in an order that alternates from round to round; one
// summary line per mode gives the median of the per-round engine/bare ratios and their spread,
// followed by the gravity pass alone and the allocations per step of both sides.
//
//     gravity_bench [--rounds N] [--steps N]
//
// Under valgrind, e.g. `--rounds 1 --steps 200`: the inclusive counts of tolva::Engine::frame and
// of bareStep are the two sides.
#include "AllocationCounter.h"
#include "BareOdeWorld.h"
#include "BenchHome.h"
#include "Rounds.h"
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
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const int SPHERES = 1000;
int gSteps = 1000;
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
    for (int i = 0; i < gSteps; ++i) {
        if (i == std::max(0, gSteps - 100)) {
            allocationsAtSettle = tolva::bench::allocationCount();
        }
        engine.frame(STEP);
    }
    EngineFigures figures;
    figures.microsecondsPerStep = seconds(start) * 1e6 / gSteps;
    figures.allocationsPerStep = double(tolva::bench::allocationCount() - allocationsAtSettle) / std::min(gSteps, 100);

    // The gravity pass alone (it adds forces that the next step would use; none follows).
    tolva::GravityManager* manager = engine.getGravityManager();
    const unsigned long long before = tolva::bench::allocationCount();
    const auto gravityStart = std::chrono::steady_clock::now();
    for (int i = 0; i < gSteps; ++i) {
        manager->physicsStep(STEP);
    }
    figures.gravityMicrosecondsPerStep = seconds(gravityStart) * 1e6 / gSteps;
    figures.gravityAllocationsPerStep = double(tolva::bench::allocationCount() - before) / gSteps;
    return figures;
}

/// One bare step: the forces of the map, then the collision pass and the quick step. Kept out of
/// line for the profilers.
__attribute__((noinline)) void bareStep(tolva::bench::BareOdeWorld& bare, Mode mode, const std::vector<dBodyID>& bodies,
    const std::vector<float>& factors, const std::vector<float>& cells)
{
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
    bare.step(STEP);
}

double bareRun(Mode mode, const std::vector<float>& cells, double& allocationsPerStep)
{
    tolva::bench::BareOdeWorld bare(0.0f);
    std::vector<dBodyID> bodies;
    std::vector<float> factors;
    for (const Sphere& s : spheres()) {
        // A movable's category and partners in the engine, with the gravity maps among them.
        bodies.push_back(bare.addSphere(s.position.x, s.position.y, s.position.z, tolva::PhysicalBase::COLL_MOVABLE,
            19 | tolva::PhysicalBase::COLL_GRAVITY));
        const float rule = mode == MAGNETIC ? -MAP_CHARGE * s.charge : 1.0f;
        factors.push_back(INTENSITY * s.scale * rule);
    }
    dRandSetSeed(0);
    unsigned long long allocationsAtSettle = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0; step < gSteps; ++step) {
        if (step == std::max(0, gSteps - 100)) {
            allocationsAtSettle = tolva::bench::allocationCount();
        }
        bareStep(bare, mode, bodies, factors, cells);
    }
    const double result = seconds(start) * 1e6 / gSteps;
    allocationsPerStep = double(tolva::bench::allocationCount() - allocationsAtSettle) / std::min(gSteps, 100);
    return result;
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
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int rounds = tolva::bench::takeOption(arguments, "--rounds", 7);
    gSteps = tolva::bench::takeOption(arguments, "--steps", gSteps);
    const tolva::bench::BenchHome home;
    const std::string file = home.path() + "/bench.gmap";
    // A silent log for the rendering engine's root, which the engine's log then replaces.
    Ogre::LogManager logs;
    logs.createLog("", true, false, true);
    Ogre::Root root("", "", "");
    Ogre::SceneManager* scene = root.createSceneManager();

    tolva::EngineOptions options;
    options.graphics = options.audio = options.input = options.time = options.gui = options.console = false;
    options.physics = options.scripting = options.gravityManager = true;
    options.createGame = [] { return new tolva::GameBase(); };

    std::printf("gravity_bench: %d spheres, %d steps per run, %d rounds\n", SPHERES, gSteps, rounds);
    bool mapWritten = false;
    for (Mode mode : {NO_MAP, SCALED, MAGNETIC}) {
        EngineFigures engineFigures{};
        double bareAllocations = 0;
        // The engine's run reads the cells for the bare run; the first round runs it first.
        std::vector<float> cells;
        const std::vector<std::function<double()>> runs = {
            [&] {
                tolva::Engine engine(1, argv, options);
                engine.initialise();
                engine.getPhysics()->setSceneManager(scene);
                if (!mapWritten) {
                    engine.getScripting()->executeStatement("map_file = '" + file + "'\n" + WRITE_MAP);
                    mapWritten = true;
                }
                engineFigures = engineRun(engine, scene, file, mode, cells);
                engine.shutdown();
                return engineFigures.microsecondsPerStep;
            },
            [&] { return bareRun(mode, cells, bareAllocations); },
        };
        const std::vector<std::vector<double>> times = tolva::bench::rotateRounds(rounds, runs);
        tolva::bench::printRatio(std::string("gravity maps, ") + MODE_NAMES[mode], times[0], times[1], "us/step");
        std::printf("  gravity pass alone %.1f us/step; allocations per step: engine %.2f, bare ODE %.2f, gravity "
                    "pass %.2f\n",
            engineFigures.gravityMicrosecondsPerStep, engineFigures.allocationsPerStep, bareAllocations,
            engineFigures.gravityAllocationsPerStep);
    }
    return 0;
}
