// Parent and ordered children for scene and physical objects, with hooks that derived classes
// override to attach scene nodes, bodies or geometries when the tree changes, and a recursive
// update that brings ancestors and descendants up to date. Children are not owned.
//
// The tree never forms a cycle and an object records a parent only while that parent lists it:
// moves that would break either rule are refused with a "Warning: " line and change nothing.
//
// The destructor detaches children and parent through the hooks, but by then a derived object is
// already reduced to this base, so only the base hooks run: a derived class that does more in its
// hooks (scene nodes, bodies) must detach in its own destructor first.
#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <vector>

namespace Ogre {
class SceneNode;
}

namespace tolva {

class Hierarchical {
public:
    /// Levels a tree may have, its root included: deeper trees would overflow the stack of every
    /// recursive walk over them (the rendering engine's node updates among them).
    static const unsigned int MaxDepth = 1000;

    /// Lists the child at the end. Refuses (warning, false) a null child, this object, a child
    /// already listed, an ancestor of this object and a child that would make the tree deeper
    /// than MaxDepth. Calls no hook.
    virtual bool rawAddChild(Hierarchical* child);
    /// Unlists the child; a child that is not listed gives a warning and false. Calls no hook.
    virtual bool rawRemoveChild(Hierarchical* child);
    /// Called on a child that the parent has just listed: leaves the old parent and records the
    /// new one.
    virtual void parentAttaching(Hierarchical* parent);
    /// Called on a child that its parent has just unlisted.
    virtual void parentDetaching();
    /// Called on a parent that a child has chosen with setParent: lists the child.
    virtual void childAttaching(Hierarchical* child);
    /// Called on a parent that a child leaves: unlists the child.
    virtual void childDetaching(Hierarchical* child);

    Hierarchical() = default;
    /// Makes every child a root and leaves the parent; deletes nobody.
    virtual ~Hierarchical();

    Hierarchical(const Hierarchical&) = delete;
    Hierarchical& operator=(const Hierarchical&) = delete;

    /// Brings objects up to date. (true, true) updates the whole tree of this object's root once,
    /// root first, depth first in child order; (false, true) the chain from the root down to this
    /// object; (true, false) this object's subtree; (false, false) this object alone.
    /// @param descend also update the children
    /// @param ascend start from the ancestors
    virtual void update(bool descend, bool ascend);
    /// Brings this one object up to date.
    virtual void updateOnce() = 0;

    /// Called by a parent that stands for a scene node (a game object) when this object joins or
    /// leaves it: hangs on the node, or takes off it, whatever this object places in the scene
    /// (a child node, a rigid body, geometries, a sound). Nothing by default. Only game objects
    /// call these.
    virtual void _attachToSceneNode(Ogre::SceneNode* node) { }
    virtual void _detachFromSceneNode(Ogre::SceneNode* node) { }
    /// Asked by a game object before a move that would take this object, hung on its node, to the
    /// given world place (the node's world position, orientation and scale): whether what this
    /// object places there (geometries) may stand there. True by default.
    virtual bool _fitsOnSceneNode(
        const Ogre::Vector3& position, const Ogre::Quaternion& orientation, const Ogre::Vector3& scale) const
    {
        return true;
    }

    virtual bool isRoot() const;
    virtual Hierarchical* getParent() const;
    /// Leaves the current parent, then joins the new one (null makes this object a root). A parent
    /// that is this object or one of its descendants, or under which the tree would be deeper than
    /// MaxDepth, is refused with a warning, changing nothing;
    /// if the new parent does not list the object in the end, the object stays a root.
    virtual void setParent(Hierarchical* parent);
    virtual bool isLeaf() const;
    /// Lists the child, which then leaves its old parent and records this one.
    virtual bool addChild(Hierarchical* child);
    /// Unlists the child, which then becomes a root.
    virtual bool removeChild(Hierarchical* child);

    /// Told at the start of every object's destruction (from this base's destructor, so only the
    /// address is still meaningful): how handles that others keep (the scripts') learn that their
    /// object is gone. Null for none.
    typedef void (*DestructionObserver)(const Hierarchical* object);
    static void _setDestructionObserver(DestructionObserver observer) { msDestructionObserver = observer; }

    /// How an emission keeps the objects it lends to slots alive until it ends, whatever a slot
    /// drops: an object that a script made lives as long as its script object, which the
    /// scripting module then holds. hold answers what release is given back afterwards, null when
    /// it held nothing. Null for none.
    typedef void* (*LifeHold)(const Hierarchical* object);
    typedef void (*LifeRelease)(void* held);
    static void _setLifeHolder(LifeHold hold, LifeRelease release)
    {
        msLifeHold = hold;
        msLifeRelease = release;
    }

    /// Keeps up to two objects (null ones are skipped) alive for its own life. The objects may be
    /// destroyed when it ends: the code that made it touches neither afterwards.
    class KeptAlive {
    public:
        explicit KeptAlive(const Hierarchical* first, const Hierarchical* second = nullptr)
            : mFirst(hold(first))
            , mSecond(hold(second))
        {
        }
        ~KeptAlive()
        {
            if (mSecond) {
                msLifeRelease(mSecond);
            }
            if (mFirst) {
                msLifeRelease(mFirst);
            }
        }
        KeptAlive(const KeptAlive&) = delete;
        KeptAlive& operator=(const KeptAlive&) = delete;

    private:
        static void* hold(const Hierarchical* object) { return object && msLifeHold ? msLifeHold(object) : nullptr; }

        void* mFirst;
        void* mSecond;
    };

protected:
    bool isAncestorOf(const Hierarchical* other) const;
    bool lists(const Hierarchical* child) const;
    /// Whether the child's subtree, hung below the parent, keeps the tree within MaxDepth.
    static bool fitsBelow(const Hierarchical* parent, const Hierarchical* child);

    Hierarchical* mParent = nullptr;
    /// In the order the children were added.
    std::vector<Hierarchical*> mChildren;

private:
    static DestructionObserver msDestructionObserver;
    static LifeHold msLifeHold;
    static LifeRelease msLifeRelease;
};

} // namespace tolva
