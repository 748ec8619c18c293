// The collision grid built the plain way, for checking the grid's own build
// and for timing against it: each triangle tests every cell from one before
// its lowest cell to its highest with RectOverlapsTriangle2D, searching the
// cell's list before adding to it. Everything a grid shows its callers is
// here to compare: origin, sizes, vertices, triangle records, cell lists.
#pragma once

#include "Core/PGameObject.h"
#include "Render/PRenderObject.h"
#include "Vehicles/PCollisionGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace reference
{
struct CollisionGrid
{
    D3DXVECTOR3 origin;
    int32_t columnCount = 0;
    int32_t rowCount = 0;
    std::vector<D3DXVECTOR3> vertices;
    std::vector<CPPhysicTerrainTriangle> triangles;
    // Column-major: cells[column][row] lists triangle indices.
    std::vector<std::vector<std::vector<int32_t>>> cells;
};

inline int32_t ClampedCell(float v, int32_t count)
{
    if (count <= 0 || !(v > 0.0f))
        return 0;
    const float last = static_cast<float>(count - 1);
    return v >= last ? count - 1 : static_cast<int32_t>(v);
}

inline CollisionGrid BuildCollisionGrid(const CPRenderObject& body)
{
    constexpr float kCellSize = CPCollisionGrid::kCellSize;
    constexpr float kInverse = 0.25f;
    CollisionGrid grid;
    const std::vector<CPVertex>& source = body.GetLocalVertices();
    const std::vector<uint16_t>& indices = body.GetIndices();
    const D3DXMATRIX& world = body.GetOwner()->GetWorldMatrix();
    const int32_t vertexCount = static_cast<int32_t>(source.size());

    grid.vertices.resize(source.size());
    D3DXVECTOR3 low;
    D3DXVECTOR3 high;
    for (size_t i = 0; i < source.size(); ++i) {
        D3DXVec3TransformCoord(&grid.vertices[i], &source[i].position, &world);
        const D3DXVECTOR3& v = grid.vertices[i];
        low = D3DXVECTOR3(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
        high = D3DXVECTOR3(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
    }
    grid.origin = low;
    grid.columnCount = static_cast<int32_t>(std::ceil((high.x - low.x) * kInverse)) + CPCollisionGrid::kMargin;
    grid.rowCount = static_cast<int32_t>(std::ceil((high.y - low.y) * kInverse)) + CPCollisionGrid::kMargin;
    grid.cells.assign(static_cast<size_t>(grid.columnCount),
                      std::vector<std::vector<int32_t>>(static_cast<size_t>(grid.rowCount)));

    const int32_t triangleCount = static_cast<int32_t>(indices.size() / 3);
    grid.triangles.assign(static_cast<size_t>(triangleCount), CPPhysicTerrainTriangle());
    for (int32_t t = 0; t < triangleCount; ++t) {
        const uint16_t* triple = &indices[static_cast<size_t>(t) * 3];
        if (triple[0] >= vertexCount || triple[1] >= vertexCount || triple[2] >= vertexCount)
            continue;
        D3DXVECTOR4 corner[3];
        int32_t lowColumn = grid.columnCount;
        int32_t highColumn = -1;
        int32_t lowRow = grid.rowCount;
        int32_t highRow = -1;
        for (int k = 0; k < 3; ++k) {
            grid.triangles[static_cast<size_t>(t)].m_vertex[k] = triple[k];
            const D3DXVECTOR3& v = grid.vertices[triple[k]];
            corner[k] = D3DXVECTOR4(v.x, v.y, v.z, 0.0f);
            const int32_t column = ClampedCell((v.x - grid.origin.x) * kInverse, grid.columnCount);
            const int32_t row = ClampedCell((v.y - grid.origin.y) * kInverse, grid.rowCount);
            lowColumn = std::min(lowColumn, column);
            highColumn = std::max(highColumn, column);
            lowRow = std::min(lowRow, row);
            highRow = std::max(highRow, row);
        }
        const int32_t columnEnd = std::min(highColumn + 1, grid.columnCount - 1);
        const int32_t rowEnd = std::min(highRow + 1, grid.rowCount - 1);
        for (int32_t row = std::max(lowRow - 1, 0); row < rowEnd; ++row) {
            for (int32_t column = std::max(lowColumn - 1, 0); column < columnEnd; ++column) {
                const float x0 = grid.origin.x + kCellSize * static_cast<float>(column);
                const float x1 = grid.origin.x + kCellSize * static_cast<float>(column + 1);
                const float y0 = grid.origin.y + kCellSize * static_cast<float>(row);
                const float y1 = grid.origin.y + kCellSize * static_cast<float>(row + 1);
                const D3DXVECTOR4 c0(x0, y0, grid.origin.z, 0.0f);
                const D3DXVECTOR4 c1(x1, y0, grid.origin.z, 0.0f);
                const D3DXVECTOR4 c2(x0, y1, grid.origin.z, 0.0f);
                const D3DXVECTOR4 c3(x1, y1, grid.origin.z, 0.0f);
                std::vector<int32_t>& cell = grid.cells[static_cast<size_t>(column)][static_cast<size_t>(row)];
                if (std::find(cell.begin(), cell.end(), t) == cell.end()
                    && RectOverlapsTriangle2D(c0, c1, c2, c3, corner[0], corner[1], corner[2]))
                    cell.push_back(t);
            }
        }
    }
    return grid;
}
}
