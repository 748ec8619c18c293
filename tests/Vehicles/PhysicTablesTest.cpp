#include "PhysicFixture.h"

namespace
{
void OnContact(CPPhysicContact*) {}
void OnOtherContact(CPPhysicContact*) {}
void OnTerrain(const D3DXVECTOR4*, const D3DXVECTOR4*, int32_t**, const CPPhysicTerrainTriangle**,
               const D3DXVECTOR3**, int32_t*, int32_t*, CPPhysicBodyHeader*)
{
}
}

TEST(PhysicMaterialTable, SetAcceptsIndicesZeroTo255Only)
{
    WorldPtr world = MakeWorld();
    CPPhysicMaterialTable& table = world->m_materialTable;
    struct Case
    {
        int32_t index;
        bool accepted;
    };
    const Case cases[] = { { 0, true }, { 255, true }, { 256, false }, { -1, false }, { 300, false } };
    for (const Case& c : cases) {
        EXPECT_EQ(table.Set(c.index, 0.1f, 0.2f, 0.3f), c.accepted) << c.index;
        EXPECT_EQ(table.Get(c.index) != nullptr, c.accepted);
    }
    EXPECT_FALSE(world->SetMaterial(300, 0.2f, 0.0f));
    EXPECT_EQ(table.m_entries[255].m_third, 0.3f);

    // The game's material set-up: the third coefficient becomes 0.
    EXPECT_TRUE(world->SetMaterial(1, 0.2f, 0.0f));
    const CPPhysicMaterial* set = table.Get(1);
    EXPECT_EQ(set->m_friction, 0.2f);
    EXPECT_EQ(set->m_restitution, 0.0f);
    EXPECT_EQ(set->m_third, 0.0f);
    const CPPhysicMaterial* untouched = table.Get(2);
    EXPECT_EQ(untouched->m_friction, 0.5f);
    EXPECT_EQ(untouched->m_restitution, 0.4f);
    EXPECT_EQ(untouched->m_third, 1.0f);
}

TEST(PhysicCollisionTable, PairsStaySymmetricAndTerrainHasItsOwnRow)
{
    WorldPtr world = MakeWorld();
    CPPhysicCollisionTable* table = world->GetCollisionTable();
    ASSERT_EQ(table, &world->m_collisionTable);
    struct Case
    {
        int32_t a, b, value;
    };
    // The last four lie outside the table and change nothing.
    const Case cases[] = { { 0, -1, 3 }, { -1, 5, 0 }, { 2, 5, 0 }, { 7, 7, 4 }, { -1, -1, 9 },
                           { 64, 0, 9 }, { 0, -2, 9 }, { -1, 64, 9 } };
    for (const Case& c : cases)
        table->Set(c.a, c.b, c.value);

    for (int a = 0; a < CPPhysicCollisionTable::kGroupCount; ++a) {
        const int32_t terrain = a == 0 ? 3 : a == 5 ? 0 : 1;
        EXPECT_EQ(table->m_terrain[a], terrain) << a;
        for (int b = 0; b < CPPhysicCollisionTable::kGroupCount; ++b) {
            int32_t pair = 1;
            if ((a == 2 && b == 5) || (a == 5 && b == 2))
                pair = 0;
            else if (a == 7 && b == 7)
                pair = 4;
            ASSERT_EQ(table->m_pairs[a][b], pair) << a << ", " << b;
        }
    }
}

TEST(PhysicWorldCallbacks, CollisionReturnsThePreviousAndTerrainReturnsItself)
{
    WorldPtr world = MakeWorld();
    EXPECT_EQ(world->SetCollisionCallback(&OnContact), nullptr);
    EXPECT_EQ(world->SetCollisionCallback(&OnOtherContact), &OnContact);
    EXPECT_EQ(world->m_collisionCallback, &OnOtherContact);
    EXPECT_EQ(world->SetTerrainQueryCallback(&OnTerrain), &OnTerrain);
    EXPECT_EQ(world->SetTerrainQueryCallback(&OnTerrain), &OnTerrain);
    EXPECT_EQ(world->m_terrainQueryCallback, &OnTerrain);
}
