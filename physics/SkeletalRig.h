// A compound physical object whose geometries ride on the bones of an animated mesh. Each
// geometry is added with a bone name and an offset; rigging the rig to a mesh object hangs every
// geometry on its bone (through the rendering engine's tag points), so the geometries move with
// the skeleton. While rigged, the rig brings the skeleton and its geometries up to date before
// every physics frame, so the steps see the bones where the animation has just put them, whether
// or not the mesh is drawn.
//
// The rig watches the mesh object: a mesh destroyed while rigged leaves the rig not rigged, its
// geometries where they were.
#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <string>
#include <vector>

#include "physics/CompoundPhysical.h"
#include "physics/PhysicsListener.h"
#include "scene/GameObject.h"

namespace Ogre {
class TagPoint;
}

namespace tolva {

class MeshObject;

class SkeletalRig : public CompoundPhysical, public PhysicsListener, private GameObject::Watcher {
public:
    /// One geometry and the bone it rides on.
    struct Piece {
        std::string bone;
        /// Owned by the compound.
        ode::Geometry* geometry = nullptr;
        /// Offset from the bone.
        Ogre::Vector3 position = Ogre::Vector3::ZERO;
        Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
        /// What carries the geometry while it hangs on the bone; null otherwise.
        Ogre::TagPoint* tagPoint = nullptr;

        Piece() = default;
        Piece(const std::string& bone, ode::Geometry* geometry, const Ogre::Vector3& position,
            const Ogre::Quaternion& orientation)
            : bone(bone)
            , geometry(geometry)
            , position(position)
            , orientation(orientation)
        {
        }
        bool operator==(const ode::Geometry* other) const { return geometry == other; }
        bool operator==(const std::string& other) const { return bone == other; }
    };

    SkeletalRig() = default;
    /// Unrigs, then the compound destroys the geometries.
    ~SkeletalRig() override;

    /// The rig has no work of its own in the game's frame.
    void frame(float seconds) override { }
    using CompoundPhysical::addGeometry;
    using CompoundPhysical::removeGeometry;
    /// Destroys the geometry; its piece, if any, is taken off its bone and dropped.
    bool removeGeometry(ode::Geometry* geometry) override;
    /// Replaces the geometry at the index as the compound does; the replaced geometry's piece is
    /// dropped, so no piece refers to a destroyed geometry.
    bool setGeometry(unsigned int index, ode::Geometry* geometry) override;

    /// Hangs every piece on its bone of the mesh (unrigging first when rigged). A piece whose
    /// bone is missing, or whose geometry hangs elsewhere, is left off with a warning. The rig
    /// is rigged when at least one piece hangs.
    /// @throw InvalidArgumentException "Mesh supplied for rigging does not have a skeleton." (the
    ///        rig is then not rigged), or for a null mesh
    virtual void rig(MeshObject* mesh);
    /// Takes every piece off its bone and forgets the mesh; nothing when not rigged.
    virtual void unrig();
    /// Adds the geometry to the compound and records its piece. A rig already on a mesh hangs
    /// the new piece at the next rig.
    /// @return false (after the compound's warning) for a null or already added geometry
    /// @throw InvalidArgumentException for an offset that is not finite or beyond 1e15, or an
    ///        orientation that is no rotation (the geometry is then not added)
    virtual bool addGeometry(const std::string& bone, ode::Geometry* geometry,
        const Ogre::Vector3& position = Ogre::Vector3::ZERO,
        const Ogre::Quaternion& orientation = Ogre::Quaternion::IDENTITY);

    bool isRigged() const { return mMesh != nullptr; }
    MeshObject* getMesh() const { return mMesh; }
    const std::vector<Piece>& getPieces() const { return mPieces; }

    /// Brings the skeleton and the hanging geometries up to date (the physics module calls it
    /// while the rig is rigged).
    void prePhysicsFrame() override;
    void postPhysicsFrame() override { }

private:
    void gameObjectDestroyed(GameObject* object) override;
    /// Hangs the piece on its bone of the mesh; false when the rendering engine refuses.
    bool rigMeshWithPiece(MeshObject* mesh, Piece& piece);
    void unrigPieceFromMesh(Piece& piece);
    /// Starts or stops watching the mesh and refreshing before physics frames.
    void setMesh(MeshObject* mesh);

    std::vector<Piece> mPieces;
    MeshObject* mMesh = nullptr;
    /// The physics module the rig refreshes for while rigged.
    Physics* mPhysics = nullptr;
};

} // namespace tolva
