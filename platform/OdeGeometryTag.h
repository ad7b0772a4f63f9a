// What whoever handles a contact needs of a geometry: the wrapper itself, its user object and the
// user flags. The collision pass reads it for both geometries of every contact point; the
// wrappers are large and lie scattered over the heap, so the tags are kept apart from them in a
// dense table that a scene's worth of geometries keeps in the processor's caches. ODE's own
// geometry points at the tag.
#pragma once

namespace tolva::ode {

class Geometry;
class UserObject;

class GeometryTag {
public:
    /// A free tag from the table for the geometry, with no user object and no flags. Tags never
    /// move while they are taken.
    static GeometryTag* take(Geometry* geometry);
    /// Gives the tag back to the table.
    static void give(GeometryTag* tag);

    Geometry* geometry = nullptr;
    UserObject* userObject = nullptr;
    unsigned int userFlags = 0;
};

} // namespace tolva::ode
