// A static triangle mesh geometry. It owns the vertex and index arrays, which ODE reads in
// place for as long as the geometry lives.
#pragma once

#include "platform/OdeGeometry.h"

#include <vector>

namespace tolva::ode {

class TriangleMeshGeometry : public Geometry {
public:
    /// @param vertices x, y, z per vertex
    /// @param indices three vertex indices per triangle
    /// @throws InvalidArgumentException when there is no triangle, an index is out of range or
    ///         the counts don't fit
    TriangleMeshGeometry(std::vector<float> vertices, std::vector<dTriIndex> indices, Space* space = nullptr);
    ~TriangleMeshGeometry() override;

    size_t getVertexCount() const { return mVertices.size() / 3; }
    size_t getTriangleCount() const { return mIndices.size() / 3; }

private:
    struct Built {
        dTriMeshDataID data;
        dGeomID geometry;
    };
    static Built build(const std::vector<float>& vertices, const std::vector<dTriIndex>& indices);
    TriangleMeshGeometry(Built built, std::vector<float>&& vertices, std::vector<dTriIndex>&& indices, Space* space);

    std::vector<float> mVertices;
    std::vector<dTriIndex> mIndices;
    dTriMeshDataID mData;
};

} // namespace tolva::ode
