// The game's meshes as the build writes them.
#include "GameFixture.h"

#include <OgreHardwareBuffer.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreSubMesh.h>

#include <cstdint>

namespace tolva::test {
namespace {

class GameMediaTest : public GameFixture { };

/// Triangles of the mesh whose front (counter-clockwise) side faces its centre; degenerate ones
/// (at the poles of a sphere) do not count. The count of triangles examined goes to the second.
int inwardTriangles(const Ogre::MeshPtr& mesh, int& triangles)
{
    const Ogre::Vector3 centre = mesh->getBounds().getCenter();
    int inward = 0;
    for (Ogre::SubMesh* sub : mesh->getSubMeshes()) {
        const Ogre::VertexElement* position
            = sub->vertexData->vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
        const Ogre::HardwareVertexBufferSharedPtr& vertices
            = sub->vertexData->vertexBufferBinding->getBuffer(position->getSource());
        Ogre::HardwareBufferLockGuard vertexLock(vertices, Ogre::HardwareBuffer::HBL_READ_ONLY);
        Ogre::HardwareBufferLockGuard indexLock(sub->indexData->indexBuffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
        const auto* indices = static_cast<const std::uint16_t*>(indexLock.pData);
        auto at = [&](std::size_t index) {
            float* point = nullptr;
            position->baseVertexPointerToElement(
                static_cast<unsigned char*>(vertexLock.pData) + indices[index] * vertices->getVertexSize(), &point);
            return Ogre::Vector3(point[0], point[1], point[2]);
        };
        const std::size_t end = sub->indexData->indexStart + sub->indexData->indexCount;
        for (std::size_t first = sub->indexData->indexStart; first + 2 < end; first += 3) {
            const Ogre::Vector3 a = at(first), b = at(first + 1), c = at(first + 2);
            const Ogre::Vector3 front = (b - a).crossProduct(c - a);
            if (front.squaredLength() < 1e-12f) {
                continue;
            }
            ++triangles;
            inward += front.dotProduct((a + b + c) / 3.0f - centre) <= 0.0f ? 1 : 0;
        }
    }
    return inward;
}

TEST_F(GameMediaTest, MeshesTurnTheirFrontFacesOutward)
{
    ASSERT_EQ("", mStartError);
    for (const char* name : {"play_sphere.mesh", "level_block.mesh", "level_floor.mesh"}) {
        // Shadow copies, so that the test can read back what the renderer draws.
        Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().load(name, Ogre::RGN_DEFAULT,
            Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true, true);
        int triangles = 0;
        EXPECT_EQ(0, inwardTriangles(mesh, triangles)) << name;
        EXPECT_GT(triangles, 0) << name;
    }
}

} // namespace
} // namespace tolva::test
