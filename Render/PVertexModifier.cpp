#include "Render/PVertexModifier.h"

#include "Core/PGameHost.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"

#include <cmath>
#include <cstdlib>

namespace
{
constexpr D3DCOLOR kWhite = 0x00FFFFFF;
constexpr float kByteScale = 0.003921569f; // 1 / 255
// The largest atlas "anim" accepts: a description cannot make it allocate
// without bound.
constexpr int64_t kMaxAnimCells = 65536;

D3DCOLOR WhiteWithAlpha(float alpha)
{
    const float bounded = std::fmin(std::fmax(alpha, -2147483648.0f), 2147483520.0f);
    return static_cast<D3DCOLOR>(static_cast<int32_t>(bounded)) << 24 | kWhite;
}

// Brings an offset into [0, 1] by whole units: one above 1 ends in (0, 1],
// one below 0 in [0, 1).
float WrapOffset(float offset)
{
    if (!std::isfinite(offset))
        return 0.0f;
    if (offset > 1.0f)
        offset -= std::ceil(offset - 1.0f);
    else if (offset < 0.0f)
        offset += std::ceil(-offset);
    return offset;
}
}

// --- "environment" ----------------------------------------------------------------

CPEnvironmentModifier::CPEnvironmentModifier(float scale)
    : m_scale(scale)
{
}

void CPEnvironmentModifier::Update(float /*dt*/)
{
}

void CPEnvironmentModifier::Apply(CPVertex* destination, const CPVertex* source, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const CPVertex vertex = source[i];
        destination[i] = vertex;
        destination[i].u2 = vertex.position.x / m_scale + vertex.normal.x * 0.5f;
        destination[i].v2 = vertex.position.y / m_scale + vertex.normal.y * 0.5f;
    }
}

CPVertexModifier* CPEnvironmentModifier::Clone() const
{
    return new CPEnvironmentModifier(*this);
}

// --- "fade" -----------------------------------------------------------------------

CPFadeModifier::CPFadeModifier(float rate)
    : m_rate(rate),
      m_level(kOpaque)
{
}

void CPFadeModifier::Update(float dt)
{
    m_level -= dt * m_rate;
    if (m_level < 0.0f)
        m_level = 0.0f;
}

void CPFadeModifier::Apply(CPVertex* destination, const CPVertex* source, int32_t count)
{
    Update(g_FrameTime);
    const D3DCOLOR colour = WhiteWithAlpha(m_level);
    for (int32_t i = 0; i < count; ++i) {
        destination[i] = source[i];
        destination[i].diffuse = colour;
    }
}

CPVertexModifier* CPFadeModifier::Clone() const
{
    return new CPFadeModifier(*this);
}

void CPFadeModifier::Restart()
{
    m_level = kOpaque;
}

// --- "movingtex" ------------------------------------------------------------------

CPMovingTexModifier::CPMovingTexModifier(float speedU, float speedV)
    : m_speedU(speedU),
      m_speedV(speedV)
{
    const float start = static_cast<float>(crt::rand());
    m_offsetU = start * speedU;
    m_offsetV = start * speedV;
}

void CPMovingTexModifier::Update(float dt)
{
    m_offsetU = WrapOffset(m_offsetU + dt * m_speedU);
    m_offsetV = WrapOffset(m_offsetV + dt * m_speedV);
}

void CPMovingTexModifier::Apply(CPVertex* destination, const CPVertex* source, int32_t count)
{
    Update(g_FrameTime);
    for (int32_t i = 0; i < count; ++i) {
        destination[i] = source[i];
        destination[i].u1 += m_offsetU;
        destination[i].v1 += m_offsetV;
    }
}

CPVertexModifier* CPMovingTexModifier::Clone() const
{
    return new CPMovingTexModifier(*this);
}

// --- "flick" ----------------------------------------------------------------------

CPFlickModifier::CPFlickModifier(float frequency, uint8_t minimum, uint8_t maximum)
    : m_frequency(frequency),
      m_maximum(maximum),
      m_level(0xFFFFFF),
      m_amplitude((static_cast<float>(maximum) - static_cast<float>(minimum)) * 0.5f)
{
    m_middle = static_cast<uint8_t>(static_cast<int32_t>(m_amplitude) + minimum);
    m_phase = static_cast<float>(crt::rand());
}

void CPFlickModifier::Update(float dt)
{
    m_phase += dt;
    const float level = std::sin(m_phase * m_frequency) * m_amplitude + m_middle;
    m_level = std::isfinite(level) ? static_cast<int32_t>(level) : m_middle;
}

void CPFlickModifier::Apply(CPVertex* destination, const CPVertex* source, int32_t count)
{
    Update(g_FrameTime);
    for (int32_t i = 0; i < count; ++i) {
        const float alpha = static_cast<float>(source[i].diffuse >> 24);
        destination[i] = source[i];
        destination[i].diffuse = WhiteWithAlpha(alpha * static_cast<float>(m_level) * kByteScale);
    }
}

CPVertexModifier* CPFlickModifier::Clone() const
{
    return new CPFlickModifier(*this);
}

// --- "anim" -----------------------------------------------------------------------

CPAnimModifier::CPAnimModifier(int32_t columns, int32_t rows, float rate)
    : m_columns(columns),
      m_rows(rows),
      m_rate(rate),
      m_time(0.0f),
      m_cellWidth(1.0f / static_cast<float>(columns)),
      m_cellHeight(1.0f / static_cast<float>(rows)),
      m_currentCell(0),
      m_cellCount(columns * rows)
{
    m_cellU.reserve(static_cast<size_t>(m_cellCount));
    m_cellV.reserve(static_cast<size_t>(m_cellCount));
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            m_cellU.push_back(static_cast<float>(column) / static_cast<float>(columns));
            m_cellV.push_back(static_cast<float>(row) / static_cast<float>(rows));
        }
    }
}

void CPAnimModifier::Update(float dt)
{
    m_time += dt;
    // The cell number wraps into [0, count) whatever the sign or size of
    // time x rate.
    const double cell = std::fmod(std::trunc(static_cast<double>(m_time) * m_rate), m_cellCount);
    m_currentCell = std::isfinite(cell) ? static_cast<int32_t>(cell < 0.0 ? cell + m_cellCount : cell) : 0;
    if (m_currentCell >= m_cellCount)
        m_currentCell = 0;
}

void CPAnimModifier::Apply(CPVertex* destination, const CPVertex* source, int32_t count)
{
    Update(g_FrameTime);
    const float cellU = m_cellU[static_cast<size_t>(m_currentCell)];
    const float cellV = m_cellV[static_cast<size_t>(m_currentCell)];
    for (int32_t i = 0; i < count; ++i) {
        destination[i] = source[i];
        destination[i].u1 = source[i].u1 / static_cast<float>(m_columns) + cellU;
        destination[i].v1 = source[i].v1 / static_cast<float>(m_rows) + cellV;
    }
}

CPVertexModifier* CPAnimModifier::Clone() const
{
    return new CPAnimModifier(*this);
}

// --- Factory ----------------------------------------------------------------------

CPVertexModifier* CreateVertexModifier(const std::string& name, const std::vector<std::string>& arguments)
{
    std::string kind = name;
    ToLowerString(kind);
    for (const std::string& argument : arguments) {
        if (!IsFloatString(argument))
            return nullptr;
    }
    const auto number = [&arguments](size_t index) { return static_cast<float>(std::atof(arguments[index].c_str())); };
    const auto integer = [&arguments](size_t index) { return std::atoi(arguments[index].c_str()); };

    if (kind == "environment" && arguments.size() == 1)
        return new CPEnvironmentModifier(number(0));
    if (kind == "fade" && arguments.size() == 1)
        return new CPFadeModifier(number(0));
    if (kind == "movingtex" && arguments.size() == 2)
        return new CPMovingTexModifier(number(0), number(1));
    if (kind == "flick" && arguments.size() == 3)
        return new CPFlickModifier(number(0), static_cast<uint8_t>(integer(1)), static_cast<uint8_t>(integer(2)));
    if (kind == "anim" && arguments.size() == 3) {
        const int32_t columns = integer(0);
        const int32_t rows = integer(1);
        if (columns < 1 || rows < 1 || static_cast<int64_t>(columns) * rows > kMaxAnimCells)
            return nullptr;
        return new CPAnimModifier(columns, rows, number(2));
    }
    return nullptr;
}
