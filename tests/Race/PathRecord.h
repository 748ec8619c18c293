// Builds the bytes of path records as the level file stores them: name,
// closed flag, segment count and per segment P0, P3, P1, P2.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct PathSegmentPoints
{
    D3DXVECTOR3 p0, p1, p2, p3;
};

inline void AppendInt(std::string& bytes, int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xff);
}

inline void AppendFloat(std::string& bytes, float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    AppendInt(bytes, bits);
}

inline void AppendPoint(std::string& bytes, const D3DXVECTOR3& point)
{
    AppendFloat(bytes, point.x);
    AppendFloat(bytes, point.y);
    AppendFloat(bytes, point.z);
}

inline std::string PathRecord(const std::string& name, bool closed, const std::vector<PathSegmentPoints>& segments)
{
    std::string bytes;
    AppendInt(bytes, static_cast<int32_t>(name.size()));
    bytes += name;
    AppendInt(bytes, closed ? 1 : 0);
    AppendInt(bytes, static_cast<int32_t>(segments.size()));
    for (const PathSegmentPoints& segment : segments) {
        AppendPoint(bytes, segment.p0);
        AppendPoint(bytes, segment.p3);
        AppendPoint(bytes, segment.p1);
        AppendPoint(bytes, segment.p2);
    }
    return bytes;
}

// A straight segment from a to b with its control points at the thirds, so
// the curve runs evenly and its length measure is 0.9 of the distance.
inline PathSegmentPoints StraightSegment(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 step = (b - a) / 3.0f;
    return { a, a + step, a + step * 2.0f, b };
}
