// Animated object: the body of a game object that plays morph clips (kind 1).
// It holds the object's named clips and shows one of them, chosen by the full
// time since the clip started, for a given number of passes, reporting to a
// script object when it reaches a given frame or stops.
#pragma once

#include "Core/PSmartPtr.h"
#include "Render/PRenderable.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CPAnimation;
struct CPAnimationFrame;
class CPCommandTarget;
class CPGameObject;
class CPVertexModifier;
struct CPAnimationRequest;

class CPAnimatedObject : public CPRenderable
{
public:
    using ClipMap = std::unordered_map<std::string, CPSmartPtr<CPAnimation>>;

    CPAnimatedObject();
    // Deletes the vertex modifiers.
    ~CPAnimatedObject() override;

    int32_t GetObjectSize() const override;
    // "CPAnimatedObject".
    std::string GetTypeName() const override;

    // Never hidden: an animated body always goes through the batches.
    bool IsHidden() const override { return false; }
    void SetHidden(bool) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    // Releases the previous material and holds the new one.
    void SetMaterial(const CPSmartPtr<CPMaterial>& material);

    // Counts of the frame that the next fill writes (the same selection,
    // including a stop it would make); 0 without a clip or frames.
    int32_t GetVertexCount() override;
    int32_t GetIndexCount() override;
    // Picks the frame for the full time (counting passes, stopping at the
    // pass limit with "animation_stopped", reporting the report frame once a
    // pass with "animation_report"), then writes its vertices placed by the
    // owner's world matrix and its indices plus the base index, the winding
    // kept front-facing under a mirroring matrix.
    void FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t unused) override;
    // Animated bodies have no static buffer: nothing is copied.
    void CopyIndices(uint16_t*, int32_t, int32_t&, int32_t&) override {}

    // Files the clip under the name. The first clip added becomes the
    // current one and clears the stopped flag.
    void AddAnimation(const std::string& name, const CPSmartPtr<CPAnimation>& animation);
    // Takes ownership; the modifiers run in order over the written vertices.
    void AddModifier(CPVertexModifier* modifier);
    const std::vector<CPVertexModifier*>& GetModifiers() const { return m_modifiers; }

    // Shares every clip of the source, copies its playing state and
    // material, and clones its modifiers. The caller sets the owner.
    virtual void CopyFrom(const CPAnimatedObject& source);

    // Starts the request's clip from the current full time plus the request's
    // offset, with its speed, pass limit, report frame and report target.
    // Nothing changes when the clip is not one of the body's, or when it is
    // already the current clip and restart is false. The modifiers restart.
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
    // Index of the frame written by the last fill, -1 for none.
    int32_t GetShownFrame() const { return m_shownFrame; }
    bool IsStopped() const { return m_stopped != 0; }

private:
    // The frame index the next fill shows, without changing anything; -1
    // without frames. `stops` tells whether that fill ends the last pass.
    int32_t SelectFrame(bool& stops) const;
    const CPAnimationFrame* FrameAt(int32_t index) const;
    void SendToTarget(const char* command) const;

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
    // Kept as an index: a clip read again replaces its frames.
    int32_t m_shownFrame = -1;
    uint8_t m_stopped = 0;
    // Emptied when the clip stops.
    std::string m_clipName;
    uint8_t m_modifiersOn = 0;
    std::vector<CPVertexModifier*> m_modifiers;
};
