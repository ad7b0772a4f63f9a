#include "physics/SkeletalRig.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "physics/Physics.h"
#include "platform/OdeConvert.h"
#include "platform/OdeGeometry.h"
#include "scene/MeshObject.h"

#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreSkeletonInstance.h>
#include <OgreTagPoint.h>

#include <algorithm>

namespace tolva {

SkeletalRig::~SkeletalRig()
{
    unrig();
    mPieces.clear();
}

void SkeletalRig::rig(MeshObject* mesh)
{
    if (!mesh) {
        throw InvalidArgumentException("No mesh supplied for rigging.");
    }
    if (isRigged()) {
        unrig();
    }
    if (!mesh->getMesh()->hasSkeleton()) {
        throw InvalidArgumentException("Mesh supplied for rigging does not have a skeleton.");
    }
    bool hung = false;
    for (Piece& piece : mPieces) {
        if (rigMeshWithPiece(mesh, piece)) {
            hung = true;
        } else {
            logWarning("Warning: Geometry piece could not be rigged to bone " + piece.bone + ".");
        }
    }
    if (hung) {
        setMesh(mesh);
    }
}

void SkeletalRig::unrig()
{
    if (!isRigged()) {
        return;
    }
    for (Piece& piece : mPieces) {
        unrigPieceFromMesh(piece);
    }
    setMesh(nullptr);
}

bool SkeletalRig::addGeometry(const std::string& bone, ode::Geometry* geometry, const Ogre::Vector3& position,
    const Ogre::Quaternion& orientation)
{
    // The offsets reach the rendering engine's bone attachment as they are.
    ode::requirePlaceable(position, "A rig piece's offset");
    ode::requireRotation(orientation, "A rig piece's orientation");
    if (!CompoundPhysical::addGeometry(geometry)) {
        return false;
    }
    mPieces.emplace_back(bone, geometry, position, orientation);
    return true;
}

bool SkeletalRig::removeGeometry(ode::Geometry* geometry)
{
    const unsigned int count = getGeometryCount();
    bool held = false;
    for (unsigned int i = 0; i < count; ++i) {
        held = held || getGeometry(i) == geometry;
    }
    if (held) {
        // Off the bone before the geometry goes (taking it off asks the geometry for itself).
        auto piece = std::find(mPieces.begin(), mPieces.end(), geometry);
        if (piece != mPieces.end()) {
            unrigPieceFromMesh(*piece);
            mPieces.erase(piece);
        }
    }
    return CompoundPhysical::removeGeometry(geometry);
}

bool SkeletalRig::setGeometry(unsigned int index, ode::Geometry* geometry)
{
    ode::Geometry* old = getGeometry(index);
    auto piece = std::find(mPieces.begin(), mPieces.end(), old);
    if (old && old != geometry && piece != mPieces.end()) {
        unrigPieceFromMesh(*piece);
    }
    if (!CompoundPhysical::setGeometry(index, geometry)) {
        return false;
    }
    if (old != geometry && piece != mPieces.end()) {
        mPieces.erase(piece);
    }
    return true;
}

bool SkeletalRig::rigMeshWithPiece(MeshObject* mesh, Piece& piece)
{
    try {
        piece.tagPoint
            = mesh->getMesh()->attachObjectToBone(piece.bone, piece.geometry, piece.orientation, piece.position);
    } catch (const Ogre::Exception&) {
        piece.tagPoint = nullptr;
        return false;
    }
    return true;
}

void SkeletalRig::unrigPieceFromMesh(Piece& piece)
{
    if (!piece.tagPoint || !mMesh) {
        return;
    }
    mMesh->getMesh()->detachObjectFromBone(piece.geometry);
    piece.tagPoint = nullptr;
}

void SkeletalRig::setMesh(MeshObject* mesh)
{
    if (mMesh) {
        mMesh->_removeWatcher(this);
        Physics* physics = getPhysicsModule();
        if (mPhysics && physics == mPhysics) {
            mPhysics->removePhysicsListener(this);
        }
        mPhysics = nullptr;
    }
    mMesh = mesh;
    if (mMesh) {
        mMesh->_addWatcher(this);
        mPhysics = getPhysicsModule();
        if (mPhysics) {
            mPhysics->addPhysicsListener(this);
        }
    }
}

void SkeletalRig::gameObjectDestroyed(GameObject* object)
{
    if (object != mMesh) {
        return;
    }
    // The entity is gone already, and its tag points with it; the geometries stay where they
    // were.
    for (Piece& piece : mPieces) {
        piece.tagPoint = nullptr;
    }
    // Nothing more of the mesh may be touched: it is no longer a mesh object.
    mMesh = nullptr;
    Physics* physics = getPhysicsModule();
    if (mPhysics && physics == mPhysics) {
        mPhysics->removePhysicsListener(this);
    }
    mPhysics = nullptr;
}

void SkeletalRig::prePhysicsFrame()
{
    if (!mMesh) {
        return;
    }
    // The rendering engine poses skeletons only for entities it draws, after the physics frame.
    // Posing it here lets the steps see the bones where the game's frame animated them.
    Ogre::Entity* entity = mMesh->getMesh();
    Ogre::SkeletonInstance* skeleton = entity->getSkeleton();
    if (!skeleton) {
        return;
    }
    if (Ogre::AnimationStateSet* states = entity->getAllAnimationStates()) {
        skeleton->setAnimationState(*states);
    }
    skeleton->_updateTransforms();
    for (Piece& piece : mPieces) {
        if (piece.tagPoint) {
            piece.tagPoint->_update(true, true);
            piece.geometry->_notifyMoved();
        }
    }
}

} // namespace tolva
