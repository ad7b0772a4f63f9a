#include "MeshPart.h"

#include <OgreHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreSubMesh.h>

namespace tolva::tools {

void MeshPart::addBox(const Ogre::Vector3& low, const Ogre::Vector3& high, float repeat)
{
    // Each face: normal axis, its sign, and the two axes spanning it (in counter-clockwise order
    // seen from outside).
    struct Face {
        int axis;
        float sign;
        int u;
        int v;
    };
    const Face faces[] = {{0, 1, 1, 2}, {0, -1, 2, 1}, {1, 1, 2, 0}, {1, -1, 0, 2}, {2, 1, 0, 1}, {2, -1, 1, 0}};
    for (const Face& face : faces) {
        const std::uint16_t first = static_cast<std::uint16_t>(vertices.size());
        const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (const auto& corner : corners) {
            MeshVertex vertex = {};
            float point[3];
            point[face.axis] = face.sign > 0 ? high[face.axis] : low[face.axis];
            point[face.u] = corner[0] > 0 ? high[face.u] : low[face.u];
            point[face.v] = corner[1] > 0 ? high[face.v] : low[face.v];
            for (int i = 0; i < 3; ++i) {
                vertex.position[i] = point[i];
                vertex.normal[i] = i == face.axis ? face.sign : 0.0f;
            }
            if (repeat > 0.0f) {
                vertex.uv[0] = point[face.u] / repeat;
                vertex.uv[1] = point[face.v] / repeat;
            } else {
                vertex.uv[0] = corner[0];
                vertex.uv[1] = 1.0f - corner[1];
            }
            vertices.push_back(vertex);
        }
        for (std::uint16_t index : {0, 1, 2, 0, 2, 3}) {
            indices.push_back(static_cast<std::uint16_t>(first + index));
        }
    }
}

void MeshPart::fillSubMesh(Ogre::SubMesh* sub) const
{
    sub->useSharedVertices = false;
    sub->vertexData = new Ogre::VertexData();
    sub->vertexData->vertexCount = vertices.size();
    Ogre::VertexDeclaration* declaration = sub->vertexData->vertexDeclaration;
    std::size_t offset = 0;
    offset += declaration->addElement(0, offset, Ogre::VET_FLOAT3, Ogre::VES_POSITION).getSize();
    offset += declaration->addElement(0, offset, Ogre::VET_FLOAT3, Ogre::VES_NORMAL).getSize();
    offset += declaration->addElement(0, offset, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0).getSize();
    Ogre::HardwareVertexBufferSharedPtr buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        offset, vertices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
    buffer->writeData(0, vertices.size() * sizeof(MeshVertex), vertices.data());
    sub->vertexData->vertexBufferBinding->setBinding(0, buffer);

    Ogre::HardwareIndexBufferSharedPtr indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, indices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
    indexBuffer->writeData(0, indices.size() * sizeof(std::uint16_t), indices.data());
    sub->indexData->indexBuffer = indexBuffer;
    sub->indexData->indexCount = indices.size();
    sub->indexData->indexStart = 0;
}

void MeshPart::useMaterial(Ogre::SubMesh* sub, const std::string& name, const std::string& group)
{
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    if (!materials.resourceExists(name, group)) {
        materials.create(name, group);
    }
    sub->setMaterialName(name, group);
}

} // namespace tolva::tools
