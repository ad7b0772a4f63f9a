// A non-solid ray for probing along a direction (what lies below or ahead of an object). Its
// contacts reach its collision signal and listeners; it pushes nothing.
#pragma once

#include "physics/SinglePhysical.h"

namespace tolva {

namespace ode {
class RayGeometry;
}

class RayObject : public SinglePhysical {
public:
    /// A ray of length 1 from the origin along the direction; category COLL_VIRTUAL, partners
    /// COLL_FIXED | COLL_MOVABLE.
    /// @throws IllegalStateException when the engine has no physics module
    explicit RayObject(const Ogre::Vector3& direction);

    /// Null when the geometry is not a ray.
    ode::RayGeometry* getRayGeometry() const;
    /// Zero when the geometry is not a ray.
    Ogre::Vector3 getDirection() const;
    float getLength() const;
    /// Redefines the ray from the object's position along the direction.
    void setDirection(const Ogre::Vector3& direction);
    void setLength(float length);
};

} // namespace tolva
