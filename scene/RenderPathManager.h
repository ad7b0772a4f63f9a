// Render paths: compositors of the viewport's chain that program code drives. The manager owns
// one compositor driver per render path (only the HDR driver so far). It is not an engine module
// of its own: the graphics module creates it, calls initialise once its viewport and compositor
// effects exist, frames it before every render and shuts it down before the rendering engine
// goes. A driver binds to its compositor's instance when it is made, so drivers exist only
// between initialise and shutdown.
#pragma once

#include <boost/ptr_container/ptr_list.hpp>

#include <string>

#include "core/EngineModule.h"
#include "core/Singleton.h"
#include "scene/CompositorDriver.h"

namespace Ogre {
class CompositorInstance;
class CompositorManager;
class Viewport;
} // namespace Ogre

namespace tolva {

class RenderPathManager : public Singleton<RenderPathManager>, public EngineModule {
public:
    typedef boost::ptr_list<CompositorDriver> DriverList;

    RenderPathManager();
    ~RenderPathManager() override;

    /// Takes the graphics module's viewport and creates the drivers. Call once the graphics
    /// module has loaded its compositor effects, so a driver binds to its effect's instance.
    void initialise() override;
    /// Hands every driver the frame time (seconds), in creation order; called before rendering.
    void frame(float seconds) override;
    /// Deletes the drivers; the viewport and compositor manager are no longer used.
    void shutdown() override;

    /// The first instance of the compositor in the viewport's chain; when there is none, a new
    /// one is added (switched off) at the end of the chain. Null when no compositor of that name
    /// exists, or before initialise.
    Ogre::CompositorInstance* getCompositorInstance(const std::string& compositorName);

    const DriverList& getDrivers() const { return mDrivers; }
    /// The driver of that name, or null.
    CompositorDriver* getDriver(const std::string& name);

private:
    DriverList mDrivers;
    Ogre::CompositorManager* mCompositorManager;
    Ogre::Viewport* mViewport;
};

} // namespace tolva
