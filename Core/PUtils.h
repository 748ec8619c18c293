// Small shared helpers: character and string tests, in-place trimming and
// case folding, a ray-plane distance, a point-in-triangle test and arc
// functions that never fail. The file reader, the text parsers and the
// configuration reader all trim and fold through these.
#pragma once

#include <cstdint>
#include <string>

// Tab, line feed, carriage return and space.
inline bool IsSpace(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
// Removes leading and trailing space characters; returns the same string.
std::string& TrimString(std::string& text);
// Narrows [begin, end) to its text without leading and trailing spaces.
inline void TrimBounds(const char*& begin, const char*& end)
{
    while (begin < end && IsSpace(*begin))
        ++begin;
    while (end > begin && IsSpace(end[-1]))
        --end;
}
// True when every character is '-', '.' or a digit (true for "").
bool IsFloatString(const std::string& text);
// True when every character is '-' or a digit (true for "").
bool IsIntString(const std::string& text);
// The game's one degrees-to-radians factor: angles in level, camera, sky and
// weapon data are degrees, scaled by this exact float.
constexpr float kDegreesToRadians = 0.017453292f;

// ASCII case folding in place; other bytes are left alone.
std::string& ToLowerString(std::string& text);
std::string& ToUpperString(std::string& text);

// The ray parameter t at which origin + t * dir meets the plane
// (a, b, c, d), or -1 when the ray runs parallel to the plane or along its
// normal. t is negative when the plane lies behind the origin.
float RayPlaneIntersect(const float origin[3], const float dir[3], const float plane[4]);
// True when the point lies inside the triangle, tested in the projection
// onto the two axes the triangle's normal spans least.
bool PointInTriangle3D(const float point[3], const float v0[3], const float v1[3], const float v2[3]);

// Arc cosine and arc sine of x clamped to [-1, 1], in radians.
float SafeAcos(float x);
float SafeAsin(float x);
// The next value of the shared random generator over its range: 0 to 1.
float RandomUnit();

// A double truncated toward zero into 32 bits: 4.9 gives 4, -4.9 gives -4.
// Values beyond the range give the nearest limit and NaN gives 0, where a
// plain cast would be undefined.
int32_t TruncateToInt(double value);
// a + b in 32 bits as the game's integers add: past the largest value the
// sum wraps round to the smallest, where signed overflow would be undefined.
inline int32_t AddWrapping(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
// The rules of atoi (leading white space, an optional sign, digits up to the
// first non-digit; 0 when there are none), saturating instead of overflowing.
int32_t StringToInt(const char* text);
