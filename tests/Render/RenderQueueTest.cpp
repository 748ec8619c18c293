#include "DefaultCamera.h"
#include "RenderScene.h"
#include "Core/PLog.h"
#include "Platform/D3D9Device.h"
#include "Render/PDeviceObject.h"
#include "Render/PIVBlock.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PQuadNode.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using PlatformD3D9::RecordOf;

namespace
{
class RenderQueue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedLevels = g_CfgQuadLevels;
        m_savedDistance = g_CfgDistance;
        m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        m_render = std::make_unique<CPRender>(m_device);
        g_Render = m_render.get();
        m_queue = std::make_unique<CPRenderQueue>();
        m_render->m_renderQueue = m_queue.get();
        GetLog().SetSink([this](int32_t, const std::string& text) { m_log.push_back(text); });
    }
    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        g_Render = nullptr;
        m_render.reset();
        m_queue.reset();
        m_ring.reset();
        m_device->Release();
        g_CfgQuadLevels = m_savedLevels;
        g_CfgDistance = m_savedDistance;
        g_ActiveCamera = nullptr;
    }

    CPDynamicIVBuffer& MakeRing(int32_t slots, int32_t vertices, int32_t indices)
    {
        m_ring = std::make_unique<CPDynamicIVBuffer>(m_device, slots, vertices, indices);
        EXPECT_TRUE(m_ring->CreateBuffers());
        m_queue->SetDynamicBuffer(m_ring.get());
        return *m_ring;
    }

    CPIVBlock* FrameBlock(CPMaterial* material)
    {
        const auto found = m_queue->GetFrameBlocks().find(material);
        return found == m_queue->GetFrameBlocks().end() ? nullptr : found->second.Get();
    }

    SceneKit m_kit;
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    std::unique_ptr<CPRender> m_render;
    std::unique_ptr<CPDynamicIVBuffer> m_ring;
    std::unique_ptr<CPRenderQueue> m_queue;
    std::vector<std::string> m_log;
    int32_t m_savedLevels = 0;
    int32_t m_savedDistance = 0;
};
}

TEST_F(RenderQueue, BodiesGoIntoOneBatchPerMaterial)
{
    CPMaterial* stone = m_kit.Material(20);
    CPMaterial* glass = m_kit.Material(21);
    CPGameObject* root = m_kit.Group("root");
    m_kit.Mesh("a", root, stone, 3, 3);
    m_kit.Mesh("b", root, stone, 4, 6);
    m_kit.Mesh("c", root, glass, 5, 9);
    CPGameObject* hidden = m_kit.Mesh("hidden", root, stone, 7, 12);
    SceneKit::MeshOf(hidden).SetHidden(true);
    CPGameObject* unseen = m_kit.Mesh("unseen", root, glass, 8, 12);
    unseen->SetVisible(false);
    m_kit.Mesh("under unseen", unseen, glass, 9, 12);
    CPGameObject* bare = m_kit.Mesh("no material", root, nullptr, 3, 3);
    m_kit.Light("lamp", root);

    m_queue->AddObjectTree(root);
    ASSERT_EQ(m_queue->GetFrameBlocks().size(), 2u);
    CPIVBlock* stoneBlock = FrameBlock(stone);
    ASSERT_NE(stoneBlock, nullptr);
    // The hidden body is listed but adds nothing.
    EXPECT_EQ(stoneBlock->GetBodies().size(), 3u);
    EXPECT_EQ(stoneBlock->GetVertexTotal(), 7);
    EXPECT_EQ(stoneBlock->GetIndexTotal(), 9);
    CPIVBlock* glassBlock = FrameBlock(glass);
    ASSERT_NE(glassBlock, nullptr);
    EXPECT_EQ(glassBlock->GetBodies().size(), 1u);
    EXPECT_EQ(glassBlock->GetVertexTotal(), 5);
    EXPECT_EQ(glassBlock->GetTypeName(), "CPIVBlock");
    EXPECT_EQ(m_render->m_lightCount, 1);
    // A body without material is skipped and said so.
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("without a material"), std::string::npos);
    (void)bare;

    // A renderable goes in without a visibility test; the block is reused.
    m_queue->GetFrameBlocks().clear();
    m_queue->AddRenderable(&SceneKit::MeshOf(unseen));
    EXPECT_EQ(FrameBlock(glass), glassBlock);
    EXPECT_EQ(m_queue->GetBlockCount(), 2u);
}

TEST_F(RenderQueue, OnlyFlaggedSkipsUnflaggedSubtrees)
{
    CPMaterial* stone = m_kit.Material(20);
    CPGameObject* root = m_kit.Group("root");
    CPGameObject* moving = m_kit.Mesh("moving", root, stone, 3, 3);
    moving->SetStatic(false);
    m_kit.Mesh("flagged child", moving, stone, 3, 3);
    m_kit.Mesh("flagged", root, stone, 4, 6);
    m_queue->m_onlyFlagged = 1;
    m_queue->AddObjectTree(root);
    ASSERT_NE(FrameBlock(stone), nullptr);
    EXPECT_EQ(FrameBlock(stone)->GetVertexTotal(), 4);
}

TEST_F(RenderQueue, ThirtyLightsAFrame)
{
    CPGameObject* root = m_kit.Group("root");
    for (int i = 0; i < 31; ++i) {
        CPGameObject* lamp = m_kit.Light("lamp", root);
        lamp->SetPosition(D3DXVECTOR3(static_cast<float>(i), 0, 0));
    }
    root->UpdateTransform();
    m_queue->AddObjectTree(root);
    EXPECT_EQ(m_render->m_lightCount, 30);
    EXPECT_FLOAT_EQ(m_render->m_lights[29].Position.x, 29.0f);
}

TEST_F(RenderQueue, RingUsesItsSlotsInTurn)
{
    CPDynamicIVBuffer& ring = MakeRing(2, 8, 12);
    std::vector<int32_t> slots;
    for (int i = 0; i < 3; ++i) {
        slots.push_back(ring.GetCurrentSlot());
        ASSERT_TRUE(ring.Lock(4, 6, true));
        EXPECT_FALSE(ring.Lock(4, 6, true)); // already locked
        ring.Unlock(true);
    }
    EXPECT_EQ(slots, (std::vector<int32_t>{ 0, 1, 0 }));
    const PlatformD3D9::ResourceRecord* first = RecordOf(ring.GetVertexBuffer(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->lockCount, 2);
    EXPECT_EQ(first->lockSize, 4u * 48u);
    EXPECT_EQ(first->lockFlags, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK);
    EXPECT_EQ(first->lockDepth, 0);
    EXPECT_FALSE(ring.Lock(0, 0, true, 2)); // no third slot
    EXPECT_FALSE(ring.Lock(9, 6, true));    // more than a buffer holds
    EXPECT_FALSE(ring.IsLocked());
}

TEST_F(RenderQueue, RingWritesEachBodyOnceAndRefusesWhatDoesNotFit)
{
    CPDynamicIVBuffer& ring = MakeRing(2, 8, 12);
    CPMaterial* stone = m_kit.Material(20);
    CPRenderObject* small = m_kit.MeshBody(stone, 3, 3);
    CPRenderObject* second = m_kit.MeshBody(stone, 4, 6);
    CPRenderObject* large = m_kit.MeshBody(stone, 9, 9);

    EXPECT_FALSE(ring.AddObject(*small)); // outside a lock
    ASSERT_TRUE(ring.Lock(0, 0, true));
    EXPECT_TRUE(ring.AddObject(*small));
    EXPECT_FALSE(ring.AddObject(*small));
    EXPECT_TRUE(ring.AddObject(*second));
    EXPECT_EQ(ring.GetStart(small), 0);
    EXPECT_EQ(ring.GetStart(second), 3);
    EXPECT_EQ(ring.GetVerticesWritten(), 7);
    EXPECT_EQ(ring.GetIndicesWritten(), 9);
    const std::vector<uint8_t>& indexBytes = RecordOf(ring.GetIndexBuffer(0))->memory;
    const uint16_t* written = reinterpret_cast<const uint16_t*>(indexBytes.data());
    EXPECT_EQ(std::vector<uint16_t>(written, written + 9), (std::vector<uint16_t>{ 0, 1, 2, 3, 4, 5, 6, 3, 4 }));

    EXPECT_TRUE(m_log.empty());
    EXPECT_FALSE(ring.AddObject(*large)); // larger than what is left
    EXPECT_EQ(m_log.size(), 1u);
    EXPECT_EQ(ring.GetStart(large), -1);
    ring.Unlock(true);

    // The ring forgets its bodies when told to.
    ring.Reset();
    ASSERT_TRUE(ring.Lock(3, 3, true));
    EXPECT_TRUE(ring.AddObject(*small));
    EXPECT_EQ(ring.GetStart(small), 0);
    ring.Unlock(true);
}

TEST_F(RenderQueue, RingKeepsIndicesWithinSixteenBits)
{
    CPDynamicIVBuffer& ring = MakeRing(1, 70000, 70000);
    CPMaterial* stone = m_kit.Material(20);
    CPRenderObject* first = m_kit.MeshBody(stone, 65000, 3);
    CPRenderObject* second = m_kit.MeshBody(stone, 600, 3);
    CPRenderObject* third = m_kit.MeshBody(stone, 536, 3);
    ASSERT_TRUE(ring.Lock(0, 0, true));
    EXPECT_TRUE(ring.AddObject(*first));
    EXPECT_FALSE(ring.AddObject(*second)); // 65,600 vertices
    EXPECT_TRUE(ring.AddObject(*third));   // exactly 65,536
    ring.Unlock(true);
}

TEST_F(RenderQueue, FailedLockLeavesNothingLocked)
{
    CPDynamicIVBuffer& ring = MakeRing(1, 8, 12);
    m_device->FailCall("IndexBuffer::Lock", 1, D3DERR_INVALIDCALL);
    EXPECT_FALSE(ring.Lock(4, 6, true));
    EXPECT_FALSE(ring.IsLocked());
    EXPECT_EQ(RecordOf(ring.GetVertexBuffer(0))->lockDepth, 0);
    ASSERT_FALSE(m_log.empty());
    EXPECT_NE(m_log[0].find("Render/PIVertexBuffer"), std::string::npos);

    m_device->FailCall("VertexBuffer::Lock", 1, D3DERR_INVALIDCALL);
    EXPECT_FALSE(ring.Lock(4, 6, true));
    EXPECT_EQ(RecordOf(ring.GetIndexBuffer(0))->lockDepth, 0);
    EXPECT_TRUE(ring.Lock(4, 6, true));
    ring.Unlock(true);
}

TEST_F(RenderQueue, DynamicTreeWritesFlaggedMeshesAndKeepsWhatDoesNotFit)
{
    MakeRing(1, 16, 32);
    CPMaterial* stone = m_kit.Material(20);
    // Made first, so it outlives the object whose detail level it is.
    CPGameObject* far = m_kit.Mesh("far", nullptr, stone, 4, 6);
    CPGameObject* root = m_kit.Group("root");
    CPGameObject* a = m_kit.Mesh("a", root, stone, 3, 3);
    CPGameObject* moving = m_kit.Mesh("moving", root, stone, 3, 3);
    moving->SetStatic(false);
    a->GetDetailLevels().push_back(CPDetailLevel{ a, 0 });
    a->GetDetailLevels().push_back(CPDetailLevel{ far, 100 });
    a->GetDetailLevels().push_back(CPDetailLevel{});
    CPGameObject* huge = m_kit.Mesh("huge", root, stone, 20, 3);

    ASSERT_TRUE(m_queue->Lock());
    m_queue->AddDynamicTree(root);
    m_queue->Unlock();
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(a)), 0);
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(far)), 3);
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(moving)), -1);
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(huge)), -1);
    ASSERT_EQ(m_queue->GetRefusedObjects().size(), 1u);
    EXPECT_EQ(m_queue->GetRefusedObjects()[0], huge);
    EXPECT_TRUE(m_queue->GetFrameBlocks().empty());

    // Building the level's geometry again starts a fresh ring.
    ASSERT_TRUE(m_queue->Lock());
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(a)), -1);
    m_queue->AddDynamicTree(a);
    m_queue->Unlock();
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(a)), 0);

    // The level's end forgets the written bodies and the refused objects.
    m_render->ReleaseGeometryBuffers();
    EXPECT_EQ(m_ring->GetStart(&SceneKit::MeshOf(a)), -1);
    EXPECT_EQ(m_ring->GetVertexBase(), 0);
    EXPECT_TRUE(m_queue->GetRefusedObjects().empty());
}

TEST_F(RenderQueue, QuadtreePlacesObjectsOnBordersAndOutsideTheRoot)
{
    g_CfgQuadLevels = 1;
    CPMaterial* stone = m_kit.Material(20);
    struct Placed
    {
        D3DXVECTOR3 position;
        int child;
    };
    const Placed cases[] = {
        { D3DXVECTOR3(1, 1, 0), 1 },     { D3DXVECTOR3(-1, -1, 0), 0 }, { D3DXVECTOR3(1, -1, 0), 2 },
        { D3DXVECTOR3(-1, 1, 0), 3 },    { D3DXVECTOR3(0, 5, 0), 1 },   // on x = cx: first closed child
        { D3DXVECTOR3(0, -5, 0), 0 },    { D3DXVECTOR3(0, 0, 0), 0 },   // the centre
        { D3DXVECTOR3(250, -3, 0), 2 },  // outside: clamped to (100, -3)
        { D3DXVECTOR3(-5, 7, 500), 3 },  // above the root box
    };
    CPQuadNode::ObjectList objects;
    for (const Placed& c : cases) {
        CPGameObject* object = m_kit.Mesh("piece", nullptr, stone, 3, 3);
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(0.5f, 0.5f, 0.5f)));
        object->SetPosition(c.position);
        object->UpdateTransform();
        objects.push_back(object);
    }
    CPQuadNode root;
    root.SetBounds(D3DXVECTOR3(), D3DXVECTOR3(100, 100, 100));
    root.Build(objects, 0);
    for (size_t i = 0; i < objects.size(); ++i) {
        SCOPED_TRACE(i);
        const CPQuadNode* child = root.GetChild(cases[i].child);
        ASSERT_NE(child, nullptr);
        const auto& held = child->GetObjects();
        EXPECT_NE(std::find(held.begin(), held.end(), objects[i]), held.end());
    }
    size_t total = 0;
    for (int i = 0; i < CPQuadNode::kChildCount; ++i)
        total += root.GetChild(i)->GetObjects().size();
    EXPECT_EQ(total, objects.size());
    // A leaf's box is the union of its objects' bounds, even beyond its part
    // of the root.
    const CPBounds* leaf = root.GetChild(2)->GetBounds();
    EXPECT_FLOAT_EQ(leaf->m_max.x, 250.5f);
    EXPECT_FLOAT_EQ(root.GetBounds()->m_max.x, 250.5f);
}

TEST_F(RenderQueue, QuadtreeQueuesVisibleLeavesWithinTheDistance)
{
    g_CfgQuadLevels = 2;
    g_CfgDistance = 200;
    CPMaterial* stone = m_kit.Material(20);
    // The camera at the origin looks along +x.
    CPPerspectiveCamera camera;
    SetDefaultCamera(camera);
    camera.Update();
    const D3DXVECTOR3 positions[] = {
        D3DXVECTOR3(50, 10, 0),   // ahead
        D3DXVECTOR3(-50, 10, 0),  // behind
        D3DXVECTOR3(150, 150, 0), // ahead, leaf centre 212 away
    };
    CPQuadNode::ObjectList objects;
    for (const D3DXVECTOR3& position : positions) {
        CPGameObject* object = m_kit.Mesh("piece", nullptr, stone, 3, 3);
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(1, 1, 1)));
        object->SetPosition(position);
        object->UpdateTransform();
        objects.push_back(object);
    }
    CPQuadNode root;
    root.SetBounds(D3DXVECTOR3(), D3DXVECTOR3(200, 200, 100));
    root.Build(objects, 0);
    m_render->m_drawnObjects = 0;
    root.Draw(camera);
    ASSERT_NE(FrameBlock(stone), nullptr);
    const auto& bodies = FrameBlock(stone)->GetBodies();
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0].Get(), objects[0]->GetBody().Get());
    EXPECT_EQ(m_render->m_drawnObjects, 1);
}
