#include "scene/Graphics.h"

#include <Bites/OgreWindowEventUtilities.h>
#include <OgreArchiveManager.h>
#include <OgreCamera.h>
#include <OgreCompositorManager.h>
#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneManagerEnumerator.h>
#include <OgreViewport.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <boost/any.hpp>

#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/ToString.h"
#include "core/LogLine.h"
#include "game/GameFactory.h"
#include "scene/NodeObject.h"
#include "scene/RenderPathManager.h"

namespace tolva {

namespace {

const char* const PLUGIN_SECTION = "Plugins Linux";
const char* const RENDER_SYSTEM_NAME = "OpenGL Rendering Subsystem";
/// The archive type of the archive plug-in; its archives must go before the plug-in does.
const char* const PLUGIN_ARCHIVE_TYPE = "LZMA";

const Graphics::Resolution DEFAULT_RESOLUTION(800, 600);

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

bool holdsStaticThreadStorage(const dl_phdr_info& library)
{
    for (ElfW(Half) i = 0; i < library.dlpi_phnum; ++i) {
        if (library.dlpi_phdr[i].p_type != PT_DYNAMIC) {
            continue;
        }
        const auto* entry = reinterpret_cast<const ElfW(Dyn)*>(library.dlpi_addr + library.dlpi_phdr[i].p_vaddr);
        for (; entry->d_tag != DT_NULL; ++entry) {
            if (entry->d_tag == DT_FLAGS && (entry->d_un.d_val & DF_STATIC_TLS)) {
                return true;
            }
        }
    }
    return false;
}

/// Libraries with static thread storage take it from a fixed reserve that the C library never
/// takes back when they are unloaded, and the GL driver's libraries are such. The rendering engine
/// unloads them with its render system at every engine restart, so after some two hundred
/// restarts in one process no window could be made again. Once a window exists they stay loaded
/// for the life of the process: the next engine finds them as they are.
void keepStaticThreadStorageLoaded()
{
    std::vector<std::string> libraries;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            if (info->dlpi_name && *info->dlpi_name && holdsStaticThreadStorage(*info)) {
                static_cast<std::vector<std::string>*>(found)->emplace_back(info->dlpi_name);
            }
            return 0;
        },
        &libraries);
    for (const std::string& library : libraries) {
        // The handle is never closed: it keeps the library loaded.
        dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
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
        loadPlugins();
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
        keepStaticThreadStorageLoaded();
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

        loadWorldSettings();
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

void Graphics::loadPlugins()
{
    // The codec plug-in comes after the three named ones: this rendering engine decodes no
    // common image format by itself. The first failure ends start-up with its reason on the
    // fatal line, since the player has to repair (or delete) the file that names the plug-ins.
    std::string reason = loadPlugin("RenderPlugin");
    for (const char* key : {"ParticlePlugin", "ArchivePlugin"}) {
        if (reason.empty()) {
            reason = loadPlugin(key);
        }
    }
    if (reason.empty()) {
        reason = loadPlugin("CodecPlugin", "Codec_STBI.so");
    }
    if (!reason.empty()) {
        logLine("Error: " + reason);
        throw std::runtime_error("Failed to load engine plugins. " + reason);
    }
}

std::string Graphics::loadPlugin(const std::string& key, const std::string& defaultFile)
{
    const ConfigFile& config = getConfigFile();
    const std::string where = "in section [" + std::string(PLUGIN_SECTION) + "] of '" + config.getFileName() + "'";
    if (!config.hasSection(PLUGIN_SECTION)) {
        return "There is no section [" + std::string(PLUGIN_SECTION) + "] in '" + config.getFileName()
            + "'; repair the file, or delete it to start from the shipped one.";
    }
    std::string missing = "PluginFolder";
    std::string folder;
    std::string file;
    try {
        folder = config.getValueString(PLUGIN_SECTION, missing);
        missing = key;
        file = defaultFile.empty() ? config.getValueString(PLUGIN_SECTION, key)
                                   : readString(config, PLUGIN_SECTION, key, defaultFile);
    } catch (const std::exception&) {
        return "There is no '" + missing + "' " + where + "; repair the file, or delete it to start from the shipped one.";
    }
    const std::string path = folder + "/" + file;
    try {
        mRoot->loadPlugin(path);
    } catch (const Ogre::Exception& e) {
        // Without a display the render plug-in already fails here.
        return "Could not load plug-in '" + path + "' (" + key + " " + where + "): " + e.getDescription();
    }
    return std::string();
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

void Graphics::loadWorldSettings()
{
    // The camera and the scene take these values without a check, and the first frame then ends
    // the program on an assertion of the rendering engine; since that happens before "engine.cfg"
    // is written back, every later start would end the same way. A value the camera cannot take
    // ends start-up naming it, and the file stays as the player wrote it.
    const ConfigFile& config = getConfigFile();
    auto refuse = [&config](const char* section, const char* key, const std::string& valueInUse,
                      const std::string& rule) {
        std::string value = valueInUse + " (the default)";
        try {
            value = config.getValueString(section, key);
        } catch (const InvalidArgumentException&) {
            // Not in the file: the default is what clashes with another value.
        }
        const std::string reason = "[" + std::string(section) + "] " + key + "=" + value + " in '"
            + config.getFileName() + "': " + rule;
        logLine("Error: " + reason);
        throw std::runtime_error("Failed to load world configurations. " + reason);
    };
    // Settings that are only wrong together are named together, with the values in use.
    auto refuseTogether = [&config](std::initializer_list<std::pair<const char*, float>> settings,
                              const std::string& rule) {
        std::string named;
        for (const auto& [key, valueInUse] : settings) {
            std::string value = ToString(valueInUse) + " (the default)";
            try {
                value = config.getValueString("View", key);
            } catch (const InvalidArgumentException&) {
            }
            named += std::string(named.empty() ? "" : ", ") + key + "=" + value;
        }
        const std::string reason = "[View] " + named + " in '" + config.getFileName() + "': " + rule;
        logLine("Error: " + reason);
        throw std::runtime_error("Failed to load world configurations. " + reason);
    };
    const float nearZ = readReal(config, "View", "NearZ", 0.6035534f);
    const float farZ = readReal(config, "View", "FarZ", 600.0f);
    const float fovY = readReal(config, "View", "FOVy", 45.0f);
    const float aspect = readReal(config, "View", "Aspect", 1.33333f);
    // The game camera's collision sphere grows with the near clip distance; scene sizes stay
    // within 1e15.
    if (!std::isfinite(nearZ) || nearZ <= 0.0f || nearZ > 1e15f) {
        refuse("View", "NearZ", ToString(nearZ), "the near clip distance must be a number above 0 and at most 1e15.");
    }
    if (farZ != 0.0f && (!std::isfinite(farZ) || farZ <= nearZ)) {
        refuse("View", "FarZ", ToString(farZ),
            "the far clip distance must be 0 (none) or a finite number above NearZ (" + ToString(nearZ) + ").");
    }
    if (!std::isfinite(fovY) || fovY <= 0.0f || fovY >= 180.0f) {
        refuse("View", "FOVy", ToString(fovY), "the field of view must lie between 0 and 180 degrees.");
    }
    if (!std::isfinite(aspect) || aspect <= 0.0f) {
        refuse("View", "Aspect", ToString(aspect), "the aspect ratio must be a finite number above 0.");
    }
    // The game camera's collision sphere reaches the near plane's corners and goes to the physics
    // layer, which takes sizes within 1e15. The camera follows the window's aspect ratio, so the
    // wider of the two is judged.
    const float widestAspect = mHeight == 0 ? aspect : std::max(aspect, float(mWidth) / float(mHeight));
    const double radius = getNearCornerDistance(nearZ, fovY * Ogre::Math::fDeg2Rad, widestAspect);
    if (!(radius > 0.0 && radius <= 1e15)) {
        refuseTogether({{"NearZ", nearZ}, {"FOVy", fovY}, {"Aspect", aspect}},
            "the game camera's collision sphere, which reaches the corners of the near plane (radius "
                + ToString(radius) + "), must be within 1e15.");
    }
    // The rendering engine bounds the view by its far plane's corners, worked out as the view's
    // depth over the near clip distance in single precision; the level's stencil shadows make the
    // view endless, which the engine takes as a depth of 100000.
    const double depth = std::max(double(farZ), 100000.0);
    if (!(depth / nearZ <= 1e36)) {
        refuseTogether({{"NearZ", nearZ}, {"FarZ", farZ}},
            "the view's depth (FarZ, and at least 100000, as shadows make the view endless) must be at most 1e36 "
            "times the near clip distance.");
    }
    const Ogre::ColourValue clearColour = readColour(config, "Lighting", "ClearColour", Ogre::ColourValue(0, 1, 1, 1));
    const Ogre::ColourValue ambientColour
        = readColour(config, "Lighting", "AmbientColour", Ogre::ColourValue(0.2f, 0.2f, 0.2f, 1));
    for (const auto& [key, colour] : {std::make_pair("ClearColour", clearColour), std::make_pair("AmbientColour", ambientColour)}) {
        if (!std::isfinite(colour.r) || !std::isfinite(colour.g) || !std::isfinite(colour.b) || !std::isfinite(colour.a)) {
            refuse("Lighting", key, ConfigFile::ColourParser().valueToString(colour),
                "every component of a colour must be a finite number.");
        }
    }
    try {
        mCamera->setNearClipDistance(nearZ);
        mCamera->setFarClipDistance(farZ);
        mCamera->setFOVy(Ogre::Radian(fovY * Ogre::Math::fDeg2Rad));
        mCamera->setAspectRatio(aspect);
        mViewport->setBackgroundColour(clearColour);
        mSceneManager->setAmbientLight(ambientColour);
    } catch (const std::exception& e) {
        logLine(std::string("Error: ") + e.what());
        throw std::runtime_error(std::string("Failed to load world configurations. ") + e.what());
    }
}

double Graphics::getNearCornerDistance(double nearDistance, double fovY, double aspect)
{
    const double halfHeight = std::tan(0.5 * fovY) * nearDistance;
    const double halfWidth = halfHeight * aspect;
    return std::sqrt(nearDistance * nearDistance + halfHeight * halfHeight + halfWidth * halfWidth);
}

void Graphics::initialise()
{
    // Effects first: a render path binds to its effect's compositor instance when there is one.
    loadCompositorEffects();
    Ogre::MovableObject::setDefaultVisibilityFlags(mBaseVisibilityMask);
    mRenderPathManager->initialise();
    createRootNodeObject();
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

} // namespace tolva
