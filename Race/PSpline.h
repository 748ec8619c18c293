// Paths through a level: a named chain of cubic Bezier segments read from the
// level file and cut into straight lines of 10.5 units linked into a ring.
// The race asks a path for the line nearest a point (the track direction and
// the lateral offset from it); lap counting walks the centre path's ring.
// A path whose every step is degenerate has no line and an empty ring.
#pragma once

#include "Core/PGameObject.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPFileReader;

// One cubic Bezier segment and its length measure.
struct CPSplineSegment
{
    D3DXVECTOR3 p0;
    D3DXVECTOR3 p1;
    D3DXVECTOR3 p2;
    D3DXVECTOR3 p3;
    float length = 0.0f;
};

// The point of a segment at parameter t.
D3DXVECTOR3 BezierPoint(const CPSplineSegment& segment, float t);

// One straight piece of a path: start, end and the centre between them (on
// the ground once dropped), the heading of the way from start to end plus
// pi, and its neighbours in the ring.
class CPLine
{
public:
    virtual ~CPLine() = default;
    // "CPLine".
    virtual std::string GetTypeName() const;

    D3DXVECTOR3 start;
    D3DXVECTOR3 end;
    D3DXVECTOR3 centre;
    float direction = 0.0f;
    CPLine* previous = nullptr;
    CPLine* next = nullptr;
};

class CPSpline : public CPGameObject
{
public:
    // Length of each line along the path.
    static constexpr float kLineStep = 10.5f;

    CPSpline();
    ~CPSpline() override;

    int32_t GetObjectSize() const override;
    // "CPSpline".
    std::string GetTypeName() const override;
    // A path takes no part in the task list.
    void Activate(int32_t order) override;
    void Deactivate() override;

    // Reads one path record at the reader's cursor and builds the segments,
    // the lines, the ring and the debug body. False, with no line built, when
    // the record's name, header or segments run past the end of the data, or
    // when the path is too long for the debug body to index its lines.
    bool Load(CPFileReader& reader);
    // Puts the start, end and centre of every line onto the ground.
    void DropToGround();
    // The line nearest the position, searched outwards from the hint (the
    // current line when the hint is null) within the square window of half
    // size radius. The hint and the current line become the nearest line.
    // Returns the heading of the line `count` steps before it and writes the
    // signed distance of the position from that line into radius (positive
    // on its right). A path without lines returns 0 and writes 0.
    float FindNearestLine(const D3DXVECTOR3& position, float& radius, int32_t count, CPLine*& hint);

    // The path's name from the level file (the game-object name stays
    // "CPSpline").
    const std::string& GetName() const { return m_pathName; }
    float GetTotalLength() const { return m_totalLength; }
    bool IsClosed() const { return m_closed != 0; }
    const std::vector<CPSplineSegment>& GetSegments() const { return m_segments; }
    // Every line object made, the unfinished last one included.
    const std::vector<CPLine*>& GetLines() const { return m_lines; }
    CPLine* GetCurrentLine() const { return m_currentLine; }
    CPLine* GetFirstLine() const { return m_firstLine; }

private:
    // The path point at distance d; keeps `point` as it was where the path
    // has no point there.
    void PointAtDistance(float distance, D3DXVECTOR3& point) const;

    float m_totalLength = 0.0f;
    std::vector<CPSplineSegment> m_segments;
    uint8_t m_closed = 0;
    std::string m_pathName;
    CPLine* m_currentLine = nullptr;
    // The lines of each load live in one block sized before the lines are
    // cut; a block never moves, so the ring links and the pointers callers
    // keep stay valid.
    std::vector<std::unique_ptr<CPLine[]>> m_lineBlocks;
    std::vector<CPLine*> m_lines;
    CPLine* m_firstLine = nullptr;
};
