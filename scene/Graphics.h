// The graphics module: owns the rendering engine (OGRE's root) with its plug-ins, the OpenGL
// render window, the scene manager "SceneManager", the one camera "Camera" and the one viewport
// that covers the whole window.
//
// Everything is set up in the constructor, before any other module exists, from "engine.cfg":
// plug-ins from "Plugins Linux", render system options from "OpenGL", camera and world settings
// from "View" and "Lighting". The engine frames it last: each frame is rendered exactly once, and
// a window closed by the user stops the engine. The display settings (resolution, full screen,
// anti-aliasing, vertical sync) can change at run time; each change is stored at once in the
// configuration, and an applied change of size is published as the property "resolution".
//
// Scene objects (scene/GameObject and the classes built on it) hang under the root node object,
// which exists from initialise to shutdown. Compositor effects named in "CompositorEffect-01" sit
// in the viewport's compositor chain from initialise on, switched on exactly while some scene
// object uses them; an object that uses an effect adds the effect's visibility mask to its
// movable object's flags so that the effect's passes draw it. The render path manager, made with
// the module, drives compositors from program code (the HDR render path, which binds to the
// effect's instance when "compositor/HDR" is the configured effect); it runs from initialise to
// shutdown and is framed before every render. While rendering, the module fades every mesh
// object with a distance fade running by its distance from the camera.
#pragma once

#include <OgreColourValue.h>
#include <OgreCommon.h>
#include <OgreFrameListener.h>
#include <OgreMaterial.h>
#include <OgreRenderQueue.h>
#include <OgreRenderQueueListener.h>
#include <OgreVector.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/EngineModule.h"
#include "core/PropertyPublisher.h"

namespace Ogre {
class BillboardSet;
class Camera;
class CompositorInstance;
class CompositorManager;
class Light;
class RenderSystem;
class RenderWindow;
class Root;
class SceneManager;
class SceneNode;
class Viewport;
} // namespace Ogre

namespace tolva {

class ConfigFile;
class NodeObject;
class RenderPathManager;

class Graphics : public EngineModule,
                 public PropertyPublisher,
                 public Ogre::FrameListener,
                 public Ogre::RenderQueueListener,
                 public Ogre::RenderQueue::RenderableListener {
public:
    typedef std::pair<unsigned int, unsigned int> Resolution;

    /// A compositor of the viewport's chain that scene objects use; on while its use count is
    /// above 0.
    struct CompositorEffect {
        /// Null when the compositor could not be instantiated.
        Ogre::CompositorInstance* instance = nullptr;
        std::uint32_t visibilityMask = 1;
        std::uint32_t useCount = 0;
    };
    /// By compositor name.
    typedef std::map<std::string, CompositorEffect> CompositorEffectMap;

    /// Loads the plug-ins, configures the render system, has the engine add the resource
    /// locations, opens the window and sets up scene manager, camera, viewport and world.
    /// Needs the engine with its configuration and log.
    /// @throw std::runtime_error with one of the fixed start-up messages; nothing of the
    ///        rendering engine is left behind, so another Graphics can be built afterwards
    Graphics();
    ~Graphics() override;

    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    void initialise() override;
    /// Renders one frame; stops the engine (without restart) once the window has been closed.
    void frame(float seconds) override;
    /// Logs the average frame rate and removes the module's rendering engine listeners.
    void shutdown() override;

    /// Brings the whole scene graph up to date; the physics module calls it before each step.
    virtual void updateNodes();

    bool frameStarted(const Ogre::FrameEvent& event) override;
    bool frameEnded(const Ogre::FrameEvent& event) override;
    /// Prepares the stencil buffer around the stencil writer (10) and stencilled (30) groups.
    void renderQueueStarted(
        Ogre::uint8 queueGroupId, const Ogre::String& invocation, bool& skipThisInvocation) override;
    void renderQueueEnded(
        Ogre::uint8 queueGroupId, const Ogre::String& invocation, bool& repeatThisInvocation) override;
    bool renderableQueued(Ogre::Renderable* renderable, Ogre::uint8 groupId, Ogre::ushort priority,
        Ogre::Technique** technique, Ogre::RenderQueue* queue) override;

    Ogre::Root* getRoot() const { return mRoot; }
    Ogre::RenderWindow* getWindow() const { return mWindow; }
    Ogre::SceneManager* getSceneManager() const { return mSceneManager; }
    Ogre::Camera* getCamera() const { return mCamera; }
    Ogre::Viewport* getViewport() const { return mViewport; }
    Ogre::SceneNode* getRootNode() const;
    /// Null when no material of that name exists.
    Ogre::MaterialPtr getMaterial(const std::string& name) const;
    /// The native (X) window id of the render window.
    std::size_t getWindowHandle() const;
    /// Visibility flags every movable object starts with.
    std::uint32_t getBaseVisibilityMask() const { return mBaseVisibilityMask; }
    /// The game object of the scene's root node, parent of every new game object; null before
    /// initialise and after shutdown.
    NodeObject* getRootNodeObject() const { return mRootNodeObject.get(); }
    /// The compositors driven by program code (the HDR render path); drivers exist from
    /// initialise to shutdown.
    RenderPathManager* getRenderPathManager() const { return mRenderPathManager.get(); }

    /// A new scene node under the root scene node, at the origin.
    Ogre::SceneNode* createNode();
    /// A new scene node that is not part of the scene tree.
    Ogre::SceneNode* createIsolatedNode();
    Ogre::Light* createLight(const std::string& name);
    void destroyLight(Ogre::Light* light);
    Ogre::BillboardSet* createBillboardSet(const std::string& name, int poolSize);
    void destroyBillboardSet(Ogre::BillboardSet* set);

    bool isFogEnabled() const;
    /// Fog is switched off: none, white, density 0.001, start 0, end 1. Switching it on again
    /// uses the remembered mode with the scene manager's current parameters.
    void setFogEnabled(bool enabled);
    Ogre::FogMode getFogMode() const { return mFogMode; }
    /// The mode used while fog is on; FOG_NONE is ignored. Takes effect at the next fog change.
    void setFogMode(Ogre::FogMode mode);
    Ogre::ColourValue getFogColour() const;
    void setFogColour(const Ogre::ColourValue& colour);
    float getFogExponentialDensity() const;
    void setFogExponentialDensity(float density);
    float getFogLinearStart() const;
    void setFogLinearStart(float start);
    float getFogLinearEnd() const;
    void setFogLinearEnd(float end);

    bool getShadowsEnable() const;
    /// Without the shadow volume programs among the resources: a warning, and shadows stay off.
    void setShadowsEnable(bool enabled);

    // Compositor effects.

    /// Adds the effect of the section "CompositorEffect-01" ("Compositor", and "VisibilityMask"
    /// with the base mask as default); without that section or key there is no effect.
    void loadCompositorEffects();
    /// Adds an effect to the table and its compositor, switched off, at the end of the viewport's
    /// chain (a warning when it cannot be instantiated); a name already in the table is left as
    /// it is. The loader does this for the configured effect.
    void addCompositorEffect(const std::string& name, std::uint32_t visibilityMask);
    /// The name is in the table and its compositor was instantiated.
    bool isEffectAvailable(const std::string& name) const;
    /// The effect's mask, or the base mask for a name not in the table.
    std::uint32_t getEffectVisibilityMask(const std::string& name) const;
    /// One more user; the first switches the compositor on.
    void notifyEffectUsed(const std::string& name);
    /// One user less; the last switches the compositor off. More releases than uses are ignored.
    void notifyEffectReleased(const std::string& name);
    const CompositorEffectMap& getCompositorEffects() const { return mCompositorEffects; }

    // Display settings. Every change is stored in the section "OpenGL" of the configuration.

    /// (0, 0) while there is no window.
    Resolution getResolution() const;

    /// The distance from the eye to a corner of the near plane, which sizes the game camera's
    /// collision sphere; in double precision, so that a small near clip distance does not
    /// vanish when squared.
    /// @param fovY the vertical field of view, radians
    static double getNearCornerDistance(double nearDistance, double fovY, double aspect);
    /// The render system's "Video Mode" values, in its order and its own text.
    std::vector<std::string> getAvailableResolutions() const;
    /// Stores "Video Mode"; with now, also resizes the window and publishes "resolution" when
    /// the size differs. A size of zero, or one larger than the display can show, is refused with
    /// a warning and changes nothing, the stored value included.
    void setResolution(unsigned int width, unsigned int height, bool now);
    bool isFullScreen() const;
    /// Stores "Full Screen" as the window reports it after the change ("Yes" or "No"). The
    /// resolution follows the window's new size, now or when the window manager has resized it,
    /// and "resolution" is published when it changed.
    void setFullScreen(bool fullScreen);
    unsigned int getFSAA() const;
    /// The render system's anti-aliasing levels that read as unsigned integers, in its order.
    std::vector<unsigned int> getAvailableFSAA() const;
    /// Stores "FSAA" as the render system reports it after the change. A level the render system
    /// does not offer is refused with a warning and changes nothing.
    void setFSAA(unsigned int level);
    bool isVSyncEnabled() const;
    /// Stores "VSync" as "true" or "false", as the render system reports it after the change.
    void setVSyncEnable(bool enabled);

private:
    /// The configuration section of the display settings: read at start-up, written by each change.
    static constexpr const char* OPENGL_SECTION = "OpenGL";

    /// @throw std::runtime_error "Failed to load engine plugins. " + the reason, at the first
    ///        plug-in that fails
    void loadPlugins();
    /// @return empty when the plug-in loaded, else what is wrong (the file, section and key)
    std::string loadPlugin(const std::string& key, const std::string& defaultFile = std::string());
    bool configureRenderSystem();
    void setRenderSystemOption(const std::string& name, const std::string& value, const std::string& defaultValue);
    /// @throw std::runtime_error "Failed to load world configurations. " + the section, key,
    ///        value and file of the first value the camera or the scene cannot take
    void loadWorldSettings();
    /// Closes every archive of a type that a plug-in provides while the plug-in is still loaded.
    void releasePluginArchives();
    void destroyRoot();
    /// The option's current text, or null when there is no render system or no such option.
    const std::string* getRenderSystemOption(const std::string& name) const;

    ConfigFile& getConfigFile();

    class WindowWatcher;
    /// Takes the window's size as the resolution, publishing "resolution" when it changed.
    void readResolutionFromWindow();
    /// The largest width and height the display can show: its largest mode, or the screen when
    /// that is larger; (0, 0) where nothing is known.
    Resolution getDisplayLimit() const;
    bool fitsDisplay(const Resolution& size) const;
    void createRootNodeObject();
    void destroyRootNodeObject();
    /// Writes the alpha of a mesh object's distance fade into the technique chosen for one of its
    /// renderables; nothing for other renderables.
    void applyDistanceFade(const Ogre::Renderable* renderable, Ogre::Technique* technique) const;

    std::uint32_t mBaseVisibilityMask;
    Ogre::Root* mRoot;
    Ogre::RenderWindow* mWindow;
    Ogre::SceneManager* mSceneManager;
    Ogre::Camera* mCamera;
    Ogre::Viewport* mViewport;
    Ogre::RenderSystem* mRenderSystem;
    unsigned int mWidth;
    unsigned int mHeight;
    Ogre::CompositorManager* mCompositorManager;
    Ogre::Vector3 mCameraPosition;
    Ogre::FogMode mFogMode;
    bool mListening;
    std::unique_ptr<WindowWatcher> mWindowWatcher;
    CompositorEffectMap mCompositorEffects;
    std::unique_ptr<RenderPathManager> mRenderPathManager;
    std::unique_ptr<NodeObject> mRootNodeObject;
};

} // namespace tolva
