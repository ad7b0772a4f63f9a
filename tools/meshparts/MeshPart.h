// The vertices and triangles of one sub-mesh as the media tools build them, and how they become
// an OGRE sub-mesh with vertex and index buffers of its own.
#pragma once

#include <OgreVector.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Ogre {
class SubMesh;
}

namespace tolva::tools {

/// Position, normal and one set of texture coordinates: the layout every tool mesh uses.
struct MeshVertex {
    float position[3];
    float normal[3];
    float uv[2];
};

class MeshPart {
public:
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;

    /// Appends an axis-aligned box between two corners, four vertices per face with outward
    /// normals. With a repeat length above zero a face's texture coordinates are its own extent
    /// divided by it (a texture tiled across floors and walls); otherwise each face shows the
    /// whole texture once.
    void addBox(const Ogre::Vector3& low, const Ogre::Vector3& high, float repeat = 0.0f);

    /// Gives the sub-mesh vertex data of its own holding this part.
    void fillSubMesh(Ogre::SubMesh* sub) const;

    /// A sub-mesh keeps a material's name only when the material exists; the scripts that define
    /// the materials are read where the mesh is used, so an empty one stands in until then.
    static void useMaterial(Ogre::SubMesh* sub, const std::string& name, const std::string& group);
};

} // namespace tolva::tools
