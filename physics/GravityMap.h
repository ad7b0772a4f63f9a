// A gravity grid placed in the world. The map is a scene object: its node carries the grid, so
// moving, turning or scaling the node moves, turns or scales the field. In the node's frame the
// grid fills the box from the origin to cell size times the counts; cell (i, j, k) spans
// [i, i + 1) cell sizes along x, and likewise along y and z. A point less than one cell size
// below a lower face still reads the first layer of cells (the index is truncated toward zero).
//
// A box trigger covering the grid (category COLL_GRAVITY, no partners) makes the map a sensor:
// only objects whose partners include COLL_GRAVITY are sensed, and only while their geometry
// touches the box. The map tests that itself in every step; the trigger takes no part in the
// collision pass, so objects inside a map get no collision events from it. In automatic mode the map pushes every
// movable object it senses, in every fixed physics step (through the gravity manager), by the vector of the cell under
// the object's position:
// - plainly: vector x intensity x the object's "gravityScale" property (1 when missing or not a
//   number);
// - magnetically, for objects with a numeric "charge" property q (others are left alone), with
//   the map's charge Q: vector x intensity x scale when Q is 0 and q is not, otherwise
//   vector x intensity x scale x (-Q x q): like charges push against the field.
// The intensity starts at 0, so a new map pushes nothing until it is given one. In manual mode
// the map pushes nothing; scripts read getGravity and apply forces themselves.
#pragma once

#include <OgreMatrix3.h>
#include <OgreMatrix4.h>

#include <ode/common.h>

#include <memory>
#include <string>

#include "physics/GravityData.h"
#include "scene/GameObject.h"

namespace tolva {

class MovableObject;
class PhysicalBase;
class Trigger;

namespace ode {
class Geometry;
}

class GravityMap : public GameObject {
public:
    enum OperationMode { MODE_AUTO = 0, MODE_MANUAL = 1 };

    /// A map on the grid of that gravity map file (read on first use, then shared), on a new
    /// node of the scene, placed and turned as the file says; manual mode, intensity 0.
    /// @throw InitialisationException "Error loading gravity map: <file>" when the file holds no
    ///        pickled tuple (the interpreter's report goes to the log)
    /// @throw the gravity manager's exceptions for a missing or malformed file;
    ///        IllegalStateException when the engine lacks the gravity manager or physics
    explicit GravityMap(const std::string& fileName);
    /// The same on a node of the caller's (for scenes without the graphics module).
    GravityMap(const std::string& fileName, Ogre::SceneNode* node);
    /// Takes the trigger off the map and destroys it, then lets go of the grid.
    ~GravityMap() override;

    OperationMode getMode() const { return mMode; }
    void setMode(OperationMode mode) { mMode = mode; }
    bool isMagnetic() const { return mMagnetic; }
    void setMagnetic(bool magnetic) { mMagnetic = magnetic; }
    float getMagneticCharge() const { return mMagneticCharge; }
    /// @throw InvalidArgumentException when the charge is not finite
    void setMagneticCharge(float charge);
    float getIntensity() const { return mIntensity; }
    /// @throw InvalidArgumentException when the intensity is not finite
    void setIntensity(float intensity);
    /// The node's scale scales the field. @throw InvalidArgumentException when a component is
    /// not finite
    void setScale(const Ogre::Vector3& scale) override;
    void scale(const Ogre::Vector3& factors) override;

    /// The field at a world position: the cell's vector turned and scaled by the node's
    /// transform, times the intensity; zero outside the grid.
    Ogre::Vector3 getGravity(const Ogre::Vector3& worldPosition) const;
    /// Where the middle of the grid is in the world.
    Ogre::Vector3 getWorldCentrePosition() const;
    const GravityDataPtr& getGravityData() const { return mData; }

    /// What the rules read from an object's properties "gravityScale" and "charge"; a text
    /// that is not a finite number counts as missing.
    struct PushProperties {
        float scale = 1;
        bool charged = false;
        float charge = 0;
    };
    static PushProperties readPushProperties(const PhysicalBase* object);

    /// What a push reads of one movable besides its body's position, taken from the object and
    /// its geometry by the gravity manager while their settings stay as they were: a push then
    /// reaches nothing but the body.
    struct PushTarget {
        dBodyID body = nullptr;
        /// The object's geometry, for the collision test of shapes that centred is false for.
        dGeomID geometry = nullptr;
        unsigned long category = 0;
        unsigned long partners = 0;
        PushProperties properties;
        /// A solid shape centred on the body: inside the box by its centre alone.
        bool centred = false;
    };
    /// The target of a movable that maps may push: a collidable one with a body and an enabled
    /// geometry; false for any other.
    static bool readPushTarget(const MovableObject* object, PushTarget& target);

    /// Called by the gravity manager at the start of each step, before _pushInStep: takes the
    /// node's transform for the step and keeps the trigger's box on the (scaled) grid.
    void _prepareStep();
    /// Called by the gravity manager in each step of automatic mode: pushes the target when the
    /// map senses it and has a rule for it. @return whether it pushed the target
    bool _pushInStep(const PushTarget& target);

private:
    void setUp(const std::string& fileName);
    /// The cell of a point in the node's frame; false outside the grid.
    bool findCell(const Ogre::Vector3& local, uint32_t& i, uint32_t& j, uint32_t& k) const;
    /// Whether the target's geometry touches the trigger's box.
    bool touches(const PushTarget& target, const Ogre::Vector3& local) const;
    /// The factor of the object's push; false when the map has no rule for it.
    bool pushFactor(const PushProperties& properties, float& factor) const;

    OperationMode mMode = MODE_MANUAL;
    bool mMagnetic = false;
    float mMagneticCharge = 0;
    float mIntensity = 0;
    GravityDataPtr mData;
    std::unique_ptr<Trigger> mTrigger;

    // Taken by _prepareStep for the step's lookups.
    Ogre::Affine3 mStepInverse = Ogre::Affine3::IDENTITY;
    Ogre::Matrix3 mStepLinear = Ogre::Matrix3::IDENTITY;
    unsigned long mSensorCategory = 0;
    unsigned long mSensorPartners = 0;
    /// The node scale the trigger's box was last fitted to.
    Ogre::Vector3 mFittedScale = Ogre::Vector3::UNIT_SCALE;

    // The grid as lookups read it, taken once: a grid does not change while a map holds it.
    const Ogre::Vector3* mCells = nullptr;
    float mCellSize = 1;
    float mCountX = 0;
    float mCountY = 0;
    float mCountZ = 0;
    uint32_t mRowsY = 0;
    uint32_t mRowsZ = 0;
    /// The grid's extent in its local units.
    Ogre::Vector3 mSize = Ogre::Vector3::ZERO;
};

} // namespace tolva
