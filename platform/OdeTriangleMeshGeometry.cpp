#include "platform/OdeTriangleMeshGeometry.h"

#include "core/Exceptions.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

#include <algorithm>

namespace tolva::ode {

TriangleMeshGeometry::Built TriangleMeshGeometry::build(
    const std::vector<float>& vertices, const std::vector<dTriIndex>& indices)
{
    if (vertices.size() % 3 != 0 || indices.size() % 3 != 0) {
        throw InvalidArgumentException("Triangle mesh arrays must hold whole vertices and triangles.");
    }
    // ODE aborts on a mesh without triangles (a sub-mesh that was not found, say).
    if (indices.empty()) {
        throw InvalidArgumentException("A triangle mesh needs at least one triangle.");
    }
    const size_t vertexCount = vertices.size() / 3;
    if (std::any_of(indices.begin(), indices.end(), [&](dTriIndex i) { return i >= vertexCount; })) {
        throw InvalidArgumentException("Triangle mesh index out of range.");
    }
    initialiseLibrary();
    const ObjectPool::Scope pooled;
    const dTriMeshDataID data = dGeomTriMeshDataCreate();
    dGeomTriMeshDataBuildSingle(data, vertices.data(), 3 * sizeof(float), int(vertexCount), indices.data(),
        int(indices.size()), 3 * sizeof(dTriIndex));
    return {data, dCreateTriMesh(nullptr, data, nullptr, nullptr, nullptr)};
}

TriangleMeshGeometry::TriangleMeshGeometry(std::vector<float> vertices, std::vector<dTriIndex> indices, Space* space)
    : TriangleMeshGeometry(build(vertices, indices), std::move(vertices), std::move(indices), space)
{
}

// The vectors are moved, not copied, so the buffers ODE was given stay where they are.
TriangleMeshGeometry::TriangleMeshGeometry(
    Built built, std::vector<float>&& vertices, std::vector<dTriIndex>&& indices, Space* space)
    : Geometry(built.geometry, space)
    , mVertices(std::move(vertices))
    , mIndices(std::move(indices))
    , mData(built.data)
{
}

TriangleMeshGeometry::~TriangleMeshGeometry()
{
    // The data must outlive the ODE geometry, which the base would only destroy after this.
    destroyGeometry();
    dGeomTriMeshDataDestroy(mData);
}

} // namespace tolva::ode
