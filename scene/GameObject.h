// Base of every object with a place in the rendered scene: it stands for exactly one scene node
// and mirrors the object hierarchy in the scene graph. A game-object child's node becomes a
// child node of this object's node; a physical child hangs its rigid body (a movable object) or
// else each of its geometries on this object's node, so that they move with it (a body leads
// its node instead: the node follows the simulation).
//
// World places multiply down the tree: every call that moves, turns or scales an object, or hangs
// it somewhere, is refused when a node of the object's subtree would end with a world position or
// scale that is not finite or beyond 1e15, or a geometry that follows a node would end beyond the
// 1e7 the physics can simulate. The check walks the subtree that moves, once per call, as the
// rendering engine's own update of that subtree does afterwards, under the world place its
// ancestors' current transforms give it (never the rendering engine's cached one, which is stale
// until the next frame when an ancestor changed); objects elsewhere cost nothing.
#pragma once

#include <OgreNode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <string>
#include <vector>

#include "core/Hierarchical.h"
#include "core/Transformable.h"
#include "core/Updateable.h"

namespace Ogre {
class MovableObject;
class SceneNode;
} // namespace Ogre

namespace tolva {

class GameObject : public Hierarchical, public Transformable, public Updateable {
public:
    /// Told when a game object it watches is destroyed, so that it can drop its pointer (a mesh
    /// watches the objects that follow its bones).
    class Watcher {
    public:
        /// Called from the object's destructor: only its address is still meaningful.
        virtual void gameObjectDestroyed(GameObject* object) = 0;

    protected:
        ~Watcher() = default;
    };

    /// A new node from the graphics module, made a child of the graphics module's root node
    /// object (before the module is initialised, the node goes under the scene's root node).
    /// @throws IllegalStateException when the engine has no graphics module
    GameObject();
    /// Wraps the given node; no parent is set and the node is not re-parented.
    explicit GameObject(Ogre::SceneNode* node);
    /// Tells the watchers, detaches everything from the node and removes its child nodes; a node
    /// this object made is destroyed, a given node stays.
    ~GameObject() override;

    void childAttaching(Hierarchical* child) override;
    void childDetaching(Hierarchical* child) override;
    void updateOnce() override { }
    /// The object of the scene's root node takes no parent: every node of the scene descends from
    /// it, so any parent would close a cycle (refused like one, with a warning).
    /// A parent under which the subtree would leave the world bounds is refused with a warning too.
    void setParent(Hierarchical* parent) override;
    bool addChild(Hierarchical* child) override;
    /// Also refuses (warning, false) a child whose subtree would leave the world bounds here.
    bool rawAddChild(Hierarchical* child) override;
    bool removeChild(Hierarchical* child) override;

    /// update(true, true) of the hierarchy.
    virtual void updateAll();
    /// The node's own update, then update(true, false).
    virtual void updateChildren();
    void frame(float seconds) override { }
    /// A game object does nothing in frame; a subclass whose frame does work answers true.
    bool needsFrames() const override { return false; }

    Ogre::Vector3 getPosition() const override;
    void setPosition(const Ogre::Vector3& position) override;
    /// In the parent's space.
    void translate(const Ogre::Vector3& offset) override;
    Ogre::Quaternion getOrientation() const override;
    void setOrientation(const Ogre::Quaternion& orientation) override;
    /// In the rotation mode's space.
    void rotate(const Ogre::Vector3& axis, float degrees) override;
    void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space) override;
    virtual void setRotationMode(Ogre::Node::TransformSpace space) { mRotationMode = space; }
    Ogre::Vector3 getScale() const override;
    void setScale(const Ogre::Vector3& scale) override;
    void scale(const Ogre::Vector3& factors) override;
    virtual Ogre::Vector3 getWorldPosition() const;
    virtual Ogre::Quaternion getWorldOrientation() const;
    virtual Ogre::Vector3 getWorldScale() const;

    /// Local to world (a point when isPosition, else a direction).
    Ogre::Vector3 globalise(const Ogre::Vector3& vector, bool isPosition) const;
    /// World to local.
    Ogre::Vector3 localise(const Ogre::Vector3& vector, bool isPosition) const;
    /// Local to parent.
    Ogre::Vector3 parentise(const Ogre::Vector3& vector, bool isPosition) const;

    Ogre::SceneNode* getNode() const { return mNode; }
    const std::string& getName() const { return mName; }

    /// This object's node becomes a child node of the given one.
    void _attachToSceneNode(Ogre::SceneNode* node) override;
    void _detachFromSceneNode(Ogre::SceneNode* node) override;

    /// Hangs a movable object (a body, a geometry, a light...) on the node, taking it off the
    /// node it hung on before; a null object, or one that rides on a bone, is left alone.
    static void attachToNode(Ogre::SceneNode* node, Ogre::MovableObject* object);
    /// Takes the object off the node, if it hangs there (not on a bone of an entity on it).
    static void detachFromNode(Ogre::SceneNode* node, Ogre::MovableObject* object);

    /// The watcher is told once when this object is destroyed; add it once per reason to watch
    /// and remove it once per reason that ended.
    void _addWatcher(Watcher* watcher) { mWatchers.push_back(watcher); }
    void _removeWatcher(Watcher* watcher);

protected:
    /// What a place in the world would do to the subtree.
    enum class WorldFit { Fits, BeyondScene, BeyondPhysics };
    /// A node's place in the world.
    struct WorldPose {
        Ogre::Vector3 position = Ogre::Vector3::ZERO;
        Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
        Ogre::Vector3 scale = Ogre::Vector3::UNIT_SCALE;
    };
    /// This object's place, its node's own transform taken under the given place of its parent,
    /// by the rendering engine's rules.
    WorldPose poseUnder(const WorldPose& parent) const;
    /// The node's place, its own transform taken under the given place of its parent.
    static WorldPose composeUnder(const WorldPose& parent, const Ogre::Node* node);
    /// The node's world place as the rendering engine's next update of the tree will make it,
    /// from the current transforms of the node and its ancestors (none: the origin).
    static WorldPose worldPoseOf(const Ogre::Node* node);
    /// The world place of this object's node's parent (none: the origin), as worldPoseOf.
    WorldPose parentPose() const;
    /// Whether this object's subtree fits the world bounds with this object at the given place.
    WorldFit fitAt(const WorldPose& pose) const;
    /// Whether what this object itself hangs on its node (not its children) may stand at the given
    /// place. True by default.
    virtual bool ownPartsFitAt(const WorldPose& pose) const { return true; }
    /// Whether the child's subtree fits the world bounds hung on this object's node.
    WorldFit childFits(const Hierarchical* child) const;
    /// Writes the warning of a refused fit; true when the fit refuses.
    static bool warnUnlessFits(WorldFit fit);
    /// Throws InvalidArgumentException (nothing changed) when the node's new own transform would
    /// take its subtree beyond the world bounds, after putting the previous transform back.
    void requireFitOrRestore(
        const Ogre::Vector3& position, const Ogre::Quaternion& orientation, const Ogre::Vector3& scale,
        const char* what);

    std::string mName;
    Ogre::SceneNode* mNode;
    Ogre::Node::TransformSpace mRotationMode = Ogre::Node::TS_LOCAL;

private:
    std::vector<Watcher*> mWatchers;
    bool mOwnsNode = false;
};

} // namespace tolva
