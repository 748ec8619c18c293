// Animated object: the body of a game object that plays morph clips (kind 1).
// It holds the object's named clips and shows one of them, chosen by the full
// time since the clip started, for a given number of passes, reporting to a
// script object when it reaches a given frame or stops.
#pragma once

#include "Core/PSmartPtr.h"
#include "Render/PRenderable.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class CPAnimation;
class CPCommandTarget;
class CPGameObject;
struct CPAnimationFrame;
struct CPAnimationRequest;

class CPAnimatedObject : public CPRenderable
{
public:
    using ClipMap = std::unordered_map<std::string, CPSmartPtr<CPAnimation>>;

    CPAnimatedObject();
    ~CPAnimatedObject() override;

    int32_t GetObjectSize() const override;
    // "CPAnimatedObject".
    std::string GetTypeName() const override;

    // Never hidden: an animated body always goes through the batches.
    bool IsHidden() const override { return false; }
    void SetHidden(bool) override {}
    // The counts and the writing of the frame shown last; nothing before a
    // frame is shown.
    int32_t GetVertexCount() override;
    int32_t GetIndexCount() override;
    void FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t unused) override;
    // Animated bodies have no static buffer.
    void CopyIndices(uint16_t*, int32_t, int32_t&, int32_t&) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    // Releases the previous material and holds the new one.
    void SetMaterial(const CPSmartPtr<CPMaterial>& material);

    // Shares every clip of the source and copies its playing state and
    // material. The caller sets the owner.
    virtual void CopyFrom(const CPAnimatedObject& source);

    // Starts the request's clip from the current full time plus the request's
    // offset, with its speed, pass limit, report frame and report target.
    // Nothing changes when the clip is not one of the body's, or when it is
    // already the current clip and restart is false.
    void SetAnimation(const CPAnimationRequest& request, bool restart);

    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }
    ClipMap& GetClips() { return m_clips; }
    const ClipMap& GetClips() const { return m_clips; }
    const CPSmartPtr<CPAnimation>& GetCurrentClip() const { return m_currentClip; }
    const std::string& GetClipName() const { return m_clipName; }
    float GetStartTime() const { return m_startTime; }
    int32_t GetLoopLimit() const { return m_loopLimit; }
    int32_t GetLoopCount() const { return m_loopCount; }
    int32_t GetReportedFrame() const { return m_reportedFrame; }
    int32_t GetReportFrame() const { return m_reportFrame; }
    float GetSpeed() const { return m_speed; }
    const CPSmartPtr<CPCommandTarget>& GetTarget() const { return m_target; }
    const CPAnimationFrame* GetShownFrame() const { return m_shownFrame; }
    bool IsStopped() const { return m_stopped != 0; }

private:
    CPGameObject* m_owner = nullptr;
    CPSmartPtr<CPMaterial> m_material;
    ClipMap m_clips;
    CPSmartPtr<CPAnimation> m_currentClip;
    // Full time (seconds) at which the clip started, plus the request's offset.
    float m_startTime = 0.0f;
    // Passes after which the clip stops; 0 or less: endless.
    int32_t m_loopLimit = 0;
    int32_t m_loopCount = 0;
    // Frame reported in this pass, -1 for none yet.
    int32_t m_reportedFrame = -1;
    // Frame at which to report; negative: never.
    int32_t m_reportFrame = -1;
    float m_speed = 1.0f;
    CPSmartPtr<CPCommandTarget> m_target;
    const CPAnimationFrame* m_shownFrame = nullptr;
    uint8_t m_stopped = 0;
    // Emptied when the clip stops.
    std::string m_clipName;
};
