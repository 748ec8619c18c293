// Part animation: a task that moves one part of an object tree through a list
// of key matrices. Each key has the duration of the segment that starts at
// it; the pose between two keys is their element-by-element blend. The pose
// becomes the part's local matrix. At the end of the track the part hears of
// it and the task either starts again from the first key (looping) or stops.
#pragma once

#include "Core/PTask.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;

class CPPartAnimation : public CPTask
{
public:
    // The fewest keys a track needs: it ends on reaching the second-to-last
    // segment and blends towards the key after it.
    static constexpr size_t kMinKeys = 3;

    CPPartAnimation();
    ~CPPartAnimation() override;

    int32_t GetObjectSize() const override;
    // "CPPartAnimation".
    std::string GetTypeName() const override;
    // Advances by the frame time, poses the part and updates its transform.
    // A track shorter than kMinKeys (or with fewer keys than durations) does
    // nothing.
    void Update() override;
    int32_t QueryFlag() override;

    // Replaces the keys and the segment durations (seconds).
    void SetKeys(const std::vector<D3DXMATRIX>& keys, const std::vector<float>& durations);
    // Copies keys, durations and the loop flag.
    void CopyFrom(const CPPartAnimation& source);

    CPGameObject* GetPart() const { return m_part; }
    void SetPart(CPGameObject* part) { m_part = part; }
    bool IsLooping() const { return m_loop != 0; }
    void SetLoop(bool loop) { m_loop = loop ? 1 : 0; }
    const std::vector<D3DXMATRIX>& GetKeys() const { return m_keys; }
    const std::vector<float>& GetDurations() const { return m_durations; }
    float GetTime() const { return m_time; }
    int32_t GetKeyIndex() const { return m_keyIndex; }

private:
    std::vector<D3DXMATRIX> m_keys;
    std::vector<float> m_durations;
    CPGameObject* m_part = nullptr;
    // Seconds spent in the current segment.
    float m_time = 0.0f;
    int32_t m_keyIndex = 0;
    uint8_t m_loop = 0;
};
