// The same scene rendered through the engine's graphics frame and through bare OGRE: 2,000 mesh
// objects in a grid in front of the camera (300 of them animated, 100 in a timed fade, 100 in a
// distance fade), four point lights and one particle system. The engine's run frames its game
// module (every scene object's update) and its graphics module; the bare run builds the same
// entities, nodes and lights by direct OGRE calls, does by hand what the engine does for its
// objects each frame (advance animations, set the faded alphas) and calls renderOneFrame. A third
// run is the engine's with the HDR render path on (the effect "compositor/HDR" in use, as a scene
// object would use it), so the same scene shows what HDR costs. Prints milliseconds per frame for
// each, one summary line of the engine/bare ratio (the median of the per-round ratios and their
// spread), the HDR cost, and heap allocations per frame.
// Run it under an X server (xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX").
#include "AllocationCounter.h"
#include "BenchHome.h"
#include "Rounds.h"
#include "core/Engine.h"
#include "core/GameBase.h"
#include "scene/Graphics.h"
#include "scene/HDRCompositorDriver.h"
#include "scene/MaterialAlpha.h"
#include "scene/MeshObject.h"
#include "scene/ParticleSystem.h"
#include "scene/PointLight.h"

#include <OgreAnimationState.h>
#include <OgreCamera.h>
#include <OgreEntity.h>
#include <OgreLight.h>
#include <OgreMaterialManager.h>
#include <OgreParticleSystem.h>
#include <OgrePass.h>
#include <OgreRenderQueue.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSkeletonInstance.h>
#include <OgreSubEntity.h>
#include <OgreTechnique.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const int OBJECTS = 2000;
const int ANIMATED = 300;
const int TIMED_FADES = 100;
const int DISTANCE_FADES = 100;
const int FRAMES = 504;
/// The frames are timed in rounds that rotate the order of the runs (engine, HDR, bare; HDR,
/// bare, engine; ...), so that a machine that gets busier or quieter meanwhile weighs on all alike.
const int ROUNDS = 21;
const int WARM_UP = 10;
const float STEP = 1.0f / 60.0f;
const float FADE_SECONDS = 2.0f;

/// What each object of the grid is.
enum class Kind { Animated, TimedFade, DistanceFade, Still };

Kind kindOf(int index)
{
    if (index < ANIMATED) {
        return Kind::Animated;
    }
    if (index < ANIMATED + TIMED_FADES) {
        return Kind::TimedFade;
    }
    if (index < ANIMATED + TIMED_FADES + DISTANCE_FADES) {
        return Kind::DistanceFade;
    }
    return Kind::Still;
}

/// 50 columns by 40 rows, receding from z = -40 to z = -80 so that distance fades fall between
/// their start and finish distances.
Ogre::Vector3 placeOf(int index)
{
    const int column = index % 50;
    const int row = index / 50;
    return Ogre::Vector3(-49.0f + column * 2.0f, -39.0f + row * 2.0f, -40.0f - row);
}

const char* meshOf(Kind kind)
{
    return kind == Kind::Animated ? "TestRig.mesh" : "Prefab_Cube";
}

const float CUBE_SCALE = 0.01f; // Prefab_Cube is 100 units wide
const float RIG_SCALE = 0.3f;

/// Totals over the timed frames of one kind of run.
struct Timing {
    double milliseconds = 0.0;
    unsigned long long allocations = 0;
    int frames = 0;
    /// Milliseconds per frame in each round.
    std::vector<double> rounds;

    double millisecondsPerFrame() const { return milliseconds / frames; }
    double allocationsPerFrame() const { return static_cast<double>(allocations) / frames; }
};

void timeFrames(int count, const std::function<void()>& frame, Timing& timing)
{
    for (int i = 0; i < WARM_UP; ++i) {
        frame();
    }
    const unsigned long long allocationsBefore = tolva::bench::allocationCount();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        frame();
    }
    const auto end = std::chrono::steady_clock::now();
    timing.allocations += tolva::bench::allocationCount() - allocationsBefore;
    const double milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
    timing.milliseconds += milliseconds;
    timing.frames += count;
    timing.rounds.push_back(milliseconds / count);
}

void placeCamera(tolva::Graphics& graphics)
{
    Ogre::Camera* camera = graphics.getCamera();
    camera->setFarClipDistance(200.0f);
    Ogre::SceneNode* node = graphics.getSceneManager()->getRootSceneNode()->createChildSceneNode();
    node->setPosition(0, 0, 20);
    node->attachObject(camera);
}

void engineRun(tolva::Engine& engine, int count, Timing& timing, bool hdr = false)
{
    std::vector<std::unique_ptr<tolva::MeshObject>> meshes;
    std::vector<tolva::MeshObject*> animated;
    for (int i = 0; i < OBJECTS; ++i) {
        const Kind kind = kindOf(i);
        meshes.push_back(std::make_unique<tolva::MeshObject>("mesh" + std::to_string(i), meshOf(kind)));
        tolva::MeshObject& mesh = *meshes.back();
        mesh.setPosition(placeOf(i));
        if (kind == Kind::Animated) {
            mesh.setScale(Ogre::Vector3(RIG_SCALE));
            mesh.selectAnimation("Lift", false);
            animated.push_back(&mesh);
            continue;
        }
        mesh.setScale(Ogre::Vector3(CUBE_SCALE));
        mesh.setMaterialName("test/White");
        if (kind == Kind::TimedFade) {
            mesh.setFadeEnabled(true);
            mesh.fade(FADE_SECONDS * 1000, 1.0f, 0.0f);
        } else if (kind == Kind::DistanceFade) {
            mesh.setFadeEnabled(true);
            mesh.setDistanceFadeEnabled(true);
            mesh.setFadeStartDistance(70.0f);
            mesh.setFadeFinishDistance(90.0f);
        }
    }
    std::vector<std::unique_ptr<tolva::PointLight>> lights;
    for (int i = 0; i < 4; ++i) {
        lights.push_back(std::make_unique<tolva::PointLight>("light" + std::to_string(i)));
        lights.back()->setPosition(Ogre::Vector3(-30.0f + 20.0f * i, 10.0f, -30.0f));
    }
    tolva::ParticleSystem sparks("sparks", "test/Sparks");
    sparks.setPosition(Ogre::Vector3(0, -10, -30));
    // The user of the effect that a scene object would be.
    tolva::Graphics& graphics = *engine.getGraphics();
    if (hdr) {
        graphics.notifyEffectUsed(tolva::HDRCompositorDriver::COMPOSITOR_NAME);
    }

    timeFrames(
        count,
        [&] {
            // What game code does with its animated meshes each frame.
            for (tolva::MeshObject* mesh : animated) {
                mesh->advanceAnimation(STEP, true);
            }
            engine.frame(STEP);
        },
        timing);
    if (hdr) {
        graphics.notifyEffectReleased(tolva::HDRCompositorDriver::COMPOSITOR_NAME);
    }
}

/// One object of the bare scene and what it needs each frame.
struct BareObject {
    Ogre::SceneNode* node;
    Ogre::Entity* entity;
    Ogre::AnimationState* animation = nullptr;
    Ogre::MaterialPtr fadeMaterial;
    Kind kind;
};

Ogre::MaterialPtr bareFadeMaterial(Ogre::Entity* entity)
{
    const std::string name = entity->getName() + "_bare_fade";
    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName(name);
    if (!material) {
        material = Ogre::MaterialManager::getSingleton().getByName("test/White")->clone(name);
    }
    material->load();
    Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
    pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
    pass->setDepthWriteEnabled(false);
    entity->setMaterial(material);
    return material;
}

void bareRun(tolva::Graphics& graphics, int count, Timing& timing)
{
    Ogre::SceneManager* scene = graphics.getSceneManager();
    // Nothing of the engine takes part in this run.
    scene->getRenderQueue()->setRenderableListener(nullptr);
    scene->removeRenderQueueListener(&graphics);
    graphics.getRoot()->removeFrameListener(&graphics);

    std::vector<BareObject> objects;
    for (int i = 0; i < OBJECTS; ++i) {
        BareObject object;
        object.kind = kindOf(i);
        object.node = scene->getRootSceneNode()->createChildSceneNode(placeOf(i));
        object.entity = scene->createEntity("bare" + std::to_string(i), meshOf(object.kind));
        object.node->attachObject(object.entity);
        if (object.kind == Kind::Animated) {
            object.node->setScale(Ogre::Vector3(RIG_SCALE));
            object.entity->getSkeleton()->setBlendMode(Ogre::ANIMBLEND_CUMULATIVE);
            object.animation = object.entity->getAnimationState("Lift");
            object.animation->setEnabled(true);
        } else {
            object.node->setScale(Ogre::Vector3(CUBE_SCALE));
            object.entity->setMaterialName("test/White");
            if (object.kind != Kind::Still) {
                object.fadeMaterial = bareFadeMaterial(object.entity);
            }
        }
        objects.push_back(object);
    }
    std::vector<Ogre::Light*> lights;
    for (int i = 0; i < 4; ++i) {
        Ogre::Light* light = scene->createLight("bareLight" + std::to_string(i));
        lights.push_back(light);
        light->setType(Ogre::Light::LT_POINT);
        light->setDiffuseColour(Ogre::ColourValue::White);
        light->setSpecularColour(Ogre::ColourValue::White);
        scene->getRootSceneNode()
            ->createChildSceneNode(Ogre::Vector3(-30.0f + 20.0f * i, 10.0f, -30.0f))
            ->attachObject(light);
    }
    Ogre::ParticleSystem* sparks = scene->createParticleSystem("bareSparks", "test/Sparks");
    scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, -10, -30))->attachObject(sparks);

    Ogre::Root* root = graphics.getRoot();
    Ogre::Camera* camera = graphics.getCamera();
    float elapsed = 0.0f;
    timeFrames(
        count,
        [&] {
            elapsed += STEP;
            const Ogre::Vector3 eye = camera->getDerivedPosition();
            for (BareObject& object : objects) {
                switch (object.kind) {
                case Kind::Animated:
                    object.animation->addTime(STEP);
                    break;
                case Kind::TimedFade:
                    tolva::setMaterialAlpha(*object.fadeMaterial, 1.0f - elapsed / (FADE_SECONDS * 1000));
                    break;
                case Kind::DistanceFade: {
                    const float distance = eye.distance(object.node->_getDerivedPosition());
                    const float ratio = std::min(1.0f, std::max(0.0f, (distance - 70.0f) / 20.0f));
                    tolva::setMaterialAlpha(*object.fadeMaterial, 1.0f - ratio);
                    break;
                }
                case Kind::Still:
                    break;
                }
            }
            root->renderOneFrame();
        },
        timing);

    for (BareObject& object : objects) {
        scene->destroyEntity(object.entity);
        scene->destroySceneNode(object.node);
    }
    for (Ogre::Light* light : lights) {
        Ogre::SceneNode* node = light->getParentSceneNode();
        scene->destroyLight(light);
        scene->destroySceneNode(node);
    }
    Ogre::SceneNode* sparksNode = sparks->getParentSceneNode();
    scene->destroyParticleSystem(sparks);
    scene->destroySceneNode(sparksNode);
    scene->getRenderQueue()->setRenderableListener(&graphics);
    scene->addRenderQueueListener(&graphics);
    graphics.getRoot()->addFrameListener(&graphics);
}

/// What engine.cfg adds: the build's plug-ins and the test media.
const char* const SETTINGS = "[Plugins Linux]\n"
                             "PluginFolder=" TOLVA_PLUGIN_DIR "\n"
                             "RenderPlugin=RenderSystem_GL.so\n"
                             "ParticlePlugin=Plugin_ParticleFX.so\n"
                             "ArchivePlugin=tolva_archive_lzma.so\n"
                             "[Resources]\n"
                             "FileSystem=" TOLVA_TEST_MEDIA_DIR "\n"
                             "FileSystem=" TOLVA_HDR_MEDIA_DIR "\n"
                             "[OpenGL]\n"
                             "VSync=No\n"
                             "[CompositorEffect-01]\n"
                             "Compositor=compositor/HDR\n"
                             "VisibilityMask=2\n";

} // namespace

int main(int argc, char** argv)
{
    // Software GL rasterises in this thread unless told otherwise: the figures then measure this
    // process's work rather than how the machine's cores are shared with other programs.
    setenv("LP_NUM_THREADS", "0", 0);
    std::optional<tolva::bench::BenchHome> home(std::in_place, SETTINGS);
    tolva::EngineOptions options;
    options.audio = options.input = options.physics = options.time = options.scripting = false;
    options.gui = options.console = options.gravityManager = false;
    options.createGame = [] { return new tolva::GameBase(); };

    Timing engine;
    Timing hdr;
    Timing bare;
    try {
        tolva::Engine engineObject(argc, argv, options);
        engineObject.initialise();
        tolva::Graphics& graphics = *engineObject.getGraphics();
        placeCamera(graphics);
        if (!graphics.isEffectAvailable(tolva::HDRCompositorDriver::COMPOSITOR_NAME)) {
            throw std::runtime_error("the HDR compositor cannot be used here (see engine.log)");
        }
        const int perRound = FRAMES / ROUNDS;
        const std::function<void()> runs[] = {
            [&] { engineRun(engineObject, perRound, engine); },
            [&] { engineRun(engineObject, perRound, hdr, true); },
            [&] { bareRun(graphics, perRound, bare); },
        };
        for (int round = 0; round < ROUNDS; ++round) {
            for (int run = 0; run < 3; ++run) {
                runs[(round + run) % 3]();
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scene_bench: %s\n", e.what());
        return 1;
    }
    home.reset();

    std::printf("scene_bench: %d mesh objects (%d animated, %d timed fades, %d distance fades), 4 lights, "
                "1 particle system, %d frames each in %d rotating rounds\n",
        OBJECTS, ANIMATED, TIMED_FADES, DISTANCE_FADES, FRAMES, ROUNDS);
    std::printf("engine graphics frame: %.3f ms/frame, %.1f allocations/frame\n", engine.millisecondsPerFrame(),
        engine.allocationsPerFrame());
    std::printf("bare OGRE renderOneFrame: %.3f ms/frame, %.1f allocations/frame\n", bare.millisecondsPerFrame(),
        bare.allocationsPerFrame());
    tolva::bench::printRatio("scene frame", engine.rounds, bare.rounds, "ms/frame");
    std::printf("engine graphics frame with HDR: %.3f ms/frame, %.1f allocations/frame\n", hdr.millisecondsPerFrame(),
        hdr.allocationsPerFrame());
    std::printf("HDR cost: %+.3f ms/frame (%+.1f%% of the frame without HDR)\n",
        hdr.millisecondsPerFrame() - engine.millisecondsPerFrame(),
        100.0 * (hdr.millisecondsPerFrame() / engine.millisecondsPerFrame() - 1.0));
    return 0;
}
