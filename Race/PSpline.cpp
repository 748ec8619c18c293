#include "Race/PSpline.h"

#include "Core/PFileReader.h"
#include "Race/PRaceLinks.h"
#include "Render/PLayerEntry.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"

#include <cmath>

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kLengthSampleStep = 0.1f;
// Floats of one segment record: P0, P3, P1, P2.
constexpr int32_t kSegmentBytes = 12 * 4;
// The debug body indexes its three vertices per line with 16 bits.
constexpr float kMaxLines = 65535.0f / 3.0f;
const char* const kDebugEffect = "test.fx";
const char* const kDebugTexture = "error.tga";

D3DXVECTOR3 ReadPoint(CPFileReader& reader)
{
    D3DXVECTOR3 point;
    point.x = reader.ReadFloat();
    point.y = reader.ReadFloat();
    point.z = reader.ReadFloat();
    return point;
}

bool InWindow(const D3DXVECTOR3& point, const D3DXVECTOR3& centre, float radius)
{
    return centre.x - radius <= point.x && point.x <= centre.x + radius && centre.y - radius <= point.y
        && point.y <= centre.y + radius;
}

float SquaredGroundDistance(const D3DXVECTOR3& position, const CPLine& line)
{
    const float dx = position.x - line.centre.x;
    const float dy = position.y - line.centre.y;
    return dx * dx + dy * dy;
}
}

D3DXVECTOR3 BezierPoint(const CPSplineSegment& segment, float t)
{
    const float s = 1.0f - t;
    const float a = s * s * s;
    const float b = 3.0f * t * s * s;
    const float c = 3.0f * t * t * s;
    const float d = t * t * t;
    return D3DXVECTOR3(a * segment.p0.x + b * segment.p1.x + c * segment.p2.x + d * segment.p3.x,
                       a * segment.p0.y + b * segment.p1.y + c * segment.p2.y + d * segment.p3.y,
                       a * segment.p0.z + b * segment.p1.z + c * segment.p2.z + d * segment.p3.z);
}

std::string CPLine::GetTypeName() const
{
    return "CPLine";
}

CPSpline::CPSpline()
    : CPGameObject("CPSpline")
{
}

CPSpline::~CPSpline() = default;

int32_t CPSpline::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPSpline));
}

std::string CPSpline::GetTypeName() const
{
    return "CPSpline";
}

void CPSpline::Activate(int32_t) {}

void CPSpline::Deactivate() {}

bool CPSpline::Load(CPFileReader& reader)
{
    CPRenderObject* body = new CPRenderObject(this);
    SetBody(body, kBodyRenderObject);

    // The name: a length and that many bytes, up to the first zero byte.
    const int32_t nameLength = reader.ReadInt();
    if (nameLength > reader.GetRemaining())
        return false;
    m_pathName.clear();
    if (nameLength > 0) {
        m_pathName.resize(static_cast<size_t>(nameLength));
        reader.Read(&m_pathName[0], m_pathName.size());
        const size_t end = m_pathName.find('\0');
        if (end != std::string::npos)
            m_pathName.resize(end);
    }
    m_closed = reader.ReadInt() != 0 ? 1 : 0;
    const int32_t count = reader.ReadInt();
    // A record that ends inside its header, or whose segments run past the
    // bytes left, is refused.
    if (reader.HasOverrun() || (count > 0 && count > reader.GetRemaining() / kSegmentBytes))
        return false;
    m_totalLength = 0.0f;

    if (count > 0)
        m_segments.reserve(m_segments.size() + static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        CPSplineSegment segment;
        segment.p0 = ReadPoint(reader);
        segment.p3 = ReadPoint(reader);
        segment.p1 = ReadPoint(reader);
        segment.p2 = ReadPoint(reader);
        // The length measure is the chord to the last sample before t passes
        // 1.0 in single precision: the point at t = 0.9.
        float t = kLengthSampleStep;
        do {
            const D3DXVECTOR3 delta = BezierPoint(segment, t) - segment.p0;
            segment.length = D3DXVec3Length(&delta);
            t += kLengthSampleStep;
        } while (t <= 1.0f);
        m_totalLength += segment.length;
        m_segments.push_back(segment);
    }

    if (!std::isfinite(m_totalLength) || m_totalLength / kLineStep > kMaxLines) {
        // More lines than the body can index (or no usable length at all).
        m_segments.clear();
        m_totalLength = 0.0f;
        return false;
    }

    // The steps the cutting loop below takes, counted with the same float
    // sums so that every line, vertex and index is stored without a regrow.
    size_t steps = 0;
    for (float s = 0.0f; m_totalLength > 0.0f && s < m_totalLength; s += kLineStep)
        ++steps;
    m_lineBlocks.push_back(std::make_unique<CPLine[]>(steps + 1));
    CPLine* block = m_lineBlocks.back().get();
    m_lines.reserve(m_lines.size() + steps + 1);
    m_lines.push_back(block);
    CPLine* line = block;
    m_firstLine = line;
    D3DXVECTOR3 point;
    std::vector<CPVertex>& vertices = body->GetLocalVertices();
    std::vector<uint16_t>& indices = body->GetIndices();
    vertices.reserve(3 * steps);
    indices.reserve(3 * steps);
    for (float s = 0.0f; m_totalLength > 0.0f && s < m_totalLength; s += kLineStep) {
        PointAtDistance(s, point);
        line->start = point;
        PointAtDistance(s + kLineStep, point);
        line->end = point;
        if (line->start.x == line->end.x && line->start.y == line->end.y)
            continue; // filled again by the next step

        const uint16_t base = static_cast<uint16_t>(vertices.size());
        for (const D3DXVECTOR3* corner : { &line->start, &line->end, &line->end }) {
            CPVertex vertex;
            vertex.position = *corner;
            vertices.push_back(vertex);
        }
        for (uint16_t i = 0; i < 3; ++i)
            indices.push_back(static_cast<uint16_t>(base + i));

        const float dx = line->end.x - line->start.x;
        const float dy = line->end.y - line->start.y;
        const float length = std::sqrt(dx * dx + dy * dy);
        const float ux = std::min(1.0f, std::max(-1.0f, dx / length));
        const float uy = dy / length;
        line->direction = uy > 0.0f ? kPi + std::acos(ux) : kPi - std::acos(ux);
        line->centre.x = (line->start.x + line->end.x) * 0.5f;
        line->centre.y = (line->start.y + line->end.y) * 0.5f;

        CPLine* next = line + 1;
        m_lines.push_back(next);
        line->next = next;
        next->previous = line;
        line = next;
    }

    CPLine* last = line->previous;
    if (last) {
        m_firstLine->previous = last;
        last->next = m_firstLine;
        m_currentLine = m_firstLine;
    } else {
        // No complete line: an empty ring.
        m_firstLine = nullptr;
        m_currentLine = nullptr;
    }

    body->SetMaterial(GetRaceMaterial(kLayerSplines, kDebugEffect, { kDebugTexture }));
    return true;
}

void CPSpline::PointAtDistance(float distance, D3DXVECTOR3& point) const
{
    if (!m_closed && distance > m_totalLength)
        return;
    if (m_totalLength <= 0.0f)
        return;
    if (distance > m_totalLength) {
        distance -= m_totalLength;
        // A path far shorter than the distance (down to one whose length is
        // lost in the distance's precision) wraps at once.
        if (distance > m_totalLength) {
            distance = std::fmod(distance, m_totalLength);
            if (distance == 0.0f)
                distance = m_totalLength;
        }
    }
    for (const CPSplineSegment& segment : m_segments) {
        if (distance <= segment.length) {
            const float u = segment.length > 0.0f ? distance / segment.length : 0.0f;
            point = BezierPoint(segment, u);
            return;
        }
        distance -= segment.length;
    }
}

void CPSpline::DropToGround()
{
    for (CPLine* line : m_lines) {
        line->centre.z = FindGroundHeight(D3DXVECTOR3(line->centre.x, line->centre.y, 0.0f));
        line->start.z = FindGroundHeight(D3DXVECTOR3(line->start.x, line->start.y, 0.0f));
        line->end.z = FindGroundHeight(D3DXVECTOR3(line->end.x, line->end.y, 0.0f));
    }
}

float CPSpline::FindNearestLine(const D3DXVECTOR3& position, float& radius, int32_t count, CPLine*& hint)
{
    CPLine* const start = hint ? hint : m_currentLine;
    if (!start) {
        radius = 0.0f;
        return 0.0f;
    }
    m_currentLine = start;
    const float r = radius;
    CPLine* best = start;
    float bestDistance = 100.0f * r;

    enum WalkState { kOutside, kInside, kLeft };
    WalkState backState = InWindow(start->start, position, r) ? kInside : kOutside;
    WalkState foreState = InWindow(start->end, position, r) ? kInside : kOutside;
    if (backState == kInside || foreState == kInside)
        bestDistance = std::min(bestDistance, SquaredGroundDistance(position, *start));

    // One step of a walk: entering the window, comparing inside it, and
    // leaving it for good.
    auto examine = [&](CPLine* line, WalkState& state) {
        const bool inside = InWindow(line->start, position, r) || InWindow(line->end, position, r);
        if (state == kOutside && inside)
            state = kInside;
        if (state != kInside)
            return;
        if (!inside) {
            state = kLeft;
            return;
        }
        const float distance = SquaredGroundDistance(position, *line);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = line;
        }
    };

    CPLine* back = start->previous;
    CPLine* fore = start->next;
    while (back && fore && back != fore && !(backState == kLeft && foreState == kLeft)) {
        examine(back, backState);
        examine(fore, foreState);
        back = back->previous;
        fore = fore->next;
    }

    m_currentLine = best;
    hint = best;
    CPLine* line = best;
    for (int32_t i = 0; i < count && line->previous; ++i)
        line = line->previous;

    const float ex = line->end.x - line->start.x;
    const float ey = line->end.y - line->start.y;
    const float length = std::sqrt(ex * ex + ey * ey);
    radius = length > 0.0f
        ? (ey * (position.x - line->start.x) - ex * (position.y - line->start.y)) / length
        : 0.0f;
    return line->direction;
}
