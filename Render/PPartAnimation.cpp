#include "Render/PPartAnimation.h"

#include "Core/PGameHost.h"
#include "Core/PGameObject.h"

CPPartAnimation::CPPartAnimation() = default;

CPPartAnimation::~CPPartAnimation() = default;

int32_t CPPartAnimation::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPPartAnimation));
}

std::string CPPartAnimation::GetTypeName() const
{
    return "CPPartAnimation";
}

int32_t CPPartAnimation::QueryFlag()
{
    return 1;
}

void CPPartAnimation::SetKeys(const std::vector<D3DXMATRIX>& keys, const std::vector<float>& durations)
{
    m_keys = keys;
    m_durations = durations;
}

void CPPartAnimation::CopyFrom(const CPPartAnimation& source)
{
    m_keys = source.m_keys;
    m_durations = source.m_durations;
    m_loop = source.m_loop;
}

void CPPartAnimation::Update()
{
    const size_t count = m_durations.size();
    if (count < kMinKeys || m_keys.size() < count)
        return;
    const int32_t last = static_cast<int32_t>(count) - 2;
    if (m_keyIndex < 0)
        m_keyIndex = 0;
    if (m_keyIndex > last)
        m_keyIndex = last;

    // A looping track whose segments take no time would wrap for ever.
    float cycle = 0.0f;
    for (int32_t k = 0; k < last; ++k)
        cycle += m_durations[k];
    const bool canLoop = m_loop != 0 && cycle > 0.0f;

    m_time += g_FrameTime;
    while (m_time > m_durations[m_keyIndex]) {
        m_time -= m_durations[m_keyIndex];
        ++m_keyIndex;
        if (m_keyIndex < last)
            continue;
        if (canLoop) {
            m_keyIndex = 0;
            if (m_part)
                m_part->OnAnimationEnd();
            continue;
        }
        m_keyIndex = last;
        if (m_part)
            m_part->OnAnimationEnd();
        Stop();
        break;
    }

    if (!m_part)
        return;
    const D3DXMATRIX& from = m_keys[m_keyIndex];
    const D3DXMATRIX& to = m_keys[m_keyIndex + 1];
    const float f = m_durations[m_keyIndex] != 0.0f ? m_time / m_durations[m_keyIndex] : 0.0f;
    m_part->SetPose(from + (to - from) * f);
    m_part->UpdateTransform();
}
