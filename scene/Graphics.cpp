#include "scene/Graphics.h"

#include <Bites/OgreWindowEventUtilities.h>
#include <OgreArchiveManager.h>
#include <OgreBillboardSet.h>
#include <OgreCamera.h>
#include <OgreCompositorManager.h>
#include <OgreGpuProgramManager.h>
#include <OgreLight.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneManagerEnumerator.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>
#include <OgreViewport.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <stdexcept>

#include <boost/any.hpp>

#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/ToString.h"
#include "core/LogLine.h"
#include "game/GameFactory.h"
#include "scene/MaterialAlpha.h"
#include "scene/MeshObject.h"
#include "scene/NodeObject.h"
#include "scene/RenderPathManager.h"
#include "scene/SceneNames.h"

namespace tolva {

namespace {

const char* const PLUGIN_SECTION = "Plugins Linux";
const char* const OPENGL_SECTION = "OpenGL";
const char* const RENDER_SYSTEM_NAME = "OpenGL Rendering Subsystem";
/// The archive type of the archive plug-in; its archives must go before the plug-in does.
const char* const PLUGIN_ARCHIVE_TYPE = "LZMA";
const char* const EFFECT_SECTION = "CompositorEffect-01";

const Graphics::Resolution DEFAULT_RESOLUTION(800, 600);

/// Render queue groups that the mesh render types use for stencil writers and stencilled meshes.
const Ogre::uint8 STENCIL_WRITER_GROUP = 10;
const Ogre::uint8 STENCILLED_GROUP = 30;

/// Digits only: "4" is a level, "8 [Quincunx]" or "-1" is not.
bool isUnsignedText(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string readString(
    const ConfigFile& config, const std::string& section, const std::string& key, const std::string& defaultValue)
{
    return boost::any_cast<std::string>(
        config.getValueDefault(section, ConfigFile::PT_STRING, key, std::string(defaultValue)));
}

float readReal(const ConfigFile& config, const std::string& section, const std::string& key, float defaultValue)
{
    return boost::any_cast<float>(config.getValueDefault(section, ConfigFile::PT_REAL, key, defaultValue));
}

Ogre::ColourValue readColour(
    const ConfigFile& config, const std::string& section, const std::string& key, const Ogre::ColourValue& defaultValue)
{
    return boost::any_cast<Ogre::ColourValue>(
        config.getValueDefault(section, ConfigFile::PT_COLOUR, key, defaultValue));
}

/// A stencil test against the reference value 1, with the given comparison and pass operation.
Ogre::StencilState stencilOne(Ogre::CompareFunction compareOp, Ogre::StencilOperation passOp)
{
    Ogre::StencilState state;
    state.enabled = true;
    state.compareOp = compareOp;
    state.referenceValue = 1;
    state.compareMask = 0xFFFFFFFF;
    state.writeMask = 0xFFFFFFFF;
    state.stencilFailOp = Ogre::SOP_KEEP;
    state.depthFailOp = Ogre::SOP_KEEP;
    state.depthStencilPassOp = passOp;
    state.twoSidedOperation = false;
    return state;
}

} // namespace

/// Follows size changes of the window that arrive with the window system's messages (a window
/// manager makes a window full screen, or the user resizes it, some time after it was asked).
class Graphics::WindowWatcher : public OgreBites::WindowEventListener {
public:
    explicit WindowWatcher(Graphics& graphics)
        : mGraphics(graphics)
    {
    }
    void windowResized(Ogre::RenderWindow*) override { mGraphics.readResolutionFromWindow(); }

private:
    Graphics& mGraphics;
};

Graphics::Graphics()
    : mBaseVisibilityMask(1)
    , mRoot(nullptr)
    , mWindow(nullptr)
    , mSceneManager(nullptr)
    , mCamera(nullptr)
    , mViewport(nullptr)
    , mRenderSystem(nullptr)
    , mWidth(DEFAULT_RESOLUTION.first)
    , mHeight(DEFAULT_RESOLUTION.second)
    , mCompositorManager(nullptr)
    , mCameraPosition(Ogre::Vector3::ZERO)
    , mFogMode(Ogre::FOG_LINEAR)
    , mListening(false)
{
    // Empty file names: the rendering engine reads no file of its own and writes into the log
    // the engine installed before.
    mRoot = new Ogre::Root("", "", "");
    try {
        if (!loadPlugins()) {
            throw std::runtime_error("Failed to load engine plugins.");
        }
        if (!configureRenderSystem()) {
            throw std::runtime_error("Failed to set or configure OpenGL rendering system.");
        }
        if (!Engine::getInstance()->initialiseResourcePaths()) {
            throw std::runtime_error("Failed to load resource configurations.");
        }
        mRoot->addFrameListener(this);
        mListening = true;

        try {
            mWindow = mRoot->initialise(true, GameFactory::getGameName(), "");
        } catch (const Ogre::Exception& e) {
            // This rendering engine throws where the window could not be made instead of
            // returning none; the cause goes to the log, the message stays the module's own.
            logLine("Error: " + e.getDescription());
            mWindow = nullptr;
        }
        if (!mWindow) {
            throw std::runtime_error("Failed to initialise render window.");
        }
        // Closing the window is seen only for windows the message pump knows.
        OgreBites::WindowEventUtilities::_addRenderWindow(mWindow);
        mWindowWatcher = std::make_unique<WindowWatcher>(*this);
        OgreBites::WindowEventUtilities::addWindowEventListener(mWindow, mWindowWatcher.get());
        // The render system may give the window another size than asked for (full screen at a
        // mode the display lacks); the module reports the size the window really has.
        mWidth = mWindow->getWidth();
        mHeight = mWindow->getHeight();

        mSceneManager = mRoot->createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME, "SceneManager");
        mSceneManager->addRenderQueueListener(this);
        mSceneManager->getRenderQueue()->setRenderableListener(this);

        // A new camera sits at the origin looking down -Z already.
        mCamera = mSceneManager->createCamera("Camera");
        mViewport = mWindow->addViewport(mCamera, 0, 0.0f, 0.0f, 1.0f, 1.0f);

        if (!loadWorldSettings()) {
            throw std::runtime_error("Failed to load world configurations.");
        }
        mCompositorManager = Ogre::CompositorManager::getSingletonPtr();
        mRenderPathManager = std::make_unique<RenderPathManager>();
    } catch (...) {
        // Leave no root behind: it is a process-wide singleton, and a restart or a later
        // attempt must be able to build a new one.
        destroyRoot();
        throw;
    }
}

Graphics::~Graphics()
{
    destroyRootNodeObject();
    // Its drivers listen to compositor instances that go with the root.
    mRenderPathManager.reset();
    mCompositorEffects.clear();
    destroyRoot();
}

void Graphics::destroyRoot()
{
    if (!mRoot) {
        return;
    }
    if (mSceneManager) {
        mSceneManager->getRenderQueue()->setRenderableListener(nullptr);
        mSceneManager->removeRenderQueueListener(this);
    }
    if (mListening) {
        mRoot->removeFrameListener(this);
        mListening = false;
    }
    if (mWindow) {
        if (mWindowWatcher) {
            OgreBites::WindowEventUtilities::removeWindowEventListener(mWindow, mWindowWatcher.get());
        }
        OgreBites::WindowEventUtilities::_removeRenderWindow(mWindow);
    }
    mWindowWatcher.reset();
    releasePluginArchives();
    delete mRoot;
    mRoot = nullptr;
    mWindow = nullptr;
    mSceneManager = nullptr;
    mCamera = nullptr;
    mViewport = nullptr;
    mRenderSystem = nullptr;
    mCompositorManager = nullptr;
}

void Graphics::releasePluginArchives()
{
    // The root unloads plug-ins before it closes archives; an archive of a plug-in's type
    // closed after that would call into unloaded code.
    Ogre::ResourceGroupManager* groups = Ogre::ResourceGroupManager::getSingletonPtr();
    Ogre::ArchiveManager* archives = Ogre::ArchiveManager::getSingletonPtr();
    if (!groups || !archives) {
        return;
    }
    for (const std::string& group : groups->getResourceGroups()) {
        std::vector<std::string> names;
        for (const auto& location : groups->getResourceLocationList(group)) {
            if (location.archive && location.archive->getType() == PLUGIN_ARCHIVE_TYPE) {
                names.push_back(location.archive->getName());
            }
        }
        for (const std::string& name : names) {
            groups->removeResourceLocation(name, group);
        }
    }
    std::vector<Ogre::Archive*> open;
    Ogre::ArchiveManager::ArchiveMapIterator it = archives->getArchiveIterator();
    while (it.hasMoreElements()) {
        Ogre::Archive* archive = it.getNext();
        if (archive->getType() == PLUGIN_ARCHIVE_TYPE) {
            open.push_back(archive);
        }
    }
    for (Ogre::Archive* archive : open) {
        archives->unload(archive);
    }
}

ConfigFile& Graphics::getConfigFile()
{
    return *Engine::getInstance()->getConfigFile();
}

bool Graphics::loadPlugins()
{
    // The codec plug-in comes after the three named ones: this rendering engine decodes no
    // common image format by itself.
    return loadPlugin("RenderPlugin") && loadPlugin("ParticlePlugin") && loadPlugin("ArchivePlugin")
        && loadPlugin("CodecPlugin", "Codec_STBI.so");
}

bool Graphics::loadPlugin(const std::string& key, const std::string& defaultFile)
{
    std::string path;
    try {
        const ConfigFile& config = getConfigFile();
        const std::string folder
            = boost::any_cast<std::string>(config.getValue(PLUGIN_SECTION, ConfigFile::PT_STRING, "PluginFolder"));
        const std::string file = defaultFile.empty()
            ? boost::any_cast<std::string>(config.getValue(PLUGIN_SECTION, ConfigFile::PT_STRING, key))
            : readString(config, PLUGIN_SECTION, key, defaultFile);
        path = folder + "/" + file;
        mRoot->loadPlugin(path);
        return true;
    } catch (const Ogre::Exception& e) {
        // Without a display the render plug-in already fails here; say why.
        logLine("Error: Could not load plugin '" + path + "': " + e.getDescription());
    } catch (const std::exception&) {
        logLine(
            "Error: The section '" + std::string(PLUGIN_SECTION) + "' names no '" + key + "' or no 'PluginFolder'.");
    }
    return false;
}

bool Graphics::configureRenderSystem()
{
    try {
        mRenderSystem = mRoot->getRenderSystemByName(RENDER_SYSTEM_NAME);
        if (!mRenderSystem) {
            return false;
        }
        mRoot->setRenderSystem(mRenderSystem);
        const ConfigFile& config = getConfigFile();

        struct Option {
            const char* key;
            const char* defaultValue;
        };
        const Option before[] = {{"Display Frequency", "60 MHz"}, {"FSAA", "0"}, {"Full Screen", "No"},
            {"RTT Preferred Mode", "FBO"}, {"VSync", "No"}};
        for (const Option& option : before) {
            setRenderSystemOption(
                option.key, readString(config, OPENGL_SECTION, option.key, option.defaultValue), option.defaultValue);
        }

        Resolution mode = DEFAULT_RESOLUTION;
        try {
            mode
                = boost::any_cast<Resolution>(config.getValue(OPENGL_SECTION, ConfigFile::PT_RESOLUTION, "Video Mode"));
            if (mode.first == 0 || mode.second == 0) {
                logWarning("Warning: The video mode '" + config.getValueString(OPENGL_SECTION, "Video Mode")
                    + "' has no size; using 800 x 600.");
                mode = DEFAULT_RESOLUTION;
            }
        } catch (const ParserException&) {
            logWarning("Warning: The video mode '" + config.getValueString(OPENGL_SECTION, "Video Mode")
                + "' is not of the form <width>x<height>; using 800 x 600.");
            mode = DEFAULT_RESOLUTION;
        } catch (const InvalidArgumentException&) {
            // Not given: the default applies.
        }
        // Larger sizes end the program in the window system or the first frame, or come out as
        // a window of another size (the window system keeps 16 bits of each side).
        if (!fitsDisplay(mode)) {
            const Resolution limit = getDisplayLimit();
            logWarning("Warning: The video mode '" + config.getValueString(OPENGL_SECTION, "Video Mode")
                + "' is larger than the display can show (" + ToString(limit.first) + " x " + ToString(limit.second)
                + "); using 800 x 600.");
            mode = DEFAULT_RESOLUTION;
        }
        mWidth = mode.first;
        mHeight = mode.second;
        ConfigFile::ResolutionParser resolutionText;
        mRenderSystem->setConfigOption("Video Mode", resolutionText.valueToString(mode));

        setRenderSystemOption(
            "sRGB Gamma Conversion", readString(config, OPENGL_SECTION, "sRGB Gamma Conversion", "No"), "No");
        mRenderSystem->validateConfigOptions();
        return true;
    } catch (const std::exception& e) {
        logLine(std::string("Error: ") + e.what());
        mRenderSystem = nullptr;
        return false;
    }
}

void Graphics::setRenderSystemOption(const std::string& name, const std::string& value, const std::string& defaultValue)
{
    // The render system stores any text without a check, and an unsupported value shows up only
    // when the window is made (or not made). Values the render system does not list are refused
    // here, except where the list cannot be complete: the display frequency matters only in full
    // screen and is often not reported at all.
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find(name);
    std::string text = value;
    if (option != options.end() && name != "Display Frequency") {
        const Ogre::StringVector& possible = option->second.possibleValues;
        const bool listed = std::find(possible.begin(), possible.end(), value) != possible.end();
        const bool yesNo = std::find(possible.begin(), possible.end(), "Yes") != possible.end()
            && std::find(possible.begin(), possible.end(), "No") != possible.end();
        if (!listed && yesNo) {
            // A switch may be written in any of the configuration's boolean forms ("true" is
            // what the run-time setters store).
            try {
                ConfigFile::BoolParser parser;
                text = boost::any_cast<bool>(parser.stringToValue(value)) ? "Yes" : "No";
            } catch (const std::exception&) {
                text.clear();
            }
        } else if (!listed && !possible.empty()) {
            text.clear();
        }
        if (text.empty()) {
            logWarning("Warning: The render system does not offer '" + value + "' for option '" + name + "'; using '"
                + defaultValue + "'.");
            text = defaultValue;
        }
    }
    mRenderSystem->setConfigOption(name, text);
}

bool Graphics::loadWorldSettings()
{
    try {
        const ConfigFile& config = getConfigFile();
        mCamera->setNearClipDistance(readReal(config, "View", "NearZ", 0.6035534f));
        mCamera->setFarClipDistance(readReal(config, "View", "FarZ", 600.0f));
        mCamera->setFOVy(Ogre::Radian(readReal(config, "View", "FOVy", 45.0f) * Ogre::Math::fDeg2Rad));
        mCamera->setAspectRatio(readReal(config, "View", "Aspect", 1.33333f));
        mViewport->setBackgroundColour(readColour(config, "Lighting", "ClearColour", Ogre::ColourValue(0, 1, 1, 1)));
        mSceneManager->setAmbientLight(
            readColour(config, "Lighting", "AmbientColour", Ogre::ColourValue(0.2f, 0.2f, 0.2f, 1)));
        return true;
    } catch (const std::exception& e) {
        logLine(std::string("Error: ") + e.what());
        return false;
    }
}

void Graphics::initialise()
{
    // Effects first: a render path binds to its effect's compositor instance when there is one.
    loadCompositorEffects();
    Ogre::MovableObject::setDefaultVisibilityFlags(mBaseVisibilityMask);
    mRenderPathManager->initialise();
    createRootNodeObject();
}

void Graphics::frame(float seconds)
{
    mRenderPathManager->frame(seconds);
    // One render per frame: renderOneFrame already updates and swaps the window.
    mRoot->renderOneFrame();
    if (mWindow->isClosed()) {
        Engine::getInstance()->stop(false);
    }
}

void Graphics::shutdown()
{
    logLine("Average FPS: " + ToString(static_cast<double>(mWindow->getStatistics().avgFPS)));
    if (mSceneManager) {
        mSceneManager->getRenderQueue()->setRenderableListener(nullptr);
    }
    if (mListening) {
        mRoot->removeFrameListener(this);
        mListening = false;
    }
    mRenderPathManager->shutdown();
    destroyRootNodeObject();
}

void Graphics::updateNodes()
{
    mSceneManager->getRootSceneNode()->_update(true, false);
}

bool Graphics::frameStarted(const Ogre::FrameEvent&)
{
    mCameraPosition = mCamera->getDerivedPosition();
    return true;
}

bool Graphics::frameEnded(const Ogre::FrameEvent&)
{
    return true;
}

void Graphics::renderQueueStarted(Ogre::uint8 queueGroupId, const Ogre::String&, bool&)
{
    Ogre::RenderSystem* system = mRoot->getRenderSystem();
    if (queueGroupId == STENCIL_WRITER_GROUP) {
        system->clearFrameBuffer(Ogre::FBT_STENCIL, Ogre::ColourValue::Black, 1.0f, 0);
        system->setStencilState(stencilOne(Ogre::CMPF_ALWAYS_PASS, Ogre::SOP_REPLACE));
    } else if (queueGroupId == STENCILLED_GROUP) {
        system->setStencilState(stencilOne(Ogre::CMPF_EQUAL, Ogre::SOP_KEEP));
    }
}

void Graphics::renderQueueEnded(Ogre::uint8 queueGroupId, const Ogre::String&, bool&)
{
    if (queueGroupId == STENCIL_WRITER_GROUP || queueGroupId == STENCILLED_GROUP) {
        mRoot->getRenderSystem()->setStencilCheckEnabled(false);
    }
}

bool Graphics::renderableQueued(
    Ogre::Renderable* renderable, Ogre::uint8, Ogre::ushort, Ogre::Technique** technique, Ogre::RenderQueue*)
{
    applyDistanceFade(renderable, *technique);
    return true;
}

Ogre::SceneNode* Graphics::getRootNode() const
{
    return mSceneManager->getRootSceneNode();
}

Ogre::MaterialPtr Graphics::getMaterial(const std::string& name) const
{
    return Ogre::MaterialManager::getSingleton().getByName(name);
}

std::size_t Graphics::getWindowHandle() const
{
    std::size_t handle = 0;
    mWindow->getCustomAttribute("WINDOW", &handle);
    return handle;
}

Ogre::SceneNode* Graphics::createNode()
{
    return mSceneManager->getRootSceneNode()->createChildSceneNode();
}

Ogre::SceneNode* Graphics::createIsolatedNode()
{
    return mSceneManager->createSceneNode();
}

Ogre::Light* Graphics::createLight(const std::string& name)
{
    requireFreeName(mSceneManager->hasLight(name), "light", name);
    return mSceneManager->createLight(name);
}

void Graphics::destroyLight(Ogre::Light* light)
{
    mSceneManager->destroyLight(light);
}

Ogre::BillboardSet* Graphics::createBillboardSet(const std::string& name, int poolSize)
{
    requireFreeName(mSceneManager->hasBillboardSet(name), "billboard set", name);
    return mSceneManager->createBillboardSet(name, static_cast<unsigned int>(poolSize));
}

void Graphics::destroyBillboardSet(Ogre::BillboardSet* set)
{
    mSceneManager->destroyBillboardSet(set);
}

bool Graphics::isFogEnabled() const
{
    return mSceneManager->getFogMode() != Ogre::FOG_NONE;
}

void Graphics::setFogEnabled(bool enabled)
{
    if (enabled) {
        mSceneManager->setFog(mFogMode, mSceneManager->getFogColour(), mSceneManager->getFogDensity(),
            mSceneManager->getFogStart(), mSceneManager->getFogEnd());
    } else {
        mSceneManager->setFog(Ogre::FOG_NONE, Ogre::ColourValue::White, 0.001f, 0.0f, 1.0f);
    }
}

void Graphics::setFogMode(Ogre::FogMode mode)
{
    if (mode != Ogre::FOG_NONE) {
        mFogMode = mode;
    }
}

Ogre::ColourValue Graphics::getFogColour() const
{
    return mSceneManager->getFogColour();
}

void Graphics::setFogColour(const Ogre::ColourValue& colour)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, colour, mSceneManager->getFogDensity(),
        mSceneManager->getFogStart(), mSceneManager->getFogEnd());
}

float Graphics::getFogExponentialDensity() const
{
    return mSceneManager->getFogDensity();
}

void Graphics::setFogExponentialDensity(float density)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, mSceneManager->getFogColour(), density,
        mSceneManager->getFogStart(), mSceneManager->getFogEnd());
}

float Graphics::getFogLinearStart() const
{
    return mSceneManager->getFogStart();
}

void Graphics::setFogLinearStart(float start)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, mSceneManager->getFogColour(),
        mSceneManager->getFogDensity(), start, mSceneManager->getFogEnd());
}

float Graphics::getFogLinearEnd() const
{
    return mSceneManager->getFogEnd();
}

void Graphics::setFogLinearEnd(float end)
{
    mSceneManager->setFog(isFogEnabled() ? mFogMode : Ogre::FOG_NONE, mSceneManager->getFogColour(),
        mSceneManager->getFogDensity(), mSceneManager->getFogStart(), end);
}

bool Graphics::getShadowsEnable() const
{
    return mSceneManager->getShadowTechnique() != Ogre::SHADOWTYPE_NONE;
}

void Graphics::setShadowsEnable(bool enabled)
{
    // Stencil shadows draw with these programs; without them the next frame fails for good.
    static const char* const ShadowPrograms[]
        = {"Ogre/ShadowBlendVP", "Ogre/ShadowBlendFP", "Ogre/ShadowExtrudePointLight", "Ogre/ShadowExtrudeDirLight",
            "Ogre/ShadowExtrudePointLightFinite", "Ogre/ShadowExtrudeDirLightFinite"};
    if (enabled) {
        for (const char* program : ShadowPrograms) {
            if (!Ogre::GpuProgramManager::getSingleton().getByName(program)) {
                logWarning("Warning: Shadows need the shadow volume programs (ShadowVolumeExtude.program) in a "
                           "resource location; they stay off.");
                return;
            }
        }
    }
    mSceneManager->setShadowTechnique(enabled ? Ogre::SHADOWTYPE_STENCIL_MODULATIVE : Ogre::SHADOWTYPE_NONE);
}

Graphics::Resolution Graphics::getResolution() const
{
    return mWindow ? Resolution(mWidth, mHeight) : Resolution(0, 0);
}

const std::string* Graphics::getRenderSystemOption(const std::string& name) const
{
    if (!mRoot || !mRenderSystem) {
        return nullptr;
    }
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find(name);
    return option == options.end() ? nullptr : &option->second.currentValue;
}

std::vector<std::string> Graphics::getAvailableResolutions() const
{
    if (!mRoot || !mRenderSystem) {
        return {};
    }
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find("Video Mode");
    if (option == options.end()) {
        return {};
    }
    return std::vector<std::string>(option->second.possibleValues.begin(), option->second.possibleValues.end());
}

void Graphics::setResolution(unsigned int width, unsigned int height, bool now)
{
    if (width == 0 || height == 0) {
        logWarning(
            "Warning: Attempt to set a resolution of zero size (" + ToString(width) + " x " + ToString(height) + ").");
        return;
    }
    if (!fitsDisplay(Resolution(width, height))) {
        const Resolution limit = getDisplayLimit();
        logWarning("Warning: Attempt to set a resolution of " + ToString(width) + " x " + ToString(height)
            + ", larger than the display can show (" + ToString(limit.first) + " x " + ToString(limit.second) + ").");
        return;
    }
    if (now && mWindow && (mWindow->getWidth() != width || mWindow->getHeight() != height)) {
        if (mWindow->isFullScreen()) {
            mWindow->setFullscreen(true, width, height);
        }
        mWindow->resize(width, height);
        // The rendering engine resizes only its own view of a top-level window; the window
        // itself is resized here.
        Display* display = nullptr;
        std::size_t window = 0;
        mWindow->getCustomAttribute("XDISPLAY", &display);
        mWindow->getCustomAttribute("WINDOW", &window);
        if (display && window) {
            XResizeWindow(display, static_cast<Window>(window), width, height);
            XFlush(display);
        }
        mWidth = width;
        mHeight = height;
        notifyPropertyChanged("resolution");
    }
    getConfigFile().setValue(OPENGL_SECTION, ConfigFile::PT_RESOLUTION, "Video Mode", Resolution(width, height));
}

void Graphics::readResolutionFromWindow()
{
    if (!mWindow || (mWindow->getWidth() == mWidth && mWindow->getHeight() == mHeight)) {
        return;
    }
    mWidth = mWindow->getWidth();
    mHeight = mWindow->getHeight();
    notifyPropertyChanged("resolution");
}

Graphics::Resolution Graphics::getDisplayLimit() const
{
    Resolution limit(0, 0);
    ConfigFile::ResolutionParser parser;
    for (const std::string& mode : getAvailableResolutions()) {
        try {
            const auto size = boost::any_cast<Resolution>(parser.stringToValue(mode));
            limit = Resolution(std::max(limit.first, size.first), std::max(limit.second, size.second));
        } catch (const ParserException&) {
            // Not a size: nothing to learn from it.
        }
    }
    // The screen may span several monitors, each of which the modes describe alone.
    Display* display = nullptr;
    if (mWindow) {
        mWindow->getCustomAttribute("XDISPLAY", &display);
    }
    Display* opened = display ? nullptr : XOpenDisplay(nullptr);
    if (Display* screen = display ? display : opened) {
        const int number = DefaultScreen(screen);
        limit = Resolution(std::max(limit.first, static_cast<unsigned int>(DisplayWidth(screen, number))),
            std::max(limit.second, static_cast<unsigned int>(DisplayHeight(screen, number))));
    }
    if (opened) {
        XCloseDisplay(opened);
    }
    return limit;
}

bool Graphics::fitsDisplay(const Resolution& size) const
{
    const Resolution limit = getDisplayLimit();
    // Without any knowledge of the display there is nothing to compare with.
    return (limit.first == 0 || size.first <= limit.first) && (limit.second == 0 || size.second <= limit.second);
}

bool Graphics::isFullScreen() const
{
    return mWindow && mWindow->isFullScreen();
}

void Graphics::setFullScreen(bool fullScreen)
{
    if (!mWindow) {
        return;
    }
    mWindow->setFullscreen(fullScreen, mWindow->getWidth(), mWindow->getHeight());
    // Full screen has the display's size, not the size asked for. With a window manager the
    // window changes size later, and the window watcher reads it back then.
    readResolutionFromWindow();
    getConfigFile().setValue(
        OPENGL_SECTION, ConfigFile::PT_STRING, "Full Screen", std::string(isFullScreen() ? "Yes" : "No"));
}

unsigned int Graphics::getFSAA() const
{
    const std::string* value = getRenderSystemOption("FSAA");
    return value ? Ogre::StringConverter::parseUnsignedInt(*value) : 0;
}

std::vector<unsigned int> Graphics::getAvailableFSAA() const
{
    std::vector<unsigned int> levels;
    if (!mRoot || !mRenderSystem) {
        return levels;
    }
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find("FSAA");
    if (option == options.end()) {
        return levels;
    }
    for (const std::string& value : option->second.possibleValues) {
        if (isUnsignedText(value)) {
            levels.push_back(Ogre::StringConverter::parseUnsignedInt(value));
        }
    }
    return levels;
}

void Graphics::setFSAA(unsigned int level)
{
    if (!mRoot || !mRenderSystem) {
        return;
    }
    const std::vector<unsigned int> levels = getAvailableFSAA();
    if (std::find(levels.begin(), levels.end(), level) == levels.end()) {
        // Stored, an unsupported level could stop the next start at window creation.
        logWarning("Warning: Anti-aliasing level " + ToString(level) + " is not offered by the render system; left at "
            + ToString(getFSAA()) + ".");
        return;
    }
    mRenderSystem->setConfigOption("FSAA", ToString(level));
    getConfigFile().setValue(OPENGL_SECTION, ConfigFile::PT_INT, "FSAA", static_cast<int>(getFSAA()));
}

bool Graphics::isVSyncEnabled() const
{
    // The render system's own texts are "Yes" and "No"; the stored texts are "true" and "false".
    const std::string* value = getRenderSystemOption("VSync");
    return value && Ogre::StringConverter::parseBool(*value, false);
}

void Graphics::setVSyncEnable(bool enabled)
{
    if (!mRoot || !mRenderSystem) {
        return;
    }
    mRenderSystem->setConfigOption("VSync", enabled ? "Yes" : "No");
    getConfigFile().setValue(
        OPENGL_SECTION, ConfigFile::PT_STRING, "VSync", std::string(isVSyncEnabled() ? "true" : "false"));
}

void Graphics::createRootNodeObject()
{
    if (!mRootNodeObject) {
        mRootNodeObject = std::make_unique<NodeObject>(mSceneManager->getRootSceneNode());
    }
}

void Graphics::destroyRootNodeObject()
{
    mRootNodeObject.reset();
}

void Graphics::applyDistanceFade(const Ogre::Renderable* renderable, Ogre::Technique* technique) const
{
    // Runs for every queued renderable: nothing here may allocate or ask the camera.
    const MeshObject* const* found
        = Ogre::any_cast<const MeshObject*>(&renderable->getUserObjectBindings().getUserAny());
    if (!found || !technique) {
        return;
    }
    const MeshObject* mesh = *found;
    if (!mesh->isFadeEnabled() || !mesh->isDistanceFadeRunning()) {
        return;
    }
    setTechniqueAlpha(*technique, mesh->getDistanceFadeAlpha(mCameraPosition));
}

void Graphics::loadCompositorEffects()
{
    std::string name;
    int mask = 0;
    try {
        const ConfigFile& config = getConfigFile();
        name = boost::any_cast<std::string>(config.getValue(EFFECT_SECTION, ConfigFile::PT_STRING, "Compositor"));
        mask = boost::any_cast<int>(config.getValueDefault(
            EFFECT_SECTION, ConfigFile::PT_INT, "VisibilityMask", static_cast<int>(mBaseVisibilityMask)));
    } catch (const std::exception&) {
        // No effect configured.
        return;
    }
    addCompositorEffect(name, static_cast<std::uint32_t>(mask));
}

void Graphics::addCompositorEffect(const std::string& name, std::uint32_t visibilityMask)
{
    const auto inserted = mCompositorEffects.emplace(name, CompositorEffect());
    if (!inserted.second) {
        return;
    }
    CompositorEffect& effect = inserted.first->second;
    effect.visibilityMask = visibilityMask;
    effect.instance = mCompositorManager->addCompositor(mViewport, name, -1);
    if (!effect.instance) {
        logWarning("Warning: Failed to instantiate compositor effect " + name + ".");
    }
}

bool Graphics::isEffectAvailable(const std::string& name) const
{
    const auto found = mCompositorEffects.find(name);
    return found != mCompositorEffects.end() && found->second.instance;
}

std::uint32_t Graphics::getEffectVisibilityMask(const std::string& name) const
{
    const auto found = mCompositorEffects.find(name);
    return found == mCompositorEffects.end() ? mBaseVisibilityMask : found->second.visibilityMask;
}

void Graphics::notifyEffectUsed(const std::string& name)
{
    const auto found = mCompositorEffects.find(name);
    if (found == mCompositorEffects.end()) {
        logWarning("Warning: Attempt to use an unknown compositor effect.");
        return;
    }
    CompositorEffect& effect = found->second;
    if (!effect.instance) {
        logWarning("Warning: Attempt to use an invalid compositor effect.");
        return;
    }
    if (effect.useCount++ == 0) {
        mCompositorManager->setCompositorEnabled(mViewport, name, true);
    }
}

void Graphics::notifyEffectReleased(const std::string& name)
{
    const auto found = mCompositorEffects.find(name);
    if (found == mCompositorEffects.end()) {
        logWarning("Warning: Attempt to disable an unknown compositor effect.");
        return;
    }
    CompositorEffect& effect = found->second;
    if (!effect.instance) {
        logWarning("Warning: Attempt to disable an invalid compositor effect.");
        return;
    }
    if (effect.useCount == 0) {
        return;
    }
    if (--effect.useCount == 0) {
        mCompositorManager->setCompositorEnabled(mViewport, name, false);
    }
}

} // namespace tolva
