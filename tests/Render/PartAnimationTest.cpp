#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Render/PPartAnimation.h"

#include <gtest/gtest.h>

namespace
{
// A part that counts the ends of its animations.
class CountingPart : public CPGameObject
{
public:
    CountingPart()
        : CPGameObject("part")
    {
    }
    void OnAnimationEnd() override { ++ends; }
    int ends = 0;
};

// Keys placing the part at x = 0, 10, 20, 30; each segment takes the given time.
void SetTrack(CPPartAnimation& track, std::vector<float> durations)
{
    std::vector<D3DXMATRIX> keys(4);
    for (int k = 0; k < 4; ++k)
        D3DXMatrixTranslation(&keys[k], 10.0f * k, 0, 0);
    keys.resize(durations.size() < 4 ? durations.size() : 4);
    track.SetKeys(keys, durations);
}

class PartAnimation : public ::testing::Test
{
protected:
    void Step(float seconds)
    {
        g_FrameTime = seconds;
        m_track->Update();
    }
    float PartX() const { return m_part.GetWorldMatrix()._41; }
    void TearDown() override { g_FrameTime = 0; }

    CountingPart m_part;
    CPSmartPtr<CPPartAnimation> m_track{ new CPPartAnimation() };
};
}

TEST_F(PartAnimation, BlendsKeysAndStopsAtTheEnd)
{
    SetTrack(*m_track, { 1, 2, 1, 1 });
    m_track->SetPart(&m_part);
    ASSERT_TRUE(m_track->Start());

    Step(0.25f);
    EXPECT_NEAR(PartX(), 2.5f, 1e-5f);
    Step(1.75f); // 2.0 s: one second into the two-second segment
    EXPECT_EQ(m_track->GetKeyIndex(), 1);
    EXPECT_NEAR(PartX(), 15, 1e-5f);
    EXPECT_EQ(m_part.ends, 0);
    Step(1.5f); // past the second-to-last segment
    EXPECT_EQ(m_part.ends, 1);
    EXPECT_TRUE(m_track->IsFinished());
    EXPECT_EQ(m_track->GetKeyIndex(), 2);
    EXPECT_EQ(m_track->QueryFlag(), 1);
    EXPECT_EQ(m_track->GetTypeName(), "CPPartAnimation");
}

TEST_F(PartAnimation, LoopingStartsOverAndReportsEachEnd)
{
    SetTrack(*m_track, { 1, 1, 1 });
    m_track->SetLoop(true);
    m_track->SetPart(&m_part);
    m_track->Start();
    Step(1.5f); // one pass (one segment) and half of the next
    EXPECT_EQ(m_part.ends, 1);
    EXPECT_EQ(m_track->GetKeyIndex(), 0);
    EXPECT_NEAR(PartX(), 5, 1e-5f);
    Step(2.0f);
    EXPECT_EQ(m_part.ends, 3);
    EXPECT_TRUE(m_track->IsRunning());
}

TEST_F(PartAnimation, TracksThatCannotPlayStayStill)
{
    // Too few keys: nothing moves, nothing ends.
    SetTrack(*m_track, { 1, 1 });
    m_track->SetPart(&m_part);
    m_track->Start();
    Step(5);
    EXPECT_EQ(m_part.ends, 0);
    EXPECT_TRUE(m_track->IsRunning());
    EXPECT_TRUE(m_part.IsDirty());

    // A looping track whose segments take no time ends instead of wrapping for ever.
    SetTrack(*m_track, { 0, 0, 0 });
    m_track->SetLoop(true);
    Step(0.1f);
    EXPECT_EQ(m_part.ends, 1);
    EXPECT_TRUE(m_track->IsFinished());
}

TEST_F(PartAnimation, CopyTakesKeysDurationsAndLoop)
{
    SetTrack(*m_track, { 1, 2, 3 });
    m_track->SetLoop(true);
    m_track->SetPart(&m_part);
    CPPartAnimation copy;
    copy.CopyFrom(*m_track);
    EXPECT_EQ(copy.GetKeys().size(), 3u);
    EXPECT_EQ(copy.GetDurations(), (std::vector<float>{ 1, 2, 3 }));
    EXPECT_TRUE(copy.IsLooping());
    EXPECT_EQ(copy.GetPart(), nullptr);
}
