#include "Core/PUtils.h"

#include "Platform/CRand.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

std::string& TrimString(std::string& text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    TrimBounds(begin, end);
    // In place: the parsers trim every line and token, and keep their buffers.
    text.erase(static_cast<size_t>(end - text.data()));
    text.erase(0, static_cast<size_t>(begin - text.data()));
    return text;
}

bool IsFloatString(const std::string& text)
{
    for (char c : text) {
        if (c != '-' && c != '.' && (c < '0' || c > '9'))
            return false;
    }
    return true;
}

bool IsIntString(const std::string& text)
{
    for (char c : text) {
        if (c != '-' && (c < '0' || c > '9'))
            return false;
    }
    return true;
}

std::string& ToLowerString(std::string& text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string& ToUpperString(std::string& text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

float RayPlaneIntersect(const float origin[3], const float dir[3], const float plane[4])
{
    const float k = plane[0] * dir[0] + plane[1] * dir[1] + plane[2] * dir[2];
    if (!(k < 0.0f))
        return -1.0f;
    const float distance = plane[0] * origin[0] + plane[1] * origin[1] + plane[2] * origin[2] + plane[3];
    return -distance / k;
}

bool PointInTriangle3D(const float point[3], const float v0[3], const float v1[3], const float v2[3])
{
    const float e1[3] = { v0[0] - v1[0], v0[1] - v1[1], v0[2] - v1[2] };
    const float e2[3] = { v2[0] - v1[0], v2[1] - v1[1], v2[2] - v1[2] };
    const float nx = std::fabs(e1[1] * e2[2] - e1[2] * e2[1]);
    const float ny = std::fabs(e1[2] * e2[0] - e1[0] * e2[2]);
    const float nz = std::fabs(e1[0] * e2[1] - e1[1] * e2[0]);

    int u;
    int v;
    if (nz >= nx && nz >= ny) {
        u = 0;
        v = 1;
    } else if (ny >= nz && ny >= nx) {
        u = 0;
        v = 2;
    } else if (nx >= nz && nx >= ny) {
        u = 1;
        v = 2;
    } else {
        return false; // the normal is not a number
    }

    const float* corners[3] = { v0, v1, v2 };
    int crossings = 0;
    for (int i = 0; i < 3; ++i) {
        const float* a = corners[i];
        const float* b = corners[(i + 1) % 3];
        if (a[u] == b[u])
            continue;
        const float low = std::fmin(a[u], b[u]);
        const float high = std::fmax(a[u], b[u]);
        if (point[u] < low || point[u] > high)
            continue;
        const float edgeV = a[v] + (b[v] - a[v]) * (point[u] - a[u]) / (b[u] - a[u]);
        if (point[v] <= edgeV)
            ++crossings;
    }
    return crossings == 1;
}

float SafeAcos(float x)
{
    if (x > 1.0f)
        x = 1.0f;
    if (x < -1.0f)
        x = -1.0f;
    return std::acos(x);
}

float SafeAsin(float x)
{
    if (x > 1.0f)
        x = 1.0f;
    if (x < -1.0f)
        x = -1.0f;
    return std::asin(x);
}

int32_t TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0)
        return std::numeric_limits<int32_t>::max();
    if (value <= -2147483649.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t StringToInt(const char* text)
{
    if (!text)
        return 0;
    // strtol saturates at the long range and never overflows.
    const long value = std::strtol(text, nullptr, 10);
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

float RandomUnit()
{
    return static_cast<float>(crt::rand()) / static_cast<float>(crt::kRandMax);
}
