// Base of everything that takes part in collisions: one or more physics-layer geometries moved
// and turned as one object, with collision flags, category and partner bits, free-form string
// properties, and the receiving end of the collisions the physics module dispatches after each
// step: first the collision signal, then the listeners registered for that particular partner.
// The object is the user object of each of its geometries; that is how a contact finds it.
#pragma once

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <map>
#include <string>

#include "core/Hierarchical.h"
#include "core/InterfaceHolder.h"
#include "core/Transformable.h"
#include "core/Updateable.h"
#include "physics/CollisionListener.h"
#include "physics/ContactListener.h"
#include "platform/OdeUserObject.h"
#include "scene/MeshBody.h"
#include "scripting/support/PythonSignalDecorator.h"

namespace tolva {

namespace ode {
class Geometry;
}

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
    typedef PythonSignalDecorator<boost::signals2::signal<void(PhysicalBase*, Contact*)>> CollisionEvent;
    typedef InterfaceHolder<CollisionListener> CollisionListenerHolder;
    typedef std::map<std::string, std::string> PropertyMap;

    PhysicalBase();
    /// Disconnects every collision slot and forgets the listeners; no recorded contact and no
    /// trigger refers to the object afterwards.
    ~PhysicalBase() override;

    void updateOnce() override { }
    void frame(float seconds) override { }
    /// Hangs every geometry on the node of the game object that took this object as a child.
    void _attachToSceneNode(Ogre::SceneNode* node) override;
    void _detachFromSceneNode(Ogre::SceneNode* node) override;
    /// As the body of a mesh object.
    Hierarchical& _getBodyHierarchical() override { return *this; }
    Transformable& _getBodyTransformable() override { return *this; }
    bool _leadsSceneNode() const override { return false; }

    virtual bool isEnabled() const { return mEnabled; }
    /// Enables or disables every geometry.
    virtual void setEnabled(bool enabled);
    virtual bool isCollidable() const { return mCollidable; }
    /// An object that is not collidable gets no collision events (its contacts still act).
    virtual void setCollidable(bool collidable) { mCollidable = collidable; }
    virtual bool isSolid() const { return mSolid; }
    /// An object that is not solid is passed through; its collisions are still reported.
    virtual void setSolid(bool solid) { mSolid = solid; }
    /// Tests the first geometry against another. The result holds the last contact point found;
    /// it is not valid when nothing touched (or the object has no geometry).
    virtual ContactListener collide(ode::Geometry* other);
    /// The collision signal, then the partner's listeners. Stops when the contact loses either
    /// object on the way (a slot destroyed it).
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
    }
    bool isPropertyPresent(const std::string& name) const { return mProperties.count(name) != 0; }
    /// @throws NotFoundException "PhysicalBase: The <name> property was not found."
    const std::string& getProperty(const std::string& name) const;
    void removeProperty(const std::string& name)
    {
        if (mProperties.erase(name) != 0) {
            mPropertyRevision = nextPropertyRevision();
        }
    }
    const PropertyMap& getPropertyMap() const { return mProperties; }
    /// Changes whenever the properties change, to a number no object's properties had before:
    /// a reader may keep what it parsed from them while the number stays.
    uint64_t getPropertyRevision() const { return mPropertyRevision; }

    /// The engine's physics module, or null when there is none.
    static Physics* getPhysicsModule();

protected:
    bool mCollidable = true;
    bool mSolid = true;
    bool mEnabled = true;
    CollisionEvent mCollisionEvent;
    std::map<PhysicalBase*, CollisionListenerHolder> mPartnerListeners;
    PropertyMap mProperties;

private:
    static uint64_t nextPropertyRevision()
    {
        static uint64_t last = 0;
        return ++last;
    }
    uint64_t mPropertyRevision = nextPropertyRevision();
};

} // namespace tolva
