#include "platform/OdeEntityInformer.h"

#include "core/LogLine.h"
#include "platform/OdeTriangleMeshGeometry.h"

#include <OgreEntity.h>
#include <OgreHardwareBuffer.h>
#include <OgreHardwareIndexBuffer.h>
#include <OgreHardwareVertexBuffer.h>
#include <OgreMesh.h>
#include <OgreSubMesh.h>

#include <string>

namespace tolva::ode {

void EntityInformer::addEntity(Ogre::Entity* entity, const Ogre::Matrix4& transform, int subMesh)
{
    if (!entity) {
        logWarning("Warning: Attempt to add a null entity to an entity informer.");
        return;
    }
    addMesh(entity->getMesh().get(), transform, subMesh);
}

void EntityInformer::addMesh(const Ogre::Mesh* mesh, const Ogre::Matrix4& transform, int subMesh)
{
    if (!mesh) {
        return;
    }
    const int count = int(mesh->getNumSubMeshes());
    if (subMesh >= count || subMesh < -1) {
        logWarning("Warning: Attempt to take sub-mesh " + std::to_string(subMesh) + " of a mesh with "
            + std::to_string(count) + " sub-meshes.");
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (subMesh == -1 || subMesh == i) {
            addSubMesh(mesh, mesh->getSubMesh(i), transform);
        }
    }
}

size_t EntityInformer::addVertices(const Ogre::VertexData* data, const Ogre::Matrix4& transform)
{
    const size_t first = mVertices.size() / 3;
    if (!data) {
        return first;
    }
    const Ogre::VertexElement* element = data->vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
    if (!element) {
        return first;
    }
    const Ogre::HardwareVertexBufferSharedPtr buffer = data->vertexBufferBinding->getBuffer(element->getSource());
    Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
    const auto* base = static_cast<const unsigned char*>(lock.pData) + data->vertexStart * buffer->getVertexSize();
    for (size_t i = 0; i < data->vertexCount; ++i) {
        float* position = nullptr;
        element->baseVertexPointerToElement(const_cast<unsigned char*>(base + i * buffer->getVertexSize()), &position);
        const Ogre::Vector3 v = transform * Ogre::Vector3(position[0], position[1], position[2]);
        mVertices.push_back(v.x);
        mVertices.push_back(v.y);
        mVertices.push_back(v.z);
    }
    return first;
}

void EntityInformer::addSubMesh(const Ogre::Mesh* mesh, const Ogre::SubMesh* subMesh, const Ogre::Matrix4& transform)
{
    if (subMesh->operationType != Ogre::RenderOperation::OT_TRIANGLE_LIST) {
        logWarning("Warning: A sub-mesh that is not a triangle list was left out of a triangle mesh.");
        return;
    }
    // Shared vertices are read once per sub-mesh that uses them; a mesh of a few sub-meshes
    // makes a few copies, which static level geometry can afford.
    const Ogre::VertexData* vertices = subMesh->useSharedVertices ? mesh->sharedVertexData : subMesh->vertexData;
    const size_t first = addVertices(vertices, transform);
    const Ogre::IndexData* indices = subMesh->indexData;
    if (!indices || indices->indexCount == 0 || !indices->indexBuffer) {
        return;
    }
    const Ogre::HardwareIndexBufferSharedPtr buffer = indices->indexBuffer;
    Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
    const bool wide = buffer->getType() == Ogre::HardwareIndexBuffer::IT_32BIT;
    const size_t vertexCount = vertices ? vertices->vertexCount : 0;
    for (size_t i = 0; i + 2 < indices->indexCount; i += 3) {
        dTriIndex triangle[3];
        bool valid = true;
        for (size_t k = 0; k < 3; ++k) {
            const size_t at = indices->indexStart + i + k;
            const size_t index
                = wide ? static_cast<const uint32_t*>(lock.pData)[at] : static_cast<const uint16_t*>(lock.pData)[at];
            valid = valid && index < vertexCount;
            triangle[k] = dTriIndex(first + index);
        }
        if (valid) {
            mIndices.insert(mIndices.end(), triangle, triangle + 3);
        }
    }
}

TriangleMeshGeometry* EntityInformer::createStaticTriangleMesh(Space* space) const
{
    return new TriangleMeshGeometry(mVertices, mIndices, space);
}

} // namespace tolva::ode
