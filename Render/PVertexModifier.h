// Vertex modifiers: per-vertex animators a render body applies each time it
// writes its vertices into a batch. Each keeps its own clock, advanced by the
// frame time on every Apply. Scene descriptions attach them by name with a
// short argument list through CreateVertexModifier:
//   "environment" scale                 second texture pair from position and normal
//   "fade" rate                         alpha falls from 255 by rate per second
//   "movingtex" speedU speedV           first texture pair scrolls
//   "flick" frequency minimum maximum   alpha flickers between the two
//   "anim" columns rows rate            first texture pair steps through an atlas
#pragma once

#include "Render/PVertex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPVertexModifier
{
public:
    CPVertexModifier() = default;
    CPVertexModifier(const CPVertexModifier&) = default;
    CPVertexModifier& operator=(const CPVertexModifier&) = default;

    // Advances the modifier's state by dt seconds.
    virtual void Update(float dt) = 0;
    virtual ~CPVertexModifier() = default;
    // Copies each source vertex to the destination and changes the copy;
    // destination and source may be the same array.
    virtual void Apply(CPVertex* destination, const CPVertex* source, int32_t count) = 0;
    // A new modifier of the same class and state, owned by the caller.
    virtual CPVertexModifier* Clone() const = 0;
    // Back to the starting state; nothing unless a modifier says otherwise.
    virtual void Restart() {}
};

class CPEnvironmentModifier : public CPVertexModifier
{
public:
    explicit CPEnvironmentModifier(float scale);
    void Update(float dt) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPVertexModifier* Clone() const override;

    float GetScale() const { return m_scale; }

private:
    float m_scale;
};

class CPFadeModifier : public CPVertexModifier
{
public:
    static constexpr float kOpaque = 255.0f;

    explicit CPFadeModifier(float rate);
    void Update(float dt) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPVertexModifier* Clone() const override;
    // Opaque again.
    void Restart() override;

    float GetLevel() const { return m_level; }

private:
    float m_rate;
    float m_level;
};

class CPMovingTexModifier : public CPVertexModifier
{
public:
    // Starts at a random offset: one draw of the engine's generator times
    // each speed.
    CPMovingTexModifier(float speedU, float speedV);
    void Update(float dt) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPVertexModifier* Clone() const override;

    float GetOffsetU() const { return m_offsetU; }
    float GetOffsetV() const { return m_offsetV; }

private:
    float m_speedU;
    float m_speedV;
    float m_offsetU;
    float m_offsetV;
};

class CPFlickModifier : public CPVertexModifier
{
public:
    // Starts at a random phase from the engine's generator.
    CPFlickModifier(float frequency, uint8_t minimum, uint8_t maximum);
    void Update(float dt) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPVertexModifier* Clone() const override;

    int32_t GetLevel() const { return m_level; }
    uint8_t GetMiddle() const { return m_middle; }
    float GetAmplitude() const { return m_amplitude; }

private:
    float m_frequency;
    uint8_t m_middle;
    [[maybe_unused]] uint8_t m_maximum;
    int32_t m_level;
    float m_amplitude;
    float m_phase;
};

class CPAnimModifier : public CPVertexModifier
{
public:
    // An atlas of columns x rows cells read row by row; both at least 1.
    CPAnimModifier(int32_t columns, int32_t rows, float rate);
    void Update(float dt) override;
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override;
    CPVertexModifier* Clone() const override;

    int32_t GetCurrentCell() const { return m_currentCell; }

private:
    int32_t m_columns;
    int32_t m_rows;
    float m_rate;
    float m_time;
    std::vector<float> m_cellU;
    std::vector<float> m_cellV;
    [[maybe_unused]] float m_cellWidth;
    [[maybe_unused]] float m_cellHeight;
    int32_t m_currentCell;
    int32_t m_cellCount;
};

// A new modifier for the name (any case) and its arguments, owned by the
// caller; null for an unknown name, a wrong number of arguments, an argument
// that is not a plain number, or an "anim" atlas without cells.
CPVertexModifier* CreateVertexModifier(const std::string& name, const std::vector<std::string>& arguments);
