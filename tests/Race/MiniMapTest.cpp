#include "Race/PMiniMap.h"
#include "Race/PRaceLinks.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "RaceFixture.h"

namespace
{
// Records what the minimap asks of the loader.
struct Requests
{
    std::string loaded;
    bool withChildren = true;
    CPGameObject* icons = nullptr;
};
Requests* g_requests = nullptr;

class MiniMap : public RaceFixture
{
protected:
    MiniMap()
    {
        g_requests = &m_requests;
        g_MaterialManager = &m_materials;
        g_RaceLinks.loadRenderObject = [](const std::string& name, int32_t) {
            g_requests->loaded = name;
            g_requests->icons = new CPGameObject("icons");
            if (g_requests->withChildren) {
                g_requests->icons->AddChild(new CPGameObject("arrow"));
                g_requests->icons->AddChild(new CPGameObject("checkpoint"));
            }
            return CPSmartPtr<CPGameObject>(g_requests->icons);
        };
    }
    ~MiniMap() override
    {
        g_RaceLinks = CPRaceLinks();
        // The map first, then what it held; the icon children are left
        // alive, as the engine leaves them.
        CPMaterial* material = m_map->material.Get();
        m_map.reset();
        delete material;
        delete m_requests.icons;
        g_MaterialManager = nullptr;
        g_requests = nullptr;
    }

    Requests m_requests;
    CPMaterialManager m_materials;
    std::unique_ptr<CPMiniMap> m_map = std::make_unique<CPMiniMap>();
};

TEST_F(MiniMap, TexturesAndZoomFollowTheLevel)
{
    struct Case
    {
        int32_t level;
        std::vector<std::string> textures;
        float zoom;
    };
    const Case cases[] = {
        { 8, { "mapblur.tga", "level4\\map.tga", "mapblur2.tga" }, 0.07f },
        { 0, { "mapblur.tga", "mapblur2.tga" }, 0.175f },
        { 5, { "mapblur.tga", "level1\\map.tga", "mapblur2.tga" }, 0.175f },
        { 11, { "mapblur.tga", "level3\\map.tga", "mapblur2.tga" }, 0.175f },
        { 13, { "mapblur.tga", "mapblur2.tga" }, 0.175f },
    };
    for (const Case& c : cases) {
        float zoom = 0.0f;
        EXPECT_EQ(CPMiniMap::TexturesForLevel(c.level, zoom), c.textures) << c.level;
        EXPECT_FLOAT_EQ(zoom, c.zoom);
    }
}

TEST_F(MiniMap, LoadPlacesTheSquareAndHidesTheIcons)
{
    g_CfgScreenHeight = 768;
    m_level->levelIndex = 8;
    m_map->Load("level8", 1200.0f, 1000.0f, 0);
    ASSERT_TRUE(m_map->GetMaterial());
    EXPECT_EQ(m_map->GetMaterial()->GetLayerId(), 198);
    EXPECT_FLOAT_EQ(m_map->zoom, 0.07f);
    EXPECT_EQ(m_map->mapWidth, 1200.0f);
    EXPECT_EQ(m_map->mapHeight, 1200.0f);
    EXPECT_EQ(m_map->screenX, 40.0f);
    EXPECT_EQ(m_map->screenY, 528.0f);
    EXPECT_EQ(m_requests.loaded, "minimap_obj.rdf");
    ASSERT_TRUE(m_map->arrow);
    ASSERT_TRUE(m_map->checkpointIcon);
    EXPECT_FALSE(m_map->arrow->IsVisible());
    EXPECT_FALSE(m_map->checkpointIcon->IsVisible());

    CPGameObject gate("gate");
    m_map->SetTarget(&gate);
    EXPECT_TRUE(m_map->checkpointIcon->IsVisible());
    EXPECT_EQ(m_map->activeArrow, m_map->arrow);
    m_map->SetTarget(nullptr);
    EXPECT_FALSE(m_map->checkpointIcon->IsVisible());
    EXPECT_TRUE(m_map->arrow->IsVisible());
    EXPECT_FALSE(m_map->activeArrow);
}

TEST_F(MiniMap, MissingIconsAreTolerated)
{
    m_requests.withChildren = false;
    m_map->Load("level1", 100.0f, 100.0f, 0);
    EXPECT_FALSE(m_map->arrow);
    CPGameObject gate("gate");
    m_map->SetTarget(&gate);
    m_map->SetTarget(nullptr);
    EXPECT_FALSE(m_map->activeArrow);
}

TEST_F(MiniMap, FillBuffersSamplesAroundTheVehicle)
{
    g_CfgScreenHeight = 768;
    m_map->Load("level1", 1000.0f, 1000.0f, 0);
    m_map->UpdatePosition(D3DXVECTOR3(0, 0, 0), -1.5707964f);
    EXPECT_EQ(m_map->mapX, 500.0f);
    CPVertex vertices[4];
    uint16_t indices[6];
    m_map->FillBuffers(vertices, indices, 8, 0);
    const float z = 0.175f;
    EXPECT_NEAR(vertices[1].u1, 0.5f - z, 1e-5f);
    EXPECT_NEAR(vertices[1].v1, 0.5f - z, 1e-5f);
    EXPECT_NEAR(vertices[3].u1, 0.5f + z, 1e-5f);
    EXPECT_EQ(vertices[0].position, D3DXVECTOR3(240, 528, 0));
    EXPECT_EQ(vertices[2].position, D3DXVECTOR3(40, 728, 0));
    EXPECT_EQ(vertices[3].u2, 1.0f);
    EXPECT_EQ(vertices[2].v2, 1.0f);
    const uint16_t expected[6] = { 8, 9, 10, 8, 10, 11 };
    EXPECT_TRUE(std::equal(indices, indices + 6, expected));
    int32_t first = -1;
    int32_t last = -1;
    m_map->CopyIndices(indices, 0, first, last);
    EXPECT_EQ(indices[5], 3);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(m_map->GetVertexCount(), 4);
    EXPECT_EQ(m_map->GetIndexCount(), 6);

    // A quarter turn swaps the sampled axes.
    m_map->UpdatePosition(D3DXVECTOR3(0, 0, 0), 0.0f);
    m_map->FillBuffers(vertices, indices, 0, 0);
    EXPECT_NEAR(vertices[1].u1, 0.5f + z, 1e-5f);
    EXPECT_NEAR(vertices[1].v1, 0.5f - z, 1e-5f);
}
}
