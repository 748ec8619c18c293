#include "Render/PAnimatedObject.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PCommandTarget.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PHandle.h"
#include "Render/PAnimation.h"
#include "Render/PMaterial.h"
#include "Render/PVertexModifier.h"

#include <cmath>


namespace
{
// Clip maps start with room for this many names.
constexpr size_t kClipBuckets = 100;

const char* const kAnimationStopped = "animation_stopped";
const char* const kAnimationReport = "animation_report";
}

CPAnimatedObject::CPAnimatedObject()
    : m_clips(kClipBuckets)
{
}

CPAnimatedObject::~CPAnimatedObject()
{
    for (CPVertexModifier* modifier : m_modifiers)
        delete modifier;
}

void CPAnimatedObject::AddModifier(CPVertexModifier* modifier)
{
    if (!modifier)
        return;
    m_modifiers.push_back(modifier);
    m_modifiersOn = 1;
}

int32_t CPAnimatedObject::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPAnimatedObject));
}

std::string CPAnimatedObject::GetTypeName() const
{
    return "CPAnimatedObject";
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
    m_modifiersOn = source.m_modifiersOn;
    for (const CPVertexModifier* modifier : source.m_modifiers)
        m_modifiers.push_back(modifier->Clone());
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
    m_shownFrame = -1;
    m_target = request.reportTarget;
    m_stopped = 0;
    for (CPVertexModifier* modifier : m_modifiers)
        modifier->Restart();
}

void CPAnimatedObject::AddAnimation(const std::string& name, const CPSmartPtr<CPAnimation>& animation)
{
    m_clips[name] = animation;
    if (!m_currentClip) {
        m_currentClip = animation;
        m_stopped = 0;
    }
}

const CPAnimationFrame* CPAnimatedObject::FrameAt(int32_t index) const
{
    if (!m_currentClip || index < 0 || static_cast<size_t>(index) >= m_currentClip->m_frames.size())
        return nullptr;
    return &m_currentClip->m_frames[static_cast<size_t>(index)];
}

int32_t CPAnimatedObject::SelectFrame(bool& stops) const
{
    stops = false;
    if (!m_currentClip || m_currentClip->m_frames.empty())
        return -1;
    const int32_t count = static_cast<int32_t>(m_currentClip->m_frames.size());
    // Once stopped the body holds the second-to-last frame.
    const int32_t held = count >= 2 ? count - 2 : 0;
    if (m_stopped)
        return m_shownFrame >= 0 && m_shownFrame < count ? m_shownFrame : held;

    int32_t frame = 0;
    const double frameTime = m_currentClip->m_frameTime;
    if (frameTime > 0.0) {
        const double length = frameTime * count;
        double t = (g_FullTime - m_startTime) * m_speed;
        // Whole lengths come off at once; a time equal to the length still
        // shows the last frame.
        if (t > length)
            t -= (std::ceil(t / length) - 1.0) * length;
        const double k = std::trunc(t / frameTime);
        if (k >= count)
            frame = count - 1;
        else if (k > 0.0)
            frame = static_cast<int32_t>(k);
    }

    if (m_shownFrame >= 0 && frame < m_shownFrame && m_loopLimit > 0 && m_loopCount + 1 >= m_loopLimit) {
        stops = true;
        return held;
    }
    return frame;
}

int32_t CPAnimatedObject::GetVertexCount()
{
    bool stops = false;
    const CPAnimationFrame* frame = FrameAt(SelectFrame(stops));
    return frame ? static_cast<int32_t>(frame->vertices.size()) : 0;
}

int32_t CPAnimatedObject::GetIndexCount()
{
    bool stops = false;
    const CPAnimationFrame* frame = FrameAt(SelectFrame(stops));
    return frame ? static_cast<int32_t>(frame->indices.size()) : 0;
}

void CPAnimatedObject::SendToTarget(const char* command) const
{
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByObject(m_target, command, HandleToString(m_target.Get()));
}

void CPAnimatedObject::FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t)
{
    bool stops = false;
    const int32_t selected = SelectFrame(stops);
    if (selected < 0)
        return;
    // The frame drawn now is this clip's even when the owner starts another.
    const CPSmartPtr<CPAnimation> drawnClip = m_currentClip;
    bool restarted = false;
    if (!m_stopped) {
        if (m_shownFrame >= 0 && selected < m_shownFrame) {
            // The clip wrapped: a new pass begins.
            m_reportedFrame = -1;
            ++m_loopCount;
        }
        if (stops) {
            m_stopped = 1;
            m_shownFrame = selected;
            SendToTarget(kAnimationStopped);
            // The clip name is cleared before the owner hears of the end, so
            // that the owner can start the same clip again; a clip it starts
            // begins afresh from its first frame.
            m_clipName.clear();
            if (m_owner)
                m_owner->OnControllerAnimationEnd();
            restarted = m_stopped == 0;
        } else {
            m_shownFrame = selected;
            if (m_reportFrame >= 0 && m_reportedFrame == -1 && selected >= m_reportFrame) {
                m_reportedFrame = selected;
                SendToTarget(kAnimationReport);
                if (m_owner)
                    m_owner->UpdateController();
            }
        }
    }

    if (!restarted)
        m_shownFrame = selected;
    if (static_cast<size_t>(selected) >= drawnClip->m_frames.size())
        return;
    const CPAnimationFrame* frame = &drawnClip->m_frames[static_cast<size_t>(selected)];
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    if (m_owner)
        world = m_owner->GetWorldMatrix();
    const size_t vertexCount = frame->vertices.size();
    for (size_t i = 0; i < vertexCount; ++i) {
        const CPVertex& source = frame->vertices[i];
        CPVertex& target = vertices[i];
        target = source;
        D3DXVec3TransformCoord(&target.position, &source.position, &world);
        D3DXVec3TransformNormal(&target.normal, &source.normal, &world);
    }
    if (m_modifiersOn) {
        for (CPVertexModifier* modifier : m_modifiers)
            modifier->Apply(vertices, vertices, static_cast<int32_t>(vertexCount));
    }

    const float determinant = world._11 * (world._22 * world._33 - world._23 * world._32)
        - world._12 * (world._21 * world._33 - world._23 * world._31)
        + world._13 * (world._21 * world._32 - world._22 * world._31);
    const bool mirrored = determinant < 0.0f;
    const size_t indexCount = frame->indices.size();
    for (size_t i = 0; i < indexCount; ++i) {
        size_t from = i;
        // Swapping the second and third index of each triangle keeps a
        // mirrored triangle facing the camera.
        if (mirrored && i + 2 - i % 3 < indexCount) {
            if (i % 3 == 1)
                from = i + 1;
            else if (i % 3 == 2)
                from = i - 1;
        }
        indices[i] = static_cast<uint16_t>(frame->indices[from] + baseIndex);
    }
}
