// A collision space: the set of geometries that are tested against each other.
// Destroying a space leaves its geometries alive (they are only taken out of it), so geometry
// wrappers may outlive the world that made the space.
#pragma once

#include <ode/ode.h>

namespace tolva::ode {

class CollisionListener;
class Geometry;

class Space {
public:
    /// A hash space, not inside another space.
    Space();
    ~Space();
    Space(const Space&) = delete;
    Space& operator=(const Space&) = delete;

    dSpaceID getSpaceID() const { return mId; }
    int getGeometryCount() const;

    /// Tests every pair of geometries of the space whose category and collision bits match.
    /// Contacts reach the listener; when a world and contact group are given, accepted contacts
    /// also become constraints in that group.
    void collide(CollisionListener* listener, dWorldID world = nullptr, dJointGroupID group = nullptr);
    /// Tests one geometry (in this space or not) against the geometries of the space; creates no
    /// constraints.
    void collide(Geometry* geometry, CollisionListener* listener);

private:
    dSpaceID mId;
};

} // namespace tolva::ode
