#include "Core/PCommandDispatcher.h"
#include "Core/PCommandTarget.h"
#include "Core/PFileReader.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PHandle.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PAnimationManager.h"
#include "Render/PMaterial.h"
#include "Render/PVertexModifier.h"
#include "ScratchRoot.h"
#include "SceneFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Records the ends and reports the animated body passes on.
class Watcher : public CPGameObject
{
public:
    Watcher()
        : CPGameObject("watcher")
    {
    }
};

class Target : public CPCommandTarget
{
public:
    Target()
        : CPCommandTarget("target")
    {
        Start();
    }
    int32_t GetObjectSize() const override { return sizeof(*this); }
    std::string GetTypeName() const override { return "Target"; }
    void Update() override {}
    int32_t QueryFlag() override { return 0; }
    // Command names received, oldest first.
    std::vector<std::string> Received()
    {
        std::vector<std::string> names;
        while (SetNextCommand())
            names.push_back(GetCurrentCommand()->name);
        return names;
    }
};

// A clip of `count` frames of 0.1 s; frame k holds k + 1 vertices.
CPSmartPtr<CPAnimation> Clip(int count)
{
    CPSmartPtr<CPAnimation> clip(new CPAnimation("clip"));
    clip->m_frameTime = 0.1f;
    clip->m_frameCount = count;
    clip->m_length = 0.1f * count;
    for (int k = 0; k < count; ++k) {
        CPAnimationFrame frame;
        frame.index = k;
        frame.vertices.assign(static_cast<size_t>(k + 1), scene::At(0, 0, 0));
        frame.indices.assign(3, 0);
        clip->m_frames.push_back(frame);
    }
    return clip;
}

class AnimatedObject : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_CommandDispatcher = &m_dispatcher;
        g_FullTime = 0;
        m_body->SetOwner(&m_owner);
        m_body->AddAnimation("walk", Clip(10));
    }
    void TearDown() override
    {
        g_FullTime = 0;
        g_CommandDispatcher = nullptr;
    }
    void Play(float speed, int32_t loops, int32_t reportFrame)
    {
        g_FullTime = 0;
        CPAnimationRequest request;
        request.name = "walk";
        request.speed = speed;
        request.loopLimit = loops;
        request.reportFrame = reportFrame;
        request.reportTarget = &m_target;
        m_body->SetAnimation(request, true);
    }
    // Fills at the time and returns the frame shown, checking the counts the
    // body gave beforehand against what it wrote.
    int32_t FillAt(double time)
    {
        g_FullTime = time;
        const int32_t vertices = m_body->GetVertexCount();
        const int32_t indices = m_body->GetIndexCount();
        std::vector<CPVertex> out(16);
        std::vector<uint16_t> outIndices(16);
        m_body->FillBuffers(out.data(), outIndices.data(), 0, 0);
        const int32_t shown = m_body->GetShownFrame();
        EXPECT_EQ(vertices, shown + 1) << "at " << time;
        EXPECT_EQ(indices, 3);
        return shown;
    }

    CPCommandDispatcher m_dispatcher;
    Watcher m_owner;
    Target m_target;
    CPSmartPtr<CPAnimatedObject> m_body{ new CPAnimatedObject() };
};
}

TEST_F(AnimatedObject, FramesFollowTheClockAndTheSpeed)
{
    Play(1.0f, 0, -1);
    // Time, frame: t equal to the length still shows the last frame; whole
    // lengths come off at once however far the clock has run.
    const std::vector<std::pair<double, int32_t>> cases = {
        { 0.0, 0 }, { 0.05, 0 }, { 0.25, 2 }, { 0.99, 9 }, { 1.0, 9 }, { 1.05, 0 }, { 1000000.25, 2 },
    };
    for (const auto& c : cases) {
        Play(1.0f, 0, -1);
        EXPECT_EQ(FillAt(c.first), c.second) << "at " << c.first;
    }
    Play(2.0f, 0, -1);
    EXPECT_EQ(FillAt(0.26), 5);
    EXPECT_EQ(m_target.Received(), std::vector<std::string>{});
}

TEST_F(AnimatedObject, LoopLimitStopsOnTheSecondWrapAndHoldsTheSecondToLastFrame)
{
    Play(1.0f, 2, -1);
    EXPECT_EQ(FillAt(0.95), 9);
    EXPECT_EQ(FillAt(1.05), 0); // first wrap
    EXPECT_EQ(m_body->GetLoopCount(), 1);
    EXPECT_FALSE(m_body->IsStopped());
    EXPECT_EQ(FillAt(1.95), 9);
    EXPECT_EQ(FillAt(2.05), 8); // second wrap: stopped, frame N - 2
    EXPECT_TRUE(m_body->IsStopped());
    EXPECT_EQ(m_body->GetClipName(), "");
    EXPECT_EQ(FillAt(2.55), 8);
    EXPECT_EQ(m_target.Received(), std::vector<std::string>{ "animation_stopped" });
}

TEST_F(AnimatedObject, ReportFrameIsSentOncePerPass)
{
    Play(1.0f, 0, 5);
    FillAt(0.2);
    EXPECT_TRUE(m_target.Received().empty());
    FillAt(0.65); // frame 6: the first at or past 5
    FillAt(0.75);
    EXPECT_EQ(m_body->GetReportedFrame(), 6);
    FillAt(1.05); // wrap resets the report
    FillAt(1.55);
    EXPECT_EQ(m_target.Received(), (std::vector<std::string>{ "animation_report", "animation_report" }));
}

TEST_F(AnimatedObject, TheFillThatStopsSendsNoReportAndParamsAreTheTargetHandle)
{
    Play(1.0f, 1, 0);
    FillAt(0.5); // reports frame 5 >= 0
    FillAt(1.05); // wraps and stops: no report in the same fill
    ASSERT_TRUE(m_target.SetNextCommand());
    EXPECT_EQ(m_target.GetCurrentCommand()->name, "animation_report");
    ASSERT_TRUE(m_target.SetNextCommand());
    EXPECT_EQ(m_target.GetCurrentCommand()->name, "animation_stopped");
    ASSERT_NE(m_target.GetCurrentParams(), nullptr);
    EXPECT_EQ(m_target.GetCurrentParams()->at(0), HandleToString(&m_target));
    EXPECT_FALSE(m_target.SetNextCommand());
}

TEST_F(AnimatedObject, ClipsWithoutFramesOrTimeAndOneFrameClips)
{
    CPSmartPtr<CPAnimatedObject> body(new CPAnimatedObject());
    EXPECT_EQ(body->GetVertexCount(), 0); // no clip
    body->AddAnimation("empty", Clip(0));
    EXPECT_EQ(body->GetVertexCount(), 0);
    body->FillBuffers(nullptr, nullptr, 0, 0);

    CPSmartPtr<CPAnimation> still = Clip(3);
    still->m_frameTime = 0.0f;
    CPSmartPtr<CPAnimatedObject> timeless(new CPAnimatedObject());
    timeless->AddAnimation("still", still);
    g_FullTime = 50.0;
    EXPECT_EQ(timeless->GetVertexCount(), 1); // frame 0

    CPSmartPtr<CPAnimatedObject> single(new CPAnimatedObject());
    single->AddAnimation("one", Clip(1));
    CPAnimationRequest request;
    request.name = "one";
    request.loopLimit = 1;
    single->SetAnimation(request, true);
    std::vector<CPVertex> out(4);
    std::vector<uint16_t> indices(4);
    for (double t : { 0.0, 0.5, 3.0 }) {
        g_FullTime = t;
        single->FillBuffers(out.data(), indices.data(), 0, 0);
    }
    EXPECT_FALSE(single->IsStopped()); // one frame never wraps
}

TEST_F(AnimatedObject, VerticesArePlacedAndMirroredTrianglesKeepTheirWinding)
{
    CPSmartPtr<CPAnimation> clip(new CPAnimation("tri"));
    clip->m_frameTime = 0.1f;
    CPAnimationFrame frame;
    frame.vertices = { scene::At(0, 0, 0), scene::At(1, 0, 0), scene::At(0, 1, 0) };
    frame.indices = { 0, 1, 2 };
    clip->m_frames.push_back(frame);
    CPGameObject owner("owner");
    CPSmartPtr<CPAnimatedObject> body(new CPAnimatedObject());
    body->SetOwner(&owner);
    body->AddAnimation("tri", clip);

    owner.SetPosition(D3DXVECTOR3(10, 0, 0));
    owner.UpdateTransform();
    std::vector<CPVertex> out(3);
    std::vector<uint16_t> indices(3);
    body->FillBuffers(out.data(), indices.data(), 100, 0);
    EXPECT_FLOAT_EQ(out[1].position.x, 11.0f);
    EXPECT_EQ(out[1].specular, frame.vertices[1].specular);
    EXPECT_EQ(indices, (std::vector<uint16_t>{ 100, 101, 102 }));

    D3DXMATRIX mirror;
    D3DXMatrixScaling(&mirror, -1, 1, 1);
    owner.SetParentMatrix(mirror);
    owner.UpdateTransform();
    body->FillBuffers(out.data(), indices.data(), 0, 0);
    EXPECT_FLOAT_EQ(out[1].position.x, -11.0f);
    EXPECT_EQ(indices, (std::vector<uint16_t>{ 0, 2, 1 }));
}

TEST_F(AnimatedObject, ACopyPlaysOnFromTheSourcesStateWithItsOwnOwnerAndModifiers)
{
    const float savedFrameTime = g_FrameTime;
    g_FrameTime = 0.25f;
    CPSmartPtr<CPMaterial> material(new CPMaterial(5));
    m_body->SetMaterial(material);
    m_body->AddAnimation("run", Clip(4));
    m_body->AddModifier(CreateVertexModifier("fade", { "255" }));
    // Started at 10 s, twice as fast, two passes, reporting frame 5.
    g_FullTime = 0;
    CPAnimationRequest request;
    request.name = "walk";
    request.speed = 2.0f;
    request.loopLimit = 2;
    request.reportFrame = 5;
    request.reportTarget = &m_target;
    request.startOffset = 10.0f;
    m_body->SetAnimation(request, true);
    EXPECT_EQ(FillAt(10.325), 6);
    EXPECT_EQ(FillAt(10.525), 0); // first wrap
    EXPECT_EQ(FillAt(10.775), 5); // reported in the second pass
    EXPECT_EQ(m_target.Received(), (std::vector<std::string>{ "animation_report", "animation_report" }));

    CPGameObject other("other");
    other.SetPosition(D3DXVECTOR3(0, 0, 5));
    other.UpdateTransform();
    CPSmartPtr<CPAnimatedObject> copy(new CPAnimatedObject());
    copy->SetOwner(&other);
    copy->CopyFrom(*m_body);
    EXPECT_EQ(copy->GetOwner(), &other);
    EXPECT_EQ(copy->GetMaterial(), material);
    ASSERT_EQ(copy->GetClips().size(), 2u);
    EXPECT_EQ(copy->GetClips().at("run"), m_body->GetClips().at("run")); // shared, not copied
    EXPECT_EQ(copy->GetCurrentClip(), m_body->GetClips().at("walk"));
    ASSERT_EQ(copy->GetModifiers().size(), 1u);
    EXPECT_NE(copy->GetModifiers()[0], m_body->GetModifiers()[0]);

    // The source goes, with its modifiers; the copy plays on where it was.
    CPAnimatedObject* source = m_body.Get();
    m_body = CPSmartPtr<CPAnimatedObject>();
    delete source;
    std::vector<CPVertex> out(16);
    std::vector<uint16_t> indices(16);
    g_FullTime = 10.875;
    copy->FillBuffers(out.data(), indices.data(), 0, 0);
    EXPECT_EQ(copy->GetShownFrame(), 7);
    // Placed by its own owner; the cloned fade had fallen to 63.75 and now
    // reaches 0.
    EXPECT_FLOAT_EQ(out[0].position.z, 5.0f);
    EXPECT_EQ(out[0].diffuse, 0x00FFFFFFu);
    EXPECT_TRUE(m_target.Received().empty()); // frame 5 was reported in this pass
    g_FullTime = 11.025;
    copy->FillBuffers(out.data(), indices.data(), 0, 0); // second wrap: the pass limit
    EXPECT_TRUE(copy->IsStopped());
    EXPECT_EQ(copy->GetShownFrame(), 8);
    EXPECT_EQ(m_target.Received(), std::vector<std::string>{ "animation_stopped" });
    g_FrameTime = savedFrameTime;
}

TEST(AnimationClip, LoadsFramesTimesBoundsAndTheLoaderColour)
{
    ScratchRoot root;
    CPAnimationManager manager;
    g_AnimationManager = &manager;
    scene::Node node = scene::ThreeFrameNode("door");
    scene::Bytes bytes;
    scene::WriteClip(bytes, node);
    bytes.Int(77);
    root.MakeFile("clip.bin", bytes.Str());
    CPFileReader reader("clip.bin");
    ASSERT_EQ(reader.Load(), S_OK);

    const CPSmartPtr<CPAnimation> clip = manager.GetAnimation("door&a.p3d", reader);
    ASSERT_TRUE(clip);
    EXPECT_EQ(reader.ReadInt(), 77); // the reader moved past the block
    EXPECT_EQ(clip->m_frameCount, 3);
    EXPECT_FLOAT_EQ(clip->m_frameTime, 0.1f);
    EXPECT_FLOAT_EQ(clip->m_length, 0.3f);
    ASSERT_EQ(clip->m_frames.size(), 3u);
    EXPECT_EQ(clip->m_frames[2].index, 2);
    EXPECT_EQ(clip->m_frames[1].vertices[0].diffuse, 0xffffffffu);
    EXPECT_FLOAT_EQ(clip->m_bounds.m_centre.x, 1.5f);
    EXPECT_FLOAT_EQ(clip->m_bounds.m_halfSize.x, 1.5f);
    EXPECT_FLOAT_EQ(clip->m_bounds.m_halfSize.y, 0.5f);
    EXPECT_EQ(manager.FindAnimation("door&a.p3d"), clip.Get());
    g_AnimationManager = nullptr;
}

TEST(AnimationClip, HostileCountsAreRefusedAndLeaveACachedClipAlone)
{
    ScratchRoot root;
    CPAnimationManager manager;
    g_AnimationManager = &manager;
    scene::Bytes good;
    scene::WriteClip(good, scene::ThreeFrameNode("door"));
    root.MakeFile("good.bin", good.Str());
    CPFileReader goodReader("good.bin");
    goodReader.Load();
    const CPSmartPtr<CPAnimation> cached = manager.GetAnimation("door", goodReader);
    ASSERT_TRUE(cached);

    const std::vector<std::string> hostile = {
        scene::Bytes().Int(-1).Float(240).Str(),                      // negative frames
        scene::Bytes().Int(0x7fffffff).Float(240).Str(),              // huge frames
        scene::Bytes().Int(1).Float(240).Int(1000).Int(0).Str(),      // vertices overrun
        scene::Bytes().Int(1).Float(240).Int(0).Int(-5).Str(),        // negative indices
        scene::Bytes().Int(1).Float(240).Int(0).Int(0x40000000).Str(), // huge indices
    };
    for (size_t i = 0; i < hostile.size(); ++i) {
        root.MakeFile("bad.bin", hostile[i]);
        CPFileReader reader("bad.bin");
        reader.Load();
        EXPECT_FALSE(manager.GetAnimation("door", reader)) << "case " << i;
        EXPECT_EQ(cached->m_frames.size(), 3u) << "case " << i;
    }
    g_AnimationManager = nullptr;
}
