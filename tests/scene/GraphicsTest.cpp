// The graphics module on a real window (Xvfb on CI): start-up from "engine.cfg", rendering,
// closing, restarting, and the display settings changed at run time.

#include <gtest/gtest.h>

#include <OgreCamera.h>
#include <OgreFrameListener.h>
#include <OgreManualObject.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreTechnique.h>
#include <OgreMath.h>
#include <OgreRenderSystem.h>
#include <OgreRenderTargetListener.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreViewport.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/PropertyListener.h"
#include "input/Input.h"
#include "scene/Graphics.h"
#include "support/TestHome.h"
#include "WindowManagerDisplay.h"
#include "WindowTestSupport.h"

namespace tolva::test {
namespace {

class GraphicsTest : public ::testing::Test {
protected:
    void start(const std::string& config, bool input = false)
    {
        // One home at a time: a home restores the "HOME" it found when it goes.
        mHome.reset();
        mHome = std::make_unique<TestHome>(config, "");
        char program[] = "test_graphics";
        char* argv[] = {program, nullptr};
        mEngine = std::make_unique<Engine>(1, argv, windowEngineOptions(input));
        keepGraphicsLibrariesLoaded();
        mEngine->initialise();
    }

    void stop()
    {
        if (mEngine) {
            mEngine->shutdown();
            mEngine.reset();
        }
    }

    void TearDown() override
    {
        stop();
        mHome.reset();
        mDisplay.reset();
    }

    /// Moves the test onto a display of its own with a window manager; call before start().
    bool useWindowManager()
    {
        mDisplay = std::make_unique<WindowManagerDisplay>();
        return mDisplay->isReady();
    }

    Graphics& graphics() { return *mEngine->getGraphics(); }

    /// Frames the engine (its input module pumps the window system's messages) until the
    /// condition holds, for at most five seconds.
    template <typename Condition>
    bool pumpUntil(Condition condition)
    {
        for (int attempt = 0; attempt < 250; ++attempt) {
            if (condition()) {
                return true;
            }
            mEngine->frame(0.01f);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return condition();
    }

    std::string stored(const std::string& key) { return mEngine->getConfigFile()->getValueString("OpenGL", key); }

    std::unique_ptr<WindowManagerDisplay> mDisplay;
    std::unique_ptr<TestHome> mHome;
    std::unique_ptr<Engine> mEngine;
};

/// What the X server knows of the window: its title and size.
struct XWindowFacts {
    std::string title;
    unsigned int width = 0;
    unsigned int height = 0;
};

XWindowFacts queryXWindow(std::size_t handle)
{
    XWindowFacts facts;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return facts;
    }
    char* name = nullptr;
    if (XFetchName(display, static_cast<Window>(handle), &name) && name) {
        facts.title = name;
        XFree(name);
    }
    Window root;
    int x, y;
    unsigned int border, depth;
    XGetGeometry(display, static_cast<Window>(handle), &root, &x, &y, &facts.width, &facts.height, &border, &depth);
    XCloseDisplay(display);
    return facts;
}

/// The size of the default screen of the display the tests run on.
Graphics::Resolution displaySize()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return {0, 0};
    }
    const int screen = DefaultScreen(display);
    const Graphics::Resolution size(DisplayWidth(display, screen), DisplayHeight(display, screen));
    XCloseDisplay(display);
    return size;
}

/// A quad in screen space (x from left to right, -1 to 1, over the whole height) in one render
/// queue group, drawn unlit in one colour.
Ogre::ManualObject* addScreenQuad(Ogre::SceneManager* scene, const std::string& name, float left, float right,
    const Ogre::ColourValue& colour, Ogre::uint8 group)
{
    Ogre::MaterialPtr material
        = Ogre::MaterialManager::getSingleton().create(name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
    pass->setLightingEnabled(false);
    pass->setDepthCheckEnabled(false);
    pass->setCullingMode(Ogre::CULL_NONE);
    pass->setVertexColourTracking(Ogre::TVC_DIFFUSE);

    Ogre::ManualObject* quad = scene->createManualObject(name);
    quad->setUseIdentityProjection(true);
    quad->setUseIdentityView(true);
    quad->begin(name, Ogre::RenderOperation::OT_TRIANGLE_STRIP);
    for (const auto& corner : {std::make_pair(left, -1.0f), std::make_pair(right, -1.0f), std::make_pair(left, 1.0f),
             std::make_pair(right, 1.0f)}) {
        quad->position(corner.first, corner.second, 0.0f);
        quad->colour(colour);
    }
    quad->end();
    quad->setBoundingBox(Ogre::AxisAlignedBox::BOX_INFINITE);
    quad->setRenderQueueGroup(group);
    scene->getRootSceneNode()->attachObject(quad);
    return quad;
}

/// Counts what is really drawn into the window, however the drawing was started.
class RenderCounter : public Ogre::RenderTargetListener {
public:
    void postRenderTargetUpdate(const Ogre::RenderTargetEvent&) override { ++mRenders; }
    int mRenders = 0;
};

class PropertyCounter : public PropertyListener {
public:
    void propertyChanged(const std::string& name) override { mNames.push_back(name); }
    std::vector<std::string> mNames;
};

TEST_F(GraphicsTest, StartsWithDefaultsWhenDisplayAndWorldSectionsAreMissing)
{
    start(windowEngineConfig());

    Ogre::RenderWindow* window = graphics().getWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->getWidth(), 800u);
    EXPECT_EQ(window->getHeight(), 600u);
    EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(800, 600));
    const XWindowFacts facts = queryXWindow(graphics().getWindowHandle());
    EXPECT_EQ(facts.title, "Spindlewake");
    EXPECT_EQ(facts.width, 800u);
    EXPECT_EQ(facts.height, 600u);
    EXPECT_FALSE(graphics().isFullScreen());
    EXPECT_EQ(graphics().getFSAA(), 0u);
    EXPECT_FALSE(graphics().isVSyncEnabled());

    EXPECT_EQ(graphics().getSceneManager()->getName(), "SceneManager");
    Ogre::Camera* camera = graphics().getCamera();
    EXPECT_EQ(camera->getName(), "Camera");
    EXPECT_FLOAT_EQ(camera->getNearClipDistance(), 0.6035534f);
    EXPECT_FLOAT_EQ(camera->getFarClipDistance(), 600.0f);
    EXPECT_NEAR(camera->getFOVy().valueDegrees(), 45.0f, 1e-4f);
    EXPECT_FLOAT_EQ(camera->getAspectRatio(), 1.33333f);
    EXPECT_EQ(graphics().getViewport()->getBackgroundColour(), Ogre::ColourValue(0, 1, 1, 1));
    EXPECT_EQ(graphics().getSceneManager()->getAmbientLight(), Ogre::ColourValue(0.2f, 0.2f, 0.2f, 1));
    EXPECT_EQ(graphics().getViewport()->getActualWidth(), 800);

    mEngine->frame(0.01f);
    const std::array<int, 3> centre = readPixel(window, 400, 300);
    EXPECT_EQ(centre, (std::array<int, 3>{0, 255, 255}));
}

TEST_F(GraphicsTest, AppliesTheViewLightingAndVideoModeSettings)
{
    start(windowEngineConfig("[OpenGL]\n"
                             "Video Mode=640 x  480\n"
                             "VSync=Yes\n"
                             "[View]\n"
                             "NearZ=1.5\nFarZ=900\nFOVy=60\nAspect=1.5\n"
                             "[Lighting]\n"
                             "ClearColour=1 0 0\n"
                             "AmbientColour=0.5 0.25 0 1\n"));

    EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(640, 480));
    EXPECT_EQ(graphics().getWindow()->getWidth(), 640u);
    // The render system's own "Yes" counts as switched on.
    EXPECT_TRUE(graphics().isVSyncEnabled());
    Ogre::Camera* camera = graphics().getCamera();
    EXPECT_FLOAT_EQ(camera->getNearClipDistance(), 1.5f);
    EXPECT_FLOAT_EQ(camera->getFarClipDistance(), 900.0f);
    EXPECT_NEAR(camera->getFOVy().valueDegrees(), 60.0f, 1e-4f);
    EXPECT_FLOAT_EQ(camera->getAspectRatio(), 1.5f);
    EXPECT_EQ(graphics().getSceneManager()->getAmbientLight(), Ogre::ColourValue(0.5f, 0.25f, 0, 1));

    mEngine->frame(0.01f);
    EXPECT_EQ(readPixel(graphics().getWindow(), 10, 10), (std::array<int, 3>{255, 0, 0}));
}

TEST_F(GraphicsTest, OptionValuesTheRenderSystemDoesNotOfferFallBackToDefaultsAndAreKept)
{
    const std::string userSettings = "[OpenGL]\n"
                                     "FSAA=3\n"
                                     "Full Screen=Maybe\n"
                                     "Video Mode=wide\n";
    start(windowEngineConfig(userSettings));

    EXPECT_EQ(graphics().getFSAA(), 0u);
    EXPECT_FALSE(graphics().isFullScreen());
    EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(800, 600));
    const std::string log = mHome->readEngineLog();
    EXPECT_NE(
        log.find("Warning: The render system does not offer '3' for option 'FSAA'; using '0'."), std::string::npos)
        << log;
    EXPECT_NE(
        log.find("Warning: The render system does not offer 'Maybe' for option 'Full Screen'"), std::string::npos);
    EXPECT_NE(log.find("Warning: The video mode 'wide' is not of the form"), std::string::npos);

    // Nothing the user wrote is lost when the configuration is written back.
    mEngine->writeConfiguration();
    const std::string written = mHome->readEngineConfig();
    EXPECT_NE(written.find("FSAA=3"), std::string::npos) << written;
    EXPECT_NE(written.find("Full Screen=Maybe"), std::string::npos);
    EXPECT_NE(written.find("Video Mode=wide"), std::string::npos);
}

TEST_F(GraphicsTest, EachFrameRendersOnceAndShutdownLogsTheAverageFrameRate)
{
    start(windowEngineConfig());
    RenderCounter counter;
    graphics().getWindow()->addListener(&counter);
    for (int i = 0; i < 3; ++i) {
        mEngine->frame(0.01f);
    }
    EXPECT_EQ(counter.mRenders, 3);
    graphics().getWindow()->removeListener(&counter);

    stop();
    const std::string log = mHome->readEngineLog();
    EXPECT_NE(log.find("Average FPS: "), std::string::npos) << log;
}

TEST_F(GraphicsTest, ClosingTheWindowStopsTheEngineWithoutRestart)
{
    ASSERT_TRUE(useWindowManager());
    start(windowEngineConfig(), true);
    ASSERT_NE(mEngine->getInput(), nullptr);
    // A restart asked for before the close must not survive it.
    mEngine->stop(true);
    // The window manager closes the window as its close button does, once it manages it.
    EXPECT_TRUE(pumpUntil([this] { return mDisplay->wmctrl({"-c", "Spindlewake"}); }));

    EXPECT_FALSE(mEngine->run());
    EXPECT_TRUE(graphics().getWindow()->isClosed());
}

TEST_F(GraphicsTest, ASecondGraphicsModuleStartsInTheSameProcess)
{
    start(windowEngineConfig("[Lighting]\nClearColour=0 0 1\n"));
    mEngine->frame(0.01f);
    stop();

    start(windowEngineConfig("[Lighting]\nClearColour=0 1 0\n"));
    mEngine->frame(0.01f);
    EXPECT_EQ(readPixel(graphics().getWindow(), 400, 300), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(GraphicsTest, ResolutionChangesAreStoredAndPublishedOnlyWhenTheSizeChanges)
{
    start(windowEngineConfig());
    PropertyCounter counter;
    graphics().addPropertyListener(&counter);

    graphics().setResolution(1024, 768, false);
    EXPECT_TRUE(counter.mNames.empty());
    EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(800, 600));
    EXPECT_EQ(stored("Video Mode"), "1024 x  768");

    graphics().setResolution(800, 600, true);
    EXPECT_TRUE(counter.mNames.empty());
    EXPECT_EQ(stored("Video Mode"), " 800 x  600");

    graphics().setResolution(640, 480, true);
    EXPECT_EQ(counter.mNames, std::vector<std::string>{"resolution"});
    EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(640, 480));
    EXPECT_EQ(graphics().getWindow()->getWidth(), 640u);
    EXPECT_EQ(graphics().getViewport()->getActualHeight(), 480);
    mEngine->frame(0.01f);
    const XWindowFacts facts = queryXWindow(graphics().getWindowHandle());
    EXPECT_EQ(facts.width, 640u);
    EXPECT_EQ(facts.height, 480u);

    // A size of zero changes nothing, stored value included.
    graphics().setResolution(0, 480, true);
    EXPECT_EQ(counter.mNames.size(), 1u);
    EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(640, 480));
    EXPECT_EQ(stored("Video Mode"), " 640 x  480");
    EXPECT_NE(mHome->readEngineLog().find("Warning: Attempt to set a resolution of zero size"), std::string::npos);

    graphics().removePropertyListener(&counter);
    mEngine->writeConfiguration();
    EXPECT_NE(mHome->readEngineConfig().find("Video Mode= 640 x  480"), std::string::npos) << mHome->readEngineConfig();
}

TEST_F(GraphicsTest, FullScreenAntiAliasingAndVSyncStoreWhatTheRenderSystemReports)
{
    start(windowEngineConfig());
    const Ogre::ConfigOptionMap& options = graphics().getRoot()->getRenderSystem()->getConfigOptions();

    EXPECT_EQ(graphics().getAvailableResolutions(),
        std::vector<std::string>(
            options.at("Video Mode").possibleValues.begin(), options.at("Video Mode").possibleValues.end()));

    // Without a window manager (bare Xvfb) the window cannot go full screen: the stored text is
    // what the window reports, not what was asked for.
    graphics().setFullScreen(true);
    EXPECT_EQ(stored("Full Screen"), graphics().isFullScreen() ? "Yes" : "No");

    std::vector<unsigned int> offered;
    for (const std::string& value : options.at("FSAA").possibleValues) {
        if (value.find_first_not_of("0123456789") == std::string::npos) {
            offered.push_back(static_cast<unsigned int>(std::stoul(value)));
        }
    }
    EXPECT_EQ(graphics().getAvailableFSAA(), offered);
    ASSERT_FALSE(offered.empty());
    const unsigned int highest = offered.back();
    // Only stored: a window is never made with it here.
    graphics().setFSAA(highest);
    EXPECT_EQ(graphics().getFSAA(), highest);
    EXPECT_EQ(stored("FSAA"), std::to_string(highest));
    graphics().setFSAA(highest + 1);
    EXPECT_EQ(graphics().getFSAA(), highest);
    EXPECT_EQ(stored("FSAA"), std::to_string(highest));
    EXPECT_NE(
        mHome->readEngineLog().find("Warning: Anti-aliasing level " + std::to_string(highest + 1) + " is not offered"),
        std::string::npos);

    graphics().setVSyncEnable(true);
    EXPECT_TRUE(graphics().isVSyncEnabled());
    EXPECT_EQ(options.at("VSync").currentValue, "Yes");
    EXPECT_EQ(stored("VSync"), "true");
    graphics().setVSyncEnable(false);
    EXPECT_FALSE(graphics().isVSyncEnabled());
    EXPECT_EQ(stored("VSync"), "false");

    mEngine->writeConfiguration();
    const std::string written = mHome->readEngineConfig();
    EXPECT_NE(written.find("FSAA=" + std::to_string(highest)), std::string::npos) << written;
    EXPECT_NE(written.find("VSync=false"), std::string::npos);
}

TEST_F(GraphicsTest, StencilledMeshesShowOnlyWhereAStencilWriterDrewInTheSameFrame)
{
    start(windowEngineConfig());
    Ogre::SceneManager* scene = graphics().getSceneManager();
    // The writer covers the left half; the stencilled quad covers everything but shows only there.
    addScreenQuad(scene, "test/StencilWriter", -1.0f, 0.0f, Ogre::ColourValue::Red, 10);
    addScreenQuad(scene, "test/Stencilled", -1.0f, 1.0f, Ogre::ColourValue::Green, 30);
    // A normal group in between must not touch the stencil state.
    addScreenQuad(scene, "test/Normal", 0.9f, 1.0f, Ogre::ColourValue::Blue, 50);

    mEngine->frame(0.01f);
    EXPECT_EQ(readPixel(graphics().getWindow(), 200, 300), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(readPixel(graphics().getWindow(), 600, 300), (std::array<int, 3>{0, 255, 255}));
    EXPECT_EQ(readPixel(graphics().getWindow(), 790, 300), (std::array<int, 3>{0, 0, 255}));
}

TEST_F(GraphicsTest, FogSwitchedOffAndOnComesBackWhiteAndShadowsFollowTheirSwitch)
{
    // The shadow volume programs are among the resources, as in the shipped configuration.
    start(windowEngineConfig("FileSystem=/usr/share/OGRE/Media/ShadowVolume\n"));
    graphics().setFogMode(Ogre::FOG_EXP);
    graphics().setFogMode(Ogre::FOG_NONE);
    EXPECT_EQ(graphics().getFogMode(), Ogre::FOG_EXP);
    EXPECT_FALSE(graphics().isFogEnabled());

    // A parameter set while fog is off is kept for later.
    graphics().setFogColour(Ogre::ColourValue(1, 0, 0, 1));
    EXPECT_FALSE(graphics().isFogEnabled());
    graphics().setFogEnabled(true);
    EXPECT_TRUE(graphics().isFogEnabled());
    EXPECT_EQ(graphics().getSceneManager()->getFogMode(), Ogre::FOG_EXP);
    EXPECT_EQ(graphics().getFogColour(), Ogre::ColourValue(1, 0, 0, 1));

    graphics().setFogEnabled(false);
    graphics().setFogEnabled(true);
    EXPECT_EQ(graphics().getFogColour(), Ogre::ColourValue::White);
    EXPECT_FLOAT_EQ(graphics().getFogExponentialDensity(), 0.001f);
    EXPECT_FLOAT_EQ(graphics().getFogLinearStart(), 0.0f);
    EXPECT_FLOAT_EQ(graphics().getFogLinearEnd(), 1.0f);

    graphics().setShadowsEnable(true);
    EXPECT_TRUE(graphics().getShadowsEnable());
    EXPECT_EQ(graphics().getSceneManager()->getShadowTechnique(), Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
    graphics().setShadowsEnable(false);
    EXPECT_FALSE(graphics().getShadowsEnable());
}

TEST_F(GraphicsTest, SizesBeyondTheDisplayAreRefusedAtStartAndAtRunTime)
{
    // Each would end the program in the window system or its first frame, or make a window of
    // another size.
    const char* const tooLarge[] = {"65535x65535", "4294967295x4294967295", "65536x600", "70000x600"};
    for (const char* mode : tooLarge) {
        start(windowEngineConfig(std::string("[OpenGL]\nVideo Mode=") + mode + "\n"));
        mEngine->frame(0.01f);
        EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(800, 600)) << mode;
        EXPECT_EQ(queryXWindow(graphics().getWindowHandle()).width, 800u) << mode;
        EXPECT_NE(mHome->readEngineLog().find(std::string("Warning: The video mode '") + mode + "' is larger than"),
            std::string::npos)
            << mode;
        stop();
    }

    start(windowEngineConfig("[OpenGL]\nVideo Mode=640x480\n"));
    PropertyCounter counter;
    graphics().addPropertyListener(&counter);
    const Graphics::Resolution display = displaySize();
    ASSERT_GT(display.first, 640u);
    const Graphics::Resolution refused[] = {{65535, 65535}, {4294967295u, 4294967295u}, {65536, 600}, {70000, 600},
        {display.first + 1, display.second}, {display.first, display.second + 1}};
    for (const Graphics::Resolution& size : refused) {
        for (const bool now : {true, false}) {
            graphics().setResolution(size.first, size.second, now);
            EXPECT_EQ(graphics().getResolution(), Graphics::Resolution(640, 480)) << size.first << "x" << size.second;
            EXPECT_EQ(stored("Video Mode"), "640x480") << size.first << "x" << size.second;
        }
    }
    EXPECT_TRUE(counter.mNames.empty());
    EXPECT_NE(mHome->readEngineLog().find("Warning: Attempt to set a resolution of 70000 x 600, larger than"),
        std::string::npos);
    // The largest size the display shows is still allowed.
    graphics().setResolution(display.first, display.second, true);
    mEngine->frame(0.01f);
    EXPECT_EQ(queryXWindow(graphics().getWindowHandle()).width, display.first);
    graphics().removePropertyListener(&counter);
}

TEST_F(GraphicsTest, FullScreenUnderAWindowManagerHandsTheScreenSizeToResolutionListenersAndTheMouse)
{
    ASSERT_TRUE(useWindowManager());
    start(windowEngineConfig(), true);
    PropertyCounter counter;
    graphics().addPropertyListener(&counter);
    const OIS::MouseState& mouse = mEngine->getInput()->getMouse()->getMouseState();

    const struct {
        bool fullScreen;
        Graphics::Resolution size;
        const char* stored;
    } steps[] = {{true, {1024, 768}, "Yes"}, {false, {800, 600}, "No"}};
    for (const auto& step : steps) {
        counter.mNames.clear();
        graphics().setFullScreen(step.fullScreen);
        EXPECT_TRUE(pumpUntil([&] { return graphics().getResolution() == step.size; })) << step.stored;
        EXPECT_EQ(graphics().isFullScreen(), step.fullScreen);
        EXPECT_EQ(stored("Full Screen"), step.stored);
        EXPECT_FALSE(counter.mNames.empty());
        EXPECT_EQ(counter.mNames, std::vector<std::string>(counter.mNames.size(), "resolution"));
        // The pointer reaches every edge of the window.
        EXPECT_EQ(mouse.width, static_cast<int>(step.size.first));
        EXPECT_EQ(mouse.height, static_cast<int>(step.size.second));
    }
    graphics().removePropertyListener(&counter);
}

} // namespace
} // namespace tolva::test
