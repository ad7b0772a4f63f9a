// One gravity grid as read from a gravity map file: a box of cubic cells, each holding one
// gravity vector in the grid's local frame, and the pose that gravity maps built from it take.
// Grids are made only by the gravity manager and shared by every gravity map that names the
// same file; the handles (boost::intrusive_ptr) count the holders, and the release of the last
// one unloads the grid.
#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <boost/intrusive_ptr.hpp>

#include <cstdint>
#include <vector>

namespace tolva {

class GravityData {
public:
    virtual ~GravityData() = default;

    GravityData(const GravityData&) = delete;
    GravityData& operator=(const GravityData&) = delete;

    /// The number of handles that hold the grid.
    uint32_t getReferenceCount() const { return mReferenceCount; }
    /// Where cell (0, 0, 0) begins, for gravity maps built from the grid.
    const Ogre::Vector3& getPosition() const { return mPosition; }
    const Ogre::Quaternion& getOrientation() const { return mOrientation; }
    /// Edge length of one cubic cell, in the grid's local units; always positive.
    float getCellSize() const { return mCellSize; }
    uint32_t getCountX() const { return mCountX; }
    uint32_t getCountY() const { return mCountY; }
    uint32_t getCountZ() const { return mCountZ; }
    /// The grid's extent in its local units: cell size times the counts.
    Ogre::Vector3 getSize() const { return Ogre::Vector3(float(mCountX), float(mCountY), float(mCountZ)) * mCellSize; }
    size_t getCellCount() const { return mCells.size(); }
    /// The vector of cell (i, j, k); each index must be below its count.
    const Ogre::Vector3& getCell(uint32_t i, uint32_t j, uint32_t k) const
    {
        return mCells[(size_t(i) * mCountY + j) * mCountZ + k];
    }

private:
    friend class GravityManager;
    friend void intrusive_ptr_add_ref(GravityData* data);
    friend void intrusive_ptr_release(GravityData* data);

    GravityData() = default;

    uint32_t mReferenceCount = 0;
    Ogre::Vector3 mPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion mOrientation = Ogre::Quaternion::IDENTITY;
    float mCellSize = 0;
    uint32_t mCountX = 0;
    uint32_t mCountY = 0;
    uint32_t mCountZ = 0;
    /// Indexed (i * countY + j) * countZ + k: x outermost, z innermost.
    std::vector<Ogre::Vector3> mCells;
};

/// One more holder.
void intrusive_ptr_add_ref(GravityData* data);
/// One holder less; the last one unloads the grid through the gravity manager (or deletes it
/// when no gravity manager exists any more).
void intrusive_ptr_release(GravityData* data);

typedef boost::intrusive_ptr<GravityData> GravityDataPtr;

} // namespace tolva
