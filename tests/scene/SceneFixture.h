// An engine with the graphics module on a real window, a game module that frames the scene
// objects, the project's test media (meshes, materials, particles, compositors) and the effect
// "test/Highlight" (mask 2) configured; the log's warnings are recorded.
#pragma once

#include <gtest/gtest.h>

#include <OgreCamera.h>
#include <OgreCompositorChain.h>
#include <OgreCompositorInstance.h>
#include <OgreCompositorManager.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreSceneManager.h>
#include <OgreTechnique.h>

#include <array>
#include <memory>
#include <string>

#include "core/Engine.h"
#include "scene/Graphics.h"
#include "support/LogCapture.h"
#include "support/TestGame.h"
#include "support/TestHome.h"
#include "WindowTestSupport.h"

namespace tolva::test {

typedef std::array<int, 3> Rgb;

class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override { start(); }

    void start(const std::string& effectSection = "[CompositorEffect-01]\n"
                                                  "Compositor=test/Highlight\n"
                                                  "VisibilityMask=2\n")
    {
        mHome = std::make_unique<TestHome>(
            windowEngineConfig("FileSystem=" TOLVA_TEST_MEDIA_DIR "\n" + effectSection), "");
        EngineOptions options = windowEngineOptions();
        options.physics = mWithPhysics;
        options.createGame = [] { return static_cast<GameBase*>(new TestGame(0)); };
        char program[] = "test_sceneobjects";
        char* argv[] = {program, nullptr};
        mEngine = std::make_unique<Engine>(1, argv, options);
        keepGraphicsLibrariesLoaded();
        mLog = std::make_unique<LogCapture>();
        mEngine->initialise();
    }

    void TearDown() override
    {
        if (mEngine && graphics().getRootNodeObject()) {
            mEngine->shutdown();
        }
        mLog.reset();
        mEngine.reset();
        mHome.reset();
    }

    Graphics& graphics() { return *mEngine->getGraphics(); }
    Ogre::SceneManager* scene() { return graphics().getSceneManager(); }

    /// Game objects first, then the rendered frame.
    void frame(float seconds = 0.01f) { mEngine->frame(seconds); }
    Rgb pixel(unsigned int x, unsigned int y) { return readPixel(graphics().getWindow(), x, y); }
    Rgb centre() { return pixel(400, 300); }

    bool compositorOn(const std::string& name)
    {
        Ogre::CompositorChain* chain
            = Ogre::CompositorManager::getSingleton().getCompositorChain(graphics().getViewport());
        Ogre::CompositorInstance* instance = chain->getCompositor(name);
        return instance && instance->getEnabled();
    }

    /// Diffuse alpha of the first pass of the material's first technique.
    static float alphaOf(const Ogre::MaterialPtr& material)
    {
        return material->getTechnique(0)->getPass(0)->getDiffuse().a;
    }

    std::unique_ptr<TestHome> mHome;
    std::unique_ptr<Engine> mEngine;
    std::unique_ptr<LogCapture> mLog;
    /// Set before SetUp for tests that hang physical objects on meshes.
    bool mWithPhysics = false;
};

/// Colours within a few steps of each other (filtering and blending round differently).
inline ::testing::AssertionResult near(const Rgb& actual, const Rgb& expected, int tolerance = 3)
{
    for (int i = 0; i < 3; ++i) {
        if (std::abs(actual[i] - expected[i]) > tolerance) {
            return ::testing::AssertionFailure()
                << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ") is not near (" << expected[0]
                << ", " << expected[1] << ", " << expected[2] << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

const Rgb BACKGROUND = {0, 255, 255};
const Rgb MAGENTA = {255, 0, 255};

} // namespace tolva::test
