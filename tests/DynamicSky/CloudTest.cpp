#include "SkyFixture.h"

using Clouds = SkyTest;

TEST_F(Clouds, LayerScalesTurnsAndBoundsItsPuffs)
{
    m_root.MakeFile("data/clouds/puff.txt", kLayerText);
    CPCloudLayer plain;
    plain.Load("puff.txt", 1.0f, 0.0f);
    ASSERT_EQ(plain.puffs.size(), 1u);
    EXPECT_EQ(plain.halfHeight, 7.5f);
    EXPECT_EQ(plain.extent, 15.0f);
    EXPECT_EQ(plain.puffs[0].direction, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(plain.puffs[0].valueB, 2);
    EXPECT_EQ(plain.puffs[0].layer, &plain);
    EXPECT_EQ(plain.value2, 11.0f);
    EXPECT_EQ(plain.value1, 12.0f);
    EXPECT_EQ(plain.triple2, D3DXVECTOR3(4.0f, 5.0f, 6.0f));

    // Scale 2 and a quarter turn: an anchor (1, 0, 0) lands on (0, 2, 0).
    m_root.MakeFile("data/clouds/turned.txt", "anchors 2\na 0 0 0\na 1 0 0\npuffs 2\nc 1 0 0\np 0 0\nw 1\nj 1\ns 1 1\n"
                                              "c 3 0 0\np 0 0\nw 1\nj 5\ns 1 1\n");
    CPCloudLayer turned;
    turned.Load("turned.txt", 2.0f, 1.5707964f);
    ASSERT_EQ(turned.puffs.size(), 2u);
    EXPECT_NEAR(turned.puffs[0].centre.y, 2.0f, 1e-5f);
    EXPECT_NEAR(turned.puffs[0].width, 2.0f, 1e-6f);
    // The puff sits on its anchor, and the second names no anchor: both
    // directions are zero. The tail is missing: the defaults stay.
    EXPECT_NEAR(D3DXVec3Length(&turned.puffs[0].direction), 0.0f, 1e-6f);
    EXPECT_EQ(turned.puffs[1].direction, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(turned.value1, 20.0f);
    EXPECT_EQ(turned.triple1, D3DXVECTOR3(128.0f, 128.0f, 128.0f));

    // No puffs, a missing file, and counts larger than the file.
    struct Case { const char* text; size_t puffs; float extent; };
    for (const Case& c : { Case{ "anchors 0\npuffs 0\n", 0, 0.0f }, Case{ nullptr, 0, 0.0f },
                           Case{ "anchors 1\na 0 0 0\npuffs 1000000\nc 0 0 10\np 1 2\nw 1\nj 0\ns 3 4\nc 0 0 1\n", 1, 15.0f } }) {
        if (c.text)
            m_root.MakeFile("data/clouds/case.txt", c.text);
        CPCloudLayer layer;
        layer.Load(c.text ? "case.txt" : "absent.txt", 1.0f, 0.0f);
        EXPECT_EQ(layer.puffs.size(), c.puffs);
        EXPECT_EQ(layer.extent, c.extent);
        EXPECT_EQ(layer.fadeLevelB, 255.0f);
    }
}

TEST_F(Clouds, SetsAndGroupsReadAsManyEntriesAsAreWhole)
{
    m_root.MakeFile("data/clouds/set.txt", "count 2\n" + CloudEntry(5, 100, 0.2f, "a.txt", 0, 0.5f)
                                               + CloudEntry(6, 50, 0, "\"b c.txt\"", 1, 1) + CloudEntry(7, 1, 0, "x", 0, 1));
    m_root.MakeFile("data/clouds/short.txt", "count 3\n" + CloudEntry(5, 100, 0.2f, "a.txt", 0, 0.5f) + "fade 1\n");
    CPCloudSet set;
    set.Load("set.txt");
    ASSERT_EQ(set.entries.size(), 2u);
    EXPECT_EQ(set.entries[0].jitter, 0.2f);
    EXPECT_EQ(set.entries[0].probability, 0.5f);
    EXPECT_EQ(set.entries[0].valueH, 8);
    EXPECT_EQ(set.entries[1].groupName, "b c.txt");
    EXPECT_EQ(set.entries[1].overcast, 1);
    EXPECT_EQ(set.entries[1].valueI, 9);
    CPCloudSet cut;
    cut.Load("short.txt");
    EXPECT_EQ(cut.entries.size(), 1u);

    m_root.MakeFile("data/clouds/group.txt", CloudGroupText("1 2 3", "puff.txt"));
    m_root.MakeFile("data/clouds/puff.txt", kLayerText);
    CPCloudGroup group;
    group.Load("group.txt");
    ASSERT_EQ(group.entries.size(), 1u);
    ASSERT_EQ(group.layers.size(), 1u);
    CPCloudLayer* layer = group.layers[0];
    EXPECT_EQ(group.entries[0].first, layer);
    EXPECT_EQ(group.entries[0].second, 3.0f);
    EXPECT_EQ(layer->position, D3DXVECTOR3(11.0f, 2.0f, 3.0f));
    EXPECT_EQ(layer->basePosition, D3DXVECTOR3(10.0f, 0.0f, 0.0f));
    EXPECT_EQ(layer->puffs.size(), 1u);
    EXPECT_EQ(group.groupValueB, 2);

    group.Show(true, true);
    EXPECT_TRUE(group.shown && !group.hidden && layer->fadingIn && !layer->fadingOut);
    EXPECT_EQ(layer->fadeLevelA, 255.0f);
    EXPECT_EQ(layer->fadeLevelB, 0.0f);
    layer->dirtyA = layer->dirtyB = false;
    group.Show(false, false); // levels kept
    EXPECT_TRUE(!group.shown && group.hidden && layer->fadingOut && !layer->fadingIn);
    EXPECT_EQ(layer->fadeLevelA, 255.0f);
    EXPECT_EQ(layer->fadeLevelB, 0.0f);
    EXPECT_TRUE(layer->dirtyA && layer->dirtyB);
}
