#include "Vehicles/PCollisionGrid.h"

#include "Core/PGameObject.h"
#include "Render/PRenderObject.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{
constexpr float kInverseCellSize = 0.25f;
constexpr float kNearestStart = 1000.0f;
constexpr float kMinSquaredLength = 1e-6f;

// Truncation toward zero of v, clamped to [0, count - 1] before converting;
// not-a-number gives 0.
int32_t ClampedCell(float v, int32_t count)
{
    if (count <= 0 || !(v > 0.0f))
        return 0;
    const float last = static_cast<float>(count - 1);
    return v >= last ? count - 1 : static_cast<int32_t>(v);
}

D3DXVECTOR4 Point(const D3DXVECTOR3& v)
{
    return D3DXVECTOR4(v.x, v.y, v.z, 0.0f);
}

const CPCollisionCell& EmptyCell()
{
    static const CPCollisionCell empty;
    return empty;
}

bool HasTriangle(const CPCollisionCell& cell, int32_t triangle)
{
    return std::find(cell.m_triangles.begin(), cell.m_triangles.end(), triangle) != cell.m_triangles.end();
}

// Whether an edge of the rectangle c0, c1, c2, c3 (corners as
// RectOverlapsTriangle2D takes them) meets an edge of the triangle.
bool EdgesMeet(const D3DXVECTOR4& c0, const D3DXVECTOR4& c1, const D3DXVECTOR4& c2, const D3DXVECTOR4& c3,
               const D3DXVECTOR4& t0, const D3DXVECTOR4& t1, const D3DXVECTOR4& t2)
{
    const D3DXVECTOR4* const rectEdges[4][2] = { { &c0, &c1 }, { &c1, &c3 }, { &c2, &c3 }, { &c2, &c0 } };
    const D3DXVECTOR4* const triangleEdges[3][2] = { { &t0, &t1 }, { &t1, &t2 }, { &t2, &t0 } };
    for (const auto& r : rectEdges) {
        for (const auto& t : triangleEdges) {
            if (SegmentsIntersect2D(*r[0], *r[1], *t[0], *t[1]))
                return true;
        }
    }
    return false;
}

// The cells a triangle may touch: from one before its lowest cell to its
// highest, short of the grid's last column and row (end values excluded).
struct CellWindow
{
    int32_t firstColumn;
    int32_t columnEnd;
    int32_t firstRow;
    int32_t rowEnd;
};

void AddToCell(std::vector<std::vector<CPCollisionCell>>& grid, int32_t column, int32_t row, int32_t triangle)
{
    CPCollisionCell& cell = grid[static_cast<size_t>(column)][static_cast<size_t>(row)];
    cell.m_triangles.push_back(triangle);
    ++cell.m_count;
}

D3DXVECTOR4 CellCorner(float x, float y, const D3DXVECTOR3& origin)
{
    return D3DXVECTOR4(x, y, origin.z, 0.0f);
}

// Windows up to three cells a side (every triangle smaller than a cell) take
// the quick path; four lines bound them on each axis.
constexpr int kQuickLines = 4;
constexpr int kEdgeFrom[6] = { 0, 1, 2, 2, 1, 0 };
constexpr int kEdgeTo[6] = { 1, 2, 0, 1, 0, 2 };

// The quick path. Neighbouring cells share their corners, so each crossing
// of two grid lines is tested against the triangle once rather than once a
// cell. PointInTriangle2D's cross product dy * ex - ey * dx is the difference
// of a product that depends only on the crossing's row line and one that
// depends only on its column line; each product is made once a line. Every
// value is made from the same operands by the same operations as in the 2D
// tests, so each decision is theirs to the bit.
void ListSmallTriangle(std::vector<std::vector<CPCollisionCell>>& grid, const D3DXVECTOR3& origin, int32_t triangle,
                       const D3DXVECTOR4 (&corner)[3], const CellWindow& window)
{
    const int rows = window.rowEnd - window.firstRow;
    const int columns = window.columnEnd - window.firstColumn;
    float lineX[kQuickLines];
    float lineY[kQuickLines];
    for (int i = 0; i < kQuickLines; ++i) {
        lineX[i] = origin.x + CPCollisionGrid::kCellSize * static_cast<float>(window.firstColumn + i);
        lineY[i] = origin.y + CPCollisionGrid::kCellSize * static_cast<float>(window.firstRow + i);
    }
    // Edge by edge, in the order the point-in-triangle test takes them (one
    // winding, then the other): ey * dx on each column line, dy * ex on each
    // row line.
    float across[6][kQuickLines];
    float along[6][kQuickLines];
    for (int e = 0; e < 6; ++e) {
        const D3DXVECTOR4& a = corner[kEdgeFrom[e]];
        const D3DXVECTOR4& b = corner[kEdgeTo[e]];
        const float ex = b.x - a.x;
        const float ey = b.y - a.y;
        for (int i = 0; i < kQuickLines; ++i) {
            const float dx = lineX[i] - a.x;
            const float dy = lineY[i] - a.y;
            across[e][i] = ey * dx;
            along[e][i] = dy * ex;
        }
    }
    // ClassifyPointToSegment2D answers 0 (left) exactly when its cross
    // product is positive; a crossing is inside when, in either winding, it
    // is left of no edge.
    bool inside[kQuickLines][kQuickLines];
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            bool left[6];
            for (int e = 0; e < 6; ++e)
                left[e] = along[e][j] - across[e][i] > 0.0f;
            inside[j][i] = (!left[0] && !left[1] && !left[2]) || (!left[3] && !left[4] && !left[5]);
        }
    }

    // Edges whose bounds are apart never meet (SegmentsIntersect2D's first
    // test), so a cell apart from the triangle's bounds needs no edge tests;
    // a coordinate that is not a number leaves every cell to them.
    bool bounded = true;
    for (const D3DXVECTOR4& c : corner)
        bounded = bounded && !std::isnan(c.x) && !std::isnan(c.y);
    const float minX = std::min({ corner[0].x, corner[1].x, corner[2].x });
    const float maxX = std::max({ corner[0].x, corner[1].x, corner[2].x });
    const float minY = std::min({ corner[0].y, corner[1].y, corner[2].y });
    const float maxY = std::max({ corner[0].y, corner[1].y, corner[2].y });

    for (int j = 0; j < rows; ++j) {
        const float y0 = lineY[j];
        const float y1 = lineY[j + 1];
        for (int i = 0; i < columns; ++i) {
            const float x0 = lineX[i];
            const float x1 = lineX[i + 1];
            // RectOverlapsTriangle2D's three findings, any of which lists
            // the triangle: a triangle corner in the cell, a cell corner in
            // the triangle, an edge of each meeting.
            bool overlaps = inside[j][i] || inside[j][i + 1] || inside[j + 1][i] || inside[j + 1][i + 1];
            for (const D3DXVECTOR4& t : corner)
                overlaps = overlaps || (x0 <= t.x && t.x <= x1 && y0 <= t.y && t.y <= y1);
            const bool apart = bounded && (maxX < x0 || x1 < minX || maxY < y0 || y1 < minY);
            if (!overlaps && !apart) {
                overlaps = EdgesMeet(CellCorner(x0, y0, origin), CellCorner(x1, y0, origin),
                                     CellCorner(x0, y1, origin), CellCorner(x1, y1, origin), corner[0], corner[1],
                                     corner[2]);
            }
            if (overlaps)
                AddToCell(grid, window.firstColumn + i, window.firstRow + j, triangle);
        }
    }
}

// Adds the triangle to each cell of the window its ground projection
// overlaps, as RectOverlapsTriangle2D decides for the cell's rectangle. A
// triangle visits each cell of its window once, so no cell can hold it yet.
void ListTriangle(std::vector<std::vector<CPCollisionCell>>& grid, const D3DXVECTOR3& origin, int32_t triangle,
                  const D3DXVECTOR4 (&corner)[3], const CellWindow& window)
{
    if (window.columnEnd <= window.firstColumn || window.rowEnd <= window.firstRow)
        return;
    if (window.columnEnd - window.firstColumn < kQuickLines && window.rowEnd - window.firstRow < kQuickLines) {
        ListSmallTriangle(grid, origin, triangle, corner, window);
        return;
    }
    for (int32_t row = window.firstRow; row < window.rowEnd; ++row) {
        for (int32_t column = window.firstColumn; column < window.columnEnd; ++column) {
            const float x0 = origin.x + CPCollisionGrid::kCellSize * static_cast<float>(column);
            const float x1 = origin.x + CPCollisionGrid::kCellSize * static_cast<float>(column + 1);
            const float y0 = origin.y + CPCollisionGrid::kCellSize * static_cast<float>(row);
            const float y1 = origin.y + CPCollisionGrid::kCellSize * static_cast<float>(row + 1);
            if (RectOverlapsTriangle2D(CellCorner(x0, y0, origin), CellCorner(x1, y0, origin),
                                       CellCorner(x0, y1, origin), CellCorner(x1, y1, origin), corner[0], corner[1],
                                       corner[2]))
                AddToCell(grid, column, row, triangle);
        }
    }
}
}

// --- 2D tests ----------------------------------------------------------------

int32_t ClassifyPointToSegment2D(const D3DXVECTOR4& p, const D3DXVECTOR4& a, const D3DXVECTOR4& b)
{
    const float ex = b.x - a.x;
    const float ey = b.y - a.y;
    const float dx = p.x - a.x;
    const float dy = p.y - a.y;
    const float cross = dy * ex - ey * dx;
    if (cross > 0.0f)
        return 0;
    if (cross < 0.0f)
        return 1;
    if (dx * ex < 0.0f || ey * dy < 0.0f)
        return 3;
    if (std::sqrt(dx * dx + dy * dy) > std::sqrt(ex * ex + ey * ey))
        return 2;
    if (p.x == a.x && p.y == a.y && p.z == a.z)
        return 5;
    if (p.x == b.x && p.y == b.y && p.z == b.z)
        return 6;
    return 4;
}

bool PointInTriangle2D(const D3DXVECTOR4& p, const D3DXVECTOR4& a, const D3DXVECTOR4& b, const D3DXVECTOR4& c)
{
    if (ClassifyPointToSegment2D(p, a, b) != 0 && ClassifyPointToSegment2D(p, b, c) != 0
        && ClassifyPointToSegment2D(p, c, a) != 0)
        return true;
    return ClassifyPointToSegment2D(p, c, b) != 0 && ClassifyPointToSegment2D(p, a, c) != 0
        && ClassifyPointToSegment2D(p, b, a) != 0;
}

bool SegmentsIntersect2D(const D3DXVECTOR4& p1, const D3DXVECTOR4& p2, const D3DXVECTOR4& p3,
                         const D3DXVECTOR4& p4)
{
    if (std::min(p1.x, p2.x) > std::max(p3.x, p4.x) || std::max(p1.x, p2.x) < std::min(p3.x, p4.x)
        || std::min(p1.y, p2.y) > std::max(p3.y, p4.y) || std::max(p1.y, p2.y) < std::min(p3.y, p4.y))
        return false;
    const float ax = p2.x - p1.x;
    const float ay = p2.y - p1.y;
    const float cx = p4.x - p3.x;
    const float cy = p4.y - p3.y;
    const float ex = p1.x - p3.x;
    const float ey = p1.y - p3.y;
    float denominator = cy * ax - cx * ay;
    if (denominator == 0.0f)
        return false;
    float s = ey * ax - ex * ay;
    float t = ey * cx - ex * cy;
    if (denominator < 0.0f) {
        s = -s;
        t = -t;
        denominator = -denominator;
    }
    return s >= 0.0f && s <= denominator && t >= 0.0f && t <= denominator;
}

bool RectOverlapsTriangle2D(const D3DXVECTOR4& c0, const D3DXVECTOR4& c1, const D3DXVECTOR4& c2,
                            const D3DXVECTOR4& c3, const D3DXVECTOR4& t0, const D3DXVECTOR4& t1,
                            const D3DXVECTOR4& t2)
{
    for (const D3DXVECTOR4* t : { &t0, &t1, &t2 }) {
        if (c0.x <= t->x && t->x <= c1.x && c0.y <= t->y && t->y <= c2.y)
            return true;
    }
    for (const D3DXVECTOR4* c : { &c0, &c1, &c2, &c3 }) {
        if (PointInTriangle2D(*c, t0, t1, t2))
            return true;
    }
    return EdgesMeet(c0, c1, c2, c3, t0, t1, t2);
}

// --- Grid --------------------------------------------------------------------

void CPCollisionGrid::Clear()
{
    m_columns.clear();
    m_vertices.clear();
    m_triangles.clear();
    m_origin = D3DXVECTOR3();
    m_columnCount = m_rowCount = 0;
    m_vertexCount = m_triangleCount = 0;
    ++m_buildCount;
    m_stamp = NextStamp();
}

uint64_t CPCollisionGrid::NextStamp()
{
    static uint64_t s_last = 0;
    return ++s_last;
}

void CPCollisionGrid::Build(CPSmartPtr<CPRenderObject> body)
{
    Clear();
    if (!body || !body->GetOwner())
        return;
    const std::vector<CPVertex>& source = static_cast<const CPRenderObject&>(*body).GetLocalVertices();
    const std::vector<uint16_t>& indices = body->GetIndices();
    const D3DXMATRIX& world = body->GetOwner()->GetWorldMatrix();

    m_vertexCount = static_cast<int32_t>(source.size());
    m_vertices.resize(source.size());
    D3DXVECTOR3 minimum;
    D3DXVECTOR3 maximum;
    for (size_t i = 0; i < source.size(); ++i) {
        D3DXVec3TransformCoord(&m_vertices[i], &source[i].position, &world);
        const D3DXVECTOR3& v = m_vertices[i];
        minimum = D3DXVECTOR3(std::min(minimum.x, v.x), std::min(minimum.y, v.y), std::min(minimum.z, v.z));
        maximum = D3DXVECTOR3(std::max(maximum.x, v.x), std::max(maximum.y, v.y), std::max(maximum.z, v.z));
    }
    m_origin = minimum;
    m_columnCount = static_cast<int32_t>(std::ceil((maximum.x - minimum.x) * kInverseCellSize)) + kMargin;
    m_rowCount = static_cast<int32_t>(std::ceil((maximum.y - minimum.y) * kInverseCellSize)) + kMargin;
    m_columns.assign(static_cast<size_t>(m_columnCount), std::vector<CPCollisionCell>(static_cast<size_t>(m_rowCount)));

    // Whole triples only; one that names a vertex past the end is kept as an
    // unset record and listed in no cell.
    m_triangleCount = static_cast<int32_t>(indices.size() / 3);
    m_triangles.assign(static_cast<size_t>(m_triangleCount), CPPhysicTerrainTriangle());
    for (int32_t t = 0; t < m_triangleCount; ++t) {
        const uint16_t* triple = &indices[static_cast<size_t>(t) * 3];
        if (triple[0] >= m_vertexCount || triple[1] >= m_vertexCount || triple[2] >= m_vertexCount)
            continue;
        CPPhysicTerrainTriangle& record = m_triangles[static_cast<size_t>(t)];
        D3DXVECTOR4 corner[3];
        int32_t lowColumn = m_columnCount;
        int32_t highColumn = -1;
        int32_t lowRow = m_rowCount;
        int32_t highRow = -1;
        for (int k = 0; k < 3; ++k) {
            record.m_vertex[k] = triple[k];
            corner[k] = Point(m_vertices[triple[k]]);
            const D3DXVECTOR4 cell = CellOf(corner[k]);
            lowColumn = std::min(lowColumn, static_cast<int32_t>(cell.x));
            highColumn = std::max(highColumn, static_cast<int32_t>(cell.x));
            lowRow = std::min(lowRow, static_cast<int32_t>(cell.y));
            highRow = std::max(highRow, static_cast<int32_t>(cell.y));
        }
        const CellWindow window = { std::max(lowColumn - 1, 0), std::min(highColumn + 1, m_columnCount - 1),
                                    std::max(lowRow - 1, 0), std::min(highRow + 1, m_rowCount - 1) };
        ListTriangle(m_columns, m_origin, t, corner, window);
    }
}

D3DXVECTOR4 CPCollisionGrid::CellOf(const D3DXVECTOR4& point) const
{
    const int32_t column = ClampedCell((point.x - m_origin.x) * kInverseCellSize, m_columnCount);
    const int32_t row = ClampedCell((point.y - m_origin.y) * kInverseCellSize, m_rowCount);
    return D3DXVECTOR4(static_cast<float>(column), static_cast<float>(row), 0.0f, 0.0f);
}

const CPCollisionCell& CPCollisionGrid::CellList(const D3DXVECTOR4& cell) const
{
    if (!(cell.x >= 0.0f && cell.x < static_cast<float>(m_columnCount) && cell.y >= 0.0f
          && cell.y < static_cast<float>(m_rowCount)))
        return EmptyCell();
    return CellList(static_cast<int32_t>(cell.x), static_cast<int32_t>(cell.y));
}

const CPCollisionCell& CPCollisionGrid::CellList(int32_t column, int32_t row) const
{
    if (column < 0 || column >= m_columnCount || row < 0 || row >= m_rowCount)
        return EmptyCell();
    return m_columns[static_cast<size_t>(column)][static_cast<size_t>(row)];
}

bool CPCollisionGrid::CellHasTriangle(int32_t triangle, const D3DXVECTOR4& cell) const
{
    return HasTriangle(CellList(cell), triangle);
}

float CPCollisionGrid::FindNearest(const D3DXVECTOR4& point) const
{
    const CPCollisionCell& cell = CellList(CellOf(point));
    float best = kNearestStart;
    float result = 0.0f;
    for (const int32_t t : cell.m_triangles) {
        for (const int32_t v : m_triangles[static_cast<size_t>(t)].m_vertex) {
            const D3DXVECTOR3& vertex = m_vertices[static_cast<size_t>(v)];
            const float dx = vertex.x - point.x;
            const float dy = vertex.y - point.y;
            const float dz = vertex.z - point.z;
            const float squared = dx * dx + dy * dy + dz * dz;
            const float distance = squared < kMinSquaredLength ? 0.0f : std::sqrt(squared);
            if (distance < best) {
                best = distance;
                result = vertex.z;
            }
        }
    }
    return result;
}
