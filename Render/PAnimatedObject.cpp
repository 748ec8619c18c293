#include "Render/PAnimatedObject.h"

#include "Core/PCommandTarget.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Render/PAnimation.h"
#include "Render/PMaterial.h"

#include <algorithm>

namespace
{
// Clip maps start with room for this many names.
constexpr size_t kClipBuckets = 100;
}

CPAnimatedObject::CPAnimatedObject()
    : m_clips(kClipBuckets)
{
}

CPAnimatedObject::~CPAnimatedObject() = default;

int32_t CPAnimatedObject::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPAnimatedObject));
}

std::string CPAnimatedObject::GetTypeName() const
{
    return "CPAnimatedObject";
}

int32_t CPAnimatedObject::GetVertexCount()
{
    return m_shownFrame ? static_cast<int32_t>(m_shownFrame->vertices.size()) : 0;
}

int32_t CPAnimatedObject::GetIndexCount()
{
    return m_shownFrame ? static_cast<int32_t>(m_shownFrame->indices.size()) : 0;
}

void CPAnimatedObject::FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t)
{
    if (!m_shownFrame)
        return;
    std::copy(m_shownFrame->vertices.begin(), m_shownFrame->vertices.end(), vertices);
    for (const uint16_t index : m_shownFrame->indices)
        *indices++ = static_cast<uint16_t>(index + baseIndex);
}

CPSmartPtr<CPMaterial> CPAnimatedObject::GetMaterial() const
{
    return m_material;
}

void CPAnimatedObject::SetMaterial(const CPSmartPtr<CPMaterial>& material)
{
    m_material = material;
}

void CPAnimatedObject::CopyFrom(const CPAnimatedObject& source)
{
    for (const auto& entry : source.m_clips)
        m_clips[entry.first] = entry.second;
    m_currentClip = source.m_currentClip;
    m_startTime = source.m_startTime;
    m_loopLimit = source.m_loopLimit;
    m_loopCount = source.m_loopCount;
    m_reportedFrame = source.m_reportedFrame;
    m_reportFrame = source.m_reportFrame;
    m_speed = source.m_speed;
    m_target = source.m_target;
    m_shownFrame = source.m_shownFrame;
    m_stopped = source.m_stopped;
    m_clipName = source.m_clipName;
    m_material = source.m_material;
}

void CPAnimatedObject::SetAnimation(const CPAnimationRequest& request, bool restart)
{
    const auto clip = m_clips.find(request.name);
    if (clip == m_clips.end())
        return;
    if (!restart && request.name == m_clipName)
        return;
    m_clipName = request.name;
    m_currentClip = clip->second;
    m_startTime = static_cast<float>(g_FullTime + request.startOffset);
    m_loopCount = 0;
    m_loopLimit = request.loopLimit;
    m_reportedFrame = -1;
    m_reportFrame = request.reportFrame;
    m_speed = request.speed;
    m_shownFrame = nullptr;
    m_target = request.reportTarget;
    m_stopped = 0;
}
