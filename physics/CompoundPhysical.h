// A physical object made of several geometries, which it owns. It has no pose of its own: its
// geometries are posed one by one. Besides the object-wide collision signal and partner
// listeners it can notify listeners per own geometry, and per (own geometry, partner) pair.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "physics/PhysicalBase.h"

namespace tolva {

class CompoundPhysical : public PhysicalBase {
public:
    CompoundPhysical() = default;
    /// Deletes every geometry.
    ~CompoundPhysical() override;

    /// Signal and partner listeners, then the listeners of the own geometry of the contact, then
    /// those of the (geometry, partner) pair.
    void dispatchCollisionEvent(PhysicalBase* partner, Contact* contact) override;
    unsigned int getGeometryCount() const override { return unsigned(mGeometries.size()); }
    ode::Geometry* getGeometry(unsigned int index) const override;
    /// Replaces (and deletes) the geometry at the index. An index out of range, a null geometry,
    /// a geometry held at another index and one another object owns are refused with a warning.
    bool setGeometry(unsigned int index, ode::Geometry* geometry) override;
    /// Appends the geometry and takes ownership; null, a duplicate or a geometry another object
    /// owns is refused with a warning.
    virtual bool addGeometry(ode::Geometry* geometry);
    /// Deletes the geometry at the index; an index out of range is refused with a warning.
    virtual bool removeGeometry(unsigned int index);
    /// Deletes the geometry; one that is not held is refused with a warning.
    virtual bool removeGeometry(ode::Geometry* geometry);

    Ogre::Vector3 getPosition() const override { return Ogre::Vector3::ZERO; }
    Ogre::Quaternion getOrientation() const override { return Ogre::Quaternion::IDENTITY; }
    Ogre::Vector3 getScale() const override { return Ogre::Vector3::UNIT_SCALE; }

    /// The listeners for collisions of that own geometry, created empty on first request.
    CollisionListenerHolder& eventGeometryCollision(ode::Geometry* geometry);
    /// The listeners for collisions of that own geometry with that partner.
    CollisionListenerHolder& eventGeometryPhysicalCollision(ode::Geometry* geometry, PhysicalBase* partner);

protected:
    bool hasOwnCollisionReceivers() const override
    {
        return !mGeometryListeners.empty() || !mGeometryPartnerListeners.empty();
    }

private:
    std::vector<ode::Geometry*> mGeometries;
    std::map<ode::Geometry*, CollisionListenerHolder> mGeometryListeners;
    std::map<std::pair<ode::Geometry*, PhysicalBase*>, CollisionListenerHolder> mGeometryPartnerListeners;
};

} // namespace tolva
