// The registry of gravity grids and the driver of gravity maps.
//
// Each gravity map file is read once, when the first gravity map names it, and the grid is then
// shared by every map on that file; the cache entry lives exactly as long as the grid, which
// the release of its last handle unloads. Files are pickled tuples read through the scripting
// module (see readGravityData for the layout); a malformed file is refused as a whole.
//
// Gravity maps in automatic mode push the movable objects inside them in every fixed physics
// step, with the field at where each object is in that step, so the path of an object does not
// depend on the frame rate. Each map pushes an object at most once per step; where maps overlap,
// every map that holds the object and has a rule for it adds its own force.
//
// The engine makes the one gravity manager after every module and deletes it before them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/Singleton.h"
#include "physics/GravityData.h"
#include "physics/GravityMap.h"
#include "physics/PhysicsStepListener.h"

namespace boost::python {
class tuple;
}

namespace tolva {

class MovableObject;
class Physics;

class GravityManager : public Singleton<GravityManager>, public PhysicsStepListener {
public:
    /// Joins the steps of the engine's physics module, when there is one.
    GravityManager();
    /// Deletes the grids nobody holds; grids still held stay alive until their last holder lets
    /// go. Gravity maps that outlive the manager push nothing.
    ~GravityManager() override;

    GravityManager(const GravityManager&) = delete;
    GravityManager& operator=(const GravityManager&) = delete;

    /// The grid of the file, read on first use.
    /// @throw as loadGravityMap; nothing is cached then
    GravityDataPtr getGravityData(const std::string& fileName);
    bool isGravityDataLoaded(const std::string& fileName) const;
    /// Reads a grid from the resource of that name; the caller owns the result.
    /// @throw ScriptingException "Failed to unpickle object from file: <name>." when the data is
    ///        no pickled tuple; the resource system's exception when it does not exist;
    ///        IllegalStateException when the engine has no scripting module; and as
    ///        readGravityData
    GravityData* loadGravityMap(const std::string& fileName);
    /// Unloads the cached grid of that name. A grid that handles still hold only leaves the
    /// cache (a later request reads the file again); its last holder deletes it. A name that is
    /// not cached gives a warning.
    void destroyGravityData(const std::string& fileName);
    /// As destroyGravityData for the name under which the grid is cached; a grid that is not
    /// cached gives a warning.
    void destroyGravityData(GravityData* data);

    /// Builds a grid from the unpickled content of a gravity map file: a tuple of
    /// (position (x, y, z); orientation (w, x, y, z); (cell size, countX, countY, countZ); cells),
    /// the cells indexed [x][y][z], each an (x, y, z) tuple. Numbers may be integers or floats;
    /// the two middle levels of the cells may be any sequences (tuples or lists). Cells beyond
    /// the counts are ignored. The caller owns the result.
    /// @throw boost::python::error_already_set (the Python error pending) when an element is
    ///        missing, not a tuple or not a number of the right kind, a count is not an unsigned
    ///        32-bit integer (OverflowError), or the counts exceed the cells held (IndexError)
    /// @throw ParserException naming the file when the cell size is not a positive number, a
    ///        number is not finite, the orientation is zero, the grid has more than MAX_CELLS
    ///        cells, or its position or extent is beyond MAX_EXTENT
    static GravityData* readGravityData(const boost::python::tuple& source, const std::string& fileName);
    static constexpr size_t MAX_CELLS = size_t(1) << 24;
    /// Beyond this the physics library's space cannot place the map's sensor box.
    static constexpr float MAX_EXTENT = 1e15f;

    /// Called by gravity maps as they are made and destroyed.
    void _addMap(GravityMap* map);
    void _removeMap(GravityMap* map);

    /// Pushes the objects inside the maps in automatic mode.
    void physicsStep(float seconds) override;

private:
    friend void intrusive_ptr_release(GravityData* data);
    /// Whether the cache holds this grid.
    bool isCached(const GravityData* data) const;

    /// File name to grid; holds no reference.
    std::map<std::string, GravityData*> mCache;
    /// In the order they were made.
    std::vector<GravityMap*> mMaps;
    /// The maps in automatic mode during one step (kept to avoid allocating in every step).
    std::vector<GravityMap*> mPushing;
    /// Takes the push targets afresh when a setting they come from has changed since.
    void refreshTargets();

    /// What the maps read of the physics module's movables that they may push, in the module's
    /// order: one array that a step walks, reaching no object but the bodies. Taken again
    /// whenever the settings revision moves (a movable made or destroyed among them), so it
    /// never refers to a body that is gone.
    std::vector<GravityMap::PushTarget> mTargets;
    uint64_t mTargetsRevision = 0;
    bool mTargetsTaken = false;
    Physics* mPhysics = nullptr;
};

} // namespace tolva
