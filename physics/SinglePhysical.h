// A physical object with exactly one geometry, which it owns.
#pragma once

#include "physics/PhysicalBase.h"

namespace tolva {

class SinglePhysical : public PhysicalBase {
public:
    /// Takes ownership of the geometry (which may be null).
    explicit SinglePhysical(ode::Geometry* geometry);
    /// Deletes the geometry.
    ~SinglePhysical() override;

    void setEnabled(bool enabled) override;
    unsigned int getGeometryCount() const override { return mGeometry ? 1 : 0; }
    ode::Geometry* getGeometry(unsigned int index) const override { return index == 0 ? mGeometry : nullptr; }
    /// Replaces (and deletes) the geometry at index 0; false for any other index, and (with a
    /// warning) for a geometry that another physical object owns. Setting the geometry already
    /// held changes nothing.
    bool setGeometry(unsigned int index, ode::Geometry* geometry) override;

    /// The geometry's position, or zero without one.
    Ogre::Vector3 getPosition() const override;
    /// The geometry's orientation, or the identity without one.
    Ogre::Quaternion getOrientation() const override;
    /// Always the unit scale.
    Ogre::Vector3 getScale() const override { return Ogre::Vector3::UNIT_SCALE; }

protected:
    enum class GeometryChange { Refused, Unchanged, Replace };
    /// What setGeometry may do with the arguments: refuse another index or (with a warning) a
    /// geometry that another physical object owns, since two owners would both delete it; leave
    /// the geometry already held alone, since deleting and then storing it would dangle.
    GeometryChange checkGeometryChange(unsigned int index, const ode::Geometry* geometry) const;

    ode::Geometry* mGeometry = nullptr;
};

} // namespace tolva
