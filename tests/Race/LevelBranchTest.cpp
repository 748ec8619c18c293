#include "Core/PTaskManager.h"
#include "LevelObjects.h"
#include "Race/PLevelBranch.h"
#include "Race/PRaceLinks.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
std::vector<CPGameObject*>* g_queued = nullptr;
std::vector<CPGameObject*>* g_stored = nullptr;

class LevelTree : public ::testing::Test
{
protected:
    LevelTree()
        : m_render(nullptr)
    {
        g_Render = &m_render;
        m_render.m_renderQueue = new CPRenderQueue();
        m_render.m_staticQueue = new CPRenderQueue();
        g_queued = &m_queued;
        g_stored = &m_stored;
        g_RaceLinks.addObjectTree = [](CPRenderQueue&, const CPSmartPtr<CPGameObject>& object) {
            g_queued->push_back(object.Get());
        };
        g_RaceLinks.addDynamicTree = [](CPRenderQueue&, const CPSmartPtr<CPGameObject>& object) {
            g_stored->push_back(object.Get());
        };
    }
    ~LevelTree() override
    {
        m_root.reset();
        g_RaceLinks = CPRaceLinks();
        g_Render = nullptr;
        g_ActiveCamera = nullptr;
        g_CfgStatic = 0;
        g_CfgDistance = 200;
    }

    CPLevelBranch& Build(const std::vector<CPGameObject*>& objects)
    {
        CPGameObject::ObjectList list;
        for (CPGameObject* object : objects)
            list.push_back(object);
        m_root = std::make_unique<CPLevelBranch>();
        m_root->AddObjects(list);
        m_root->Build(0);
        return *m_root;
    }

    static std::vector<CPGameObject*> Names(const CPGameObject::ObjectList& list)
    {
        std::vector<CPGameObject*> objects;
        for (const auto& object : list)
            objects.push_back(object.Get());
        return objects;
    }

    CPMaterial* Material(int32_t layer)
    {
        m_materials.push_back(std::make_unique<CPMaterial>(layer));
        return m_materials.back().get();
    }

    CPRender m_render;
    std::vector<std::unique_ptr<CPMaterial>> m_materials;
    ObjectPool m_pool;
    std::unique_ptr<CPLevelBranch> m_root;
    std::vector<CPGameObject*> m_queued;
    std::vector<CPGameObject*> m_stored;
};

TEST_F(LevelTree, UnsplittableObjectsMakeALeaf)
{
    CPMaterial* stone = Material(1);
    CPGameObject* a = MakeCube(m_pool, "a", D3DXVECTOR3(5, 5, 0), 1.0f, stone);
    EXPECT_EQ(Build({ a }).GetUpper(), nullptr);
    CPGameObject* b = MakeCube(m_pool, "b", D3DXVECTOR3(5, 5, 0), 3.0f, stone);
    CPLevelBranch& root = Build({ a, b });
    EXPECT_EQ(root.GetUpper(), nullptr);
    EXPECT_EQ(root.GetLower(), nullptr);
    EXPECT_EQ(root.GetMaterialCount(), 1u);
    EXPECT_EQ(root.GetBounds().m_max.x, 8.0f);
}

TEST_F(LevelTree, CentreOnTheSplitPointGoesLow)
{
    CPMaterial* stone = Material(1);
    CPGameObject* a = MakeCube(m_pool, "a", D3DXVECTOR3(0, 0, 0), 1.0f, stone);
    CPGameObject* b = MakeCube(m_pool, "b", D3DXVECTOR3(5, 0, 0), 1.0f, stone);
    CPGameObject* c = MakeCube(m_pool, "c", D3DXVECTOR3(10, 0, 0), 1.0f, stone);
    CPLevelBranch& root = Build({ a, b, c });
    ASSERT_NE(root.GetUpper(), nullptr);
    EXPECT_EQ(Names(root.GetUpper()->GetObjects()), (std::vector<CPGameObject*>{ c }));
    EXPECT_EQ(Names(root.GetLower()->GetObjects()), (std::vector<CPGameObject*>{ a, b }));
    // The lower child splits again, between a and b.
    ASSERT_NE(root.GetLower()->GetUpper(), nullptr);
    EXPECT_EQ(Names(root.GetLower()->GetUpper()->GetObjects()), (std::vector<CPGameObject*>{ b }));
}

TEST_F(LevelTree, AxisWithFewerMaterialsWinsAndTiesKeepTheEarlierAxis)
{
    CPMaterial* one = Material(1);
    CPMaterial* two = Material(2);
    struct Case
    {
        // Materials of the objects at (0,0), (10,0), (0,10), (10,10).
        int materials[4];
        bool splitOnY;
    };
    for (const Case& c : { Case{ { 1, 2, 1, 2 }, false }, Case{ { 1, 1, 2, 2 }, true }, Case{ { 1, 1, 1, 1 }, false } }) {
        const D3DXVECTOR3 spots[4] = { { 0, 0, 0 }, { 10, 0, 0 }, { 0, 10, 0 }, { 10, 10, 0 } };
        std::vector<CPGameObject*> objects;
        for (int i = 0; i < 4; ++i)
            objects.push_back(MakeCube(m_pool, "o", spots[i], 1.0f, c.materials[i] == 1 ? one : two));
        CPLevelBranch& root = Build(objects);
        ASSERT_NE(root.GetUpper(), nullptr);
        const std::vector<CPGameObject*> upper = Names(root.GetUpper()->GetObjects());
        const std::vector<CPGameObject*> expected =
            c.splitOnY ? std::vector<CPGameObject*>{ objects[2], objects[3] } : std::vector<CPGameObject*>{ objects[1], objects[3] };
        EXPECT_EQ(upper, expected) << c.materials[0] << c.materials[1] << c.materials[2] << c.materials[3];
    }
}

TEST_F(LevelTree, ListsMaterialsAndTheStaticQueue)
{
    g_CfgStatic = 1;
    CPMaterial* stone = Material(1);
    CPMaterial* glass = Material(2);
    CPGameObject* wall = MakeCube(m_pool, "wall", D3DXVECTOR3(0, 0, 0), 1.0f, stone);
    CPGameObject* door = MakeCube(m_pool, "door", D3DXVECTOR3(0, 0, 0), 1.0f, glass, false);
    CPGameObject* pane = MakeCube(m_pool, "pane", D3DXVECTOR3(0, 0, 0), 1.0f, glass);
    wall->AddChild(pane);
    CPLevelBranch& root = Build({ wall, door });
    EXPECT_EQ(Names(root.GetStaticObjects()), (std::vector<CPGameObject*>{ wall }));
    EXPECT_EQ(Names(root.GetDynamicObjects()), (std::vector<CPGameObject*>{ door }));
    // The dynamic door adds nothing; the static child pane adds glass.
    EXPECT_EQ(root.GetMaterialCount(), 2u);
    EXPECT_EQ(m_stored, (std::vector<CPGameObject*>{ wall }));
}

// Every candidate pair of every axis that divides a branch is made, and each
// hands its static objects to the static queue, kept or not.
TEST_F(LevelTree, EveryCandidatePairIsMadeAndQueuesItsStaticObjects)
{
    g_CfgStatic = 1;
    CPMaterial* one = Material(1);
    CPMaterial* two = Material(2);
    struct Case
    {
        // Positions (x, y) and materials of four objects.
        D3DXVECTOR3 spots[4];
        int materials[4];
        std::vector<int> queued;
        size_t branchesMade;
    };
    const Case cases[] = {
        // x splits {1, 3} from {0, 2}, then y does better; each child splits on x.
        { { { 0, 0, 0 }, { 10, 0, 0 }, { 0, 10, 0 }, { 10, 10, 0 } },
          { 1, 1, 2, 2 },
          { 0, 1, 2, 3, 1, 3, 0, 2, 2, 3, 0, 1, 3, 2, 1, 0 },
          8 },
        // A row on x: one candidate per branch, and a last object that stays with its twin.
        { { { 0, 0, 0 }, { 5, 0, 0 }, { 10, 0, 0 }, { 10, 0, 0 } },
          { 1, 2, 1, 2 },
          { 0, 1, 2, 3, 2, 3, 0, 1, 1, 0 },
          4 },
    };
    for (const Case& c : cases) {
        std::vector<CPGameObject*> objects;
        for (int i = 0; i < 4; ++i)
            objects.push_back(MakeCube(m_pool, "o", c.spots[i], 1.0f, c.materials[i] == 1 ? one : two));
        m_stored.clear();
        const size_t listed = GetObjectList().size();
        Build(objects);
        EXPECT_EQ(GetObjectList().size() - listed, c.branchesMade + 1); // and the root
        std::vector<CPGameObject*> expected;
        for (int i : c.queued)
            expected.push_back(objects[static_cast<size_t>(i)]);
        EXPECT_EQ(m_stored, expected);
    }
}

TEST_F(LevelTree, RaysFindTheNearestHitOverTheTree)
{
    CPMaterial* stone = Material(1);
    std::vector<CPGameObject*> objects;
    for (int i = 0; i < 24; ++i)
        objects.push_back(MakeCube(m_pool, "o", D3DXVECTOR3(10.0f * (i % 6), 10.0f * (i / 6), 0), 1.0f, stone));
    CPLevelBranch& root = Build(objects);
    CPRayQuery query;
    query.origin = D3DXVECTOR3(55, 10, 0);
    query.direction = D3DXVECTOR3(-1, 0, 0);
    query.distance = 100.0f;
    EXPECT_TRUE(root.CrossRay(query));
    EXPECT_EQ(query.hitObject.Get(), objects[11]); // the cube at (50, 10)
    EXPECT_NEAR(query.distance, 4.0f, 1e-4f);

    CPRayQuery miss;
    miss.origin = D3DXVECTOR3(55, 15, 0);
    miss.direction = D3DXVECTOR3(-1, 0, 0);
    miss.distance = 100.0f;
    EXPECT_FALSE(root.CrossRay(miss));
    EXPECT_EQ(miss.distance, 100.0f);

    CPGameObject::ObjectList near;
    root.CollectObjectsNear(D3DXVECTOR3(20, 20, 0), 2.0f, near);
    EXPECT_EQ(Names(near), (std::vector<CPGameObject*>{ objects[14] }));
    near.clear();
    root.CollectObjectsNear(D3DXVECTOR3(500, 500, 0), 20.0f, near);
    EXPECT_TRUE(near.empty());
}

TEST_F(LevelTree, DetailLevelsChooseByCameraDistance)
{
    CPMaterial* stone = Material(1);
    // Made first, so the pool destroys it after the tower that holds it.
    CPGameObject* lowDetail = m_pool.Make("tower_low");
    CPGameObject* tower = MakeCube(m_pool, "tower", D3DXVECTOR3(0, 0, 0), 1.0f, stone);
    tower->GetDetailLevels().push_back({ tower, 0 });
    tower->GetDetailLevels().push_back({ lowDetail, 50 });
    tower->GetDetailLevels().push_back({ nullptr, 120 });
    CPGameObject* rock = MakeCube(m_pool, "rock", D3DXVECTOR3(0, 0, 0), 1.0f, stone);
    CPLevelBranch& root = Build({ tower, rock });

    // Without a camera the object itself is drawn.
    root.Draw(nullptr);
    EXPECT_EQ(m_queued, (std::vector<CPGameObject*>{ tower, rock }));
    EXPECT_EQ(m_render.m_drawnObjects, 2);

    CPPerspectiveCamera camera;
    g_ActiveCamera = &camera;
    struct Case
    {
        float distance;
        CPGameObject* drawn; // null: nothing for the tower
    };
    for (const Case& c : { Case{ 30, tower }, Case{ 80, lowDetail }, Case{ 150, nullptr }, Case{ 250, nullptr } }) {
        m_queued.clear();
        camera.m_eye = D3DXVECTOR3(c.distance, 0, 0);
        root.Draw(nullptr);
        std::vector<CPGameObject*> expected;
        if (c.drawn)
            expected.push_back(c.drawn);
        expected.push_back(rock); // one entry only: drawn at any distance
        EXPECT_EQ(m_queued, expected) << c.distance;
    }
}

TEST_F(LevelTree, DeactivatesEveryDynamicObjectOnce)
{
    CPTaskManager manager;
    g_TaskManager = &manager;
    CPMaterial* stone = Material(1);
    std::vector<CPGameObject*> objects;
    for (int i = 0; i < 6; ++i) {
        objects.push_back(MakeCube(m_pool, "o", D3DXVECTOR3(10.0f * i, 0, 0), 1.0f, stone, i % 2 == 0));
        objects.back()->Activate(5000);
    }
    CPLevelBranch& root = Build(objects);
    root.DeactivateDynamicObjects();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(objects[i]->IsActive(), i % 2 == 0) << i;
    g_TaskManager = nullptr;
}
}
