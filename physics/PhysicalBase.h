// Base of everything that takes part in collisions: one or more physics-layer geometries moved
// and turned as one object, with collision flags, category and partner bits, free-form string
// properties, and the receiving end of the collisions the physics module dispatches after each
// step: first the collision signal, then the listeners registered for that particular partner.
// The object is the user object of each of its geometries; that is how a contact finds it.
// It also keeps its contact flags on each geometry, so that the physics module filters and
// dispatches a contact without reaching the objects (and passes over those nobody listens to).
#pragma once

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/Hierarchical.h"
#include "core/InterfaceHolder.h"
#include "core/SettingsRevision.h"
#include "core/Transformable.h"
#include "core/Updateable.h"
#include "physics/CollisionListener.h"
#include "physics/CollisionSignal.h"
#include "physics/ContactListener.h"
#include "platform/OdeUserObject.h"
#include "scene/MeshBody.h"
#include "scripting/support/PythonSignalDecorator.h"

namespace tolva {

namespace ode {
class Geometry;
}

class EmissionGuard;
class Physics;

class PhysicalBase : public Hierarchical,
                     public Transformable,
                     public Updateable,
                     public ode::UserObject,
                     public MeshBody {
public:
    /// Category bits; a geometry's partners are the categories it is tested against.
    enum CollidableType : unsigned int {
        COLL_NONE = 0,
        COLL_FIXED = 1,
        COLL_MOVABLE = 2,
        COLL_VIRTUAL = 4,
        COLL_TRIGGER = 8,
        COLL_SPHERE = 16,
        COLL_CAMERA = 32,
        COLL_GRAVITY = 64,
        COLL_CUSTOM0 = 128,
        COLL_CUSTOM1 = 256,
        COLL_CUSTOM2 = 512,
        COLL_CUSTOM3 = 1024
    };
    /// What an object keeps on each of its geometries (ode::Geometry::getUserFlags) for the
    /// contact filter and the dispatch.
    enum ContactFlag : unsigned int {
        /// The geometry's user object is a PhysicalBase; without it the flags say nothing.
        CONTACT_PHYSICAL = 1,
        /// ... and a MovableObject.
        CONTACT_MOVABLE = 2,
        CONTACT_COLLIDABLE = 4,
        CONTACT_SOLID = 8,
        CONTACT_UNIDIRECTIONAL = 16,
        /// Something may listen to the object's collisions: a collision slot, a listener holder,
        /// or receivers of a derived class. The physics module dispatches to no object without it.
        CONTACT_LISTENED = 32
    };
    typedef PythonSignalDecorator<CollisionSignal> CollisionEvent;
    typedef InterfaceHolder<CollisionListener> CollisionListenerHolder;
    typedef std::map<std::string, std::string> PropertyMap;

    PhysicalBase();
    /// Disconnects every collision slot and forgets the listeners; no recorded contact, no
    /// trigger and no borrower refers to the object afterwards. A slot of its own collision
    /// signal may destroy it: the later slots are not called then.
    ~PhysicalBase() override;

    void updateOnce() override { }
    void frame(float seconds) override { }
    /// A physical object does nothing in frame; a subclass whose frame does work answers true.
    bool needsFrames() const override { return false; }
    /// Hangs every geometry on the node of the game object that took this object as a child.
    void _attachToSceneNode(Ogre::SceneNode* node) override;
    void _detachFromSceneNode(Ogre::SceneNode* node) override;
    /// Whether every geometry that follows the node stays where the physics can simulate it
    /// (within 1e7), its offset as it will be applied there; geometries on a body follow the body
    /// instead.
    bool _fitsOnSceneNode(
        const Ogre::Vector3& position, const Ogre::Quaternion& orientation, const Ogre::Vector3& scale) const override;
    /// For an object whose owner refits its geometries' offset to the node's world scale before
    /// every step (a gravity map's sensor): the offset at scale one, which the world-bound check
    /// multiplies by the node's scale. Called by that owner.
    void _setOffsetFollowsNodeScale(const Ogre::Vector3& unscaledOffset)
    {
        mUnscaledOffset = unscaledOffset;
        mOffsetFollowsNodeScale = true;
    }
    /// As the body of a mesh object.
    Hierarchical& _getBodyHierarchical() override { return *this; }
    Transformable& _getBodyTransformable() override { return *this; }
    bool _leadsSceneNode() const override { return false; }

    virtual bool isEnabled() const { return mEnabled; }
    /// Enables or disables every geometry.
    virtual void setEnabled(bool enabled);
    virtual bool isCollidable() const { return mCollidable; }
    /// An object that is not collidable gets no collision events (its contacts still act).
    virtual void setCollidable(bool collidable);
    virtual bool isSolid() const { return mSolid; }
    /// An object that is not solid is passed through; its collisions are still reported.
    virtual void setSolid(bool solid);
    /// Tests the first geometry against another. The result holds the last contact point found;
    /// it is not valid when nothing touched (or the object has no geometry).
    virtual ContactListener collide(ode::Geometry* other);
    /// The collision signal, then the partner's listeners. Stops when the contact loses either
    /// object on the way (a slot destroyed it). The physics module calls it only for objects that
    /// something listens to (CONTACT_LISTENED): a derived class that dispatches to receivers of
    /// its own says so with hasOwnCollisionReceivers.
    virtual void dispatchCollisionEvent(PhysicalBase* partner, Contact* contact);
    virtual unsigned int getGeometryCount() const = 0;
    virtual ode::Geometry* getGeometry(unsigned int index) const = 0;
    virtual bool setGeometry(unsigned int index, ode::Geometry* geometry) = 0;
    /// The first geometry's category; 0 without geometries.
    virtual CollidableType getCollisionCategory() const;
    virtual void setCollisionCategory(unsigned int category);
    /// The partners of all geometries together; 0 without geometries.
    virtual unsigned int getCollisionPartners() const;
    virtual void setCollisionPartners(unsigned int partners);

    void setPosition(const Ogre::Vector3& position) override;
    void translate(const Ogre::Vector3& offset) override;
    void setOrientation(const Ogre::Quaternion& orientation) override;
    void rotate(const Ogre::Vector3& axis, float degrees) override;
    void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space) override;
    void setScale(const Ogre::Vector3& scale) override;
    void scale(const Ogre::Vector3& factors) override;
    virtual Ogre::Vector3 getOffsetPosition() const;
    virtual void setOffsetPosition(const Ogre::Vector3& offset);
    /// Only the geometry at the index; nothing for an index out of range.
    virtual void setOffsetPosition(const Ogre::Vector3& offset, unsigned int index);
    virtual Ogre::Quaternion getOffsetOrientation() const;
    virtual void setOffsetOrientation(const Ogre::Quaternion& offset);
    virtual void setOffsetOrientation(const Ogre::Quaternion& offset, unsigned int index);
    virtual Ogre::Vector3 getWorldPosition() const { return getPosition(); }
    virtual Ogre::Quaternion getWorldOrientation() const { return getOrientation(); }
    virtual Ogre::Vector3 getWorldScale() const { return getScale(); }

    CollisionEvent& eventCollision() { return mCollisionEvent; }
    /// The listeners for collisions with that partner, created empty on first request.
    CollisionListenerHolder& eventPhysicalCollision(PhysicalBase* partner);

    void setProperty(const std::string& name, const std::string& value)
    {
        mProperties[name] = value;
        mPropertyRevision = nextPropertyRevision();
        SettingsRevision::advance();
    }
    bool isPropertyPresent(const std::string& name) const { return mProperties.count(name) != 0; }
    /// @throws NotFoundException "PhysicalBase: The <name> property was not found."
    const std::string& getProperty(const std::string& name) const;
    void removeProperty(const std::string& name)
    {
        if (mProperties.erase(name) != 0) {
            mPropertyRevision = nextPropertyRevision();
            SettingsRevision::advance();
        }
    }
    const PropertyMap& getPropertyMap() const { return mProperties; }
    /// Changes whenever the properties change, to a number no object's properties had before:
    /// a reader may keep what it parsed from them while the number stays.
    uint64_t getPropertyRevision() const { return mPropertyRevision; }

    /// The engine's physics module, or null when there is none.
    static Physics* getPhysicsModule();

    /// The object's contact flags as they stand now (ContactFlag).
    unsigned int getContactFlags() const;
    /// The physical object that owns the geometry, or null (also for a null geometry).
    static PhysicalBase* fromGeometry(const ode::Geometry* geometry);
    /// The contact flags of the geometry's owner; 0 when no physical object owns it.
    static unsigned int getContactFlags(const ode::Geometry* geometry);

    /// A pointer to the object that expires when the object is destroyed, for borrowers that may
    /// outlive it.
    std::weak_ptr<PhysicalBase> getLifetime();

    /// Called by the collision signal when a slot connects.
    void _collisionSlotConnected();

protected:
    /// Writes the contact flags onto every geometry; called whenever what they say changes.
    void refreshContactFlags();
    /// Flags that a derived kind adds (CONTACT_MOVABLE, CONTACT_UNIDIRECTIONAL).
    virtual unsigned int getOwnContactFlags() const { return 0; }
    /// Whether a derived class dispatches to receivers of its own (holders); it calls
    /// refreshContactFlags when that changes.
    virtual bool hasOwnCollisionReceivers() const { return false; }
    /// Makes this object the geometry's owner (user object and contact flags).
    void adoptGeometry(ode::Geometry* geometry);
    /// Takes the geometry from this object and deletes it; no recorded contact refers to it
    /// afterwards.
    void deleteGeometry(ode::Geometry* geometry);

    bool mCollidable = true;
    bool mSolid = true;
    bool mEnabled = true;
    CollisionEvent mCollisionEvent{this};
    std::map<PhysicalBase*, CollisionListenerHolder> mPartnerListeners;
    PropertyMap mProperties;
    /// The innermost running emission of one of the object's signals, if any (EmissionGuard).
    EmissionGuard* mEmission = nullptr;

private:
    /// Whether a slot may be connected to the collision signal: set when one connects, cleared
    /// when a dispatch finds none.
    bool mSlotsConnected = false;
    bool mOffsetFollowsNodeScale = false;
    Ogre::Vector3 mUnscaledOffset = Ogre::Vector3::ZERO;
    std::shared_ptr<PhysicalBase> mLifetime;
    static uint64_t nextPropertyRevision()
    {
        static uint64_t last = 0;
        return ++last;
    }
    uint64_t mPropertyRevision = nextPropertyRevision();
};

} // namespace tolva
