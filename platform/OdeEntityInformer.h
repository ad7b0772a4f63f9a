// Gathers the triangles of rendering-engine entities (their meshes' position data and triangle
// lists) and builds static triangle mesh geometries from them.
#pragma once

#include <ode/ode.h>
#include <OgreMatrix4.h>

#include <vector>

namespace Ogre {
class Entity;
class Mesh;
class SubMesh;
struct VertexData;
class IndexData;
} // namespace Ogre

namespace tolva::ode {

class Space;
class TriangleMeshGeometry;

class EntityInformer {
public:
    /// Adds the entity's triangles, transformed by the matrix (in the entity's local frame).
    /// @param subMesh index of the one sub-mesh to take, or -1 for the whole mesh; an index out
    ///        of range adds nothing and logs a warning
    void addEntity(Ogre::Entity* entity, const Ogre::Matrix4& transform = Ogre::Matrix4::IDENTITY, int subMesh = -1);
    /// The same for a mesh.
    void addMesh(const Ogre::Mesh* mesh, const Ogre::Matrix4& transform = Ogre::Matrix4::IDENTITY, int subMesh = -1);

    size_t getVertexCount() const { return mVertices.size() / 3; }
    size_t getTriangleCount() const { return mIndices.size() / 3; }

    /// A new geometry from everything added so far (the caller owns it).
    TriangleMeshGeometry* createStaticTriangleMesh(Space* space) const;

private:
    void addSubMesh(const Ogre::Mesh* mesh, const Ogre::SubMesh* subMesh, const Ogre::Matrix4& transform);
    size_t addVertices(const Ogre::VertexData* data, const Ogre::Matrix4& transform);

    std::vector<float> mVertices;
    std::vector<dTriIndex> mIndices;
};

} // namespace tolva::ode
