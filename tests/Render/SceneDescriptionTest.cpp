#include "Render/PSceneDescription.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
CPSceneDescription Parse(const std::string& text)
{
    CPSceneDescription description;
    description.Parse(text.data(), static_cast<int32_t>(text.size()));
    return description;
}
}

TEST(SceneDescription, KeysAndValuesAreLowerCasedAndSectionsMerge)
{
    const CPSceneDescription d = Parse("Mesh = House.P3D\n"
                                       "EffectFile = early.fx\n"
                                       "[Wheel]\n"
                                       "  TextureFile1 = Tree01.DDS  \n"
                                       "type = 3\n"
                                       "// a comment\n"
                                       "[roof]\n"
                                       "shadow = 0\n"
                                       "[wheel]\n"
                                       "type = 4 = ignored\n"
                                       "custom = \"a=b\"\n");
    EXPECT_EQ(d.rootSpec, "House.P3D");
    ASSERT_EQ(d.nodes.count("wheel"), 1u);
    const CPAttributeMap& wheel = d.nodes.at("wheel");
    EXPECT_EQ(wheel.at("texturefile1"), "tree01.dds");
    EXPECT_EQ(wheel.at("type"), "4");
    EXPECT_EQ(wheel.at("custom"), "a=b");
    EXPECT_EQ(wheel.count("effectfile"), 0u); // before any section: dropped
    EXPECT_EQ(d.nodes.at("roof").at("shadow"), "0");
}

TEST(SceneDescription, GlobalKeysFillListsAndTheLastSingleValueHolds)
{
    const CPSceneDescription d = Parse("root = empty\n"
                                       "[lamp]\n"
                                       "Sprite = Glow, 1, 2, 3, 0.5, lamp\n"
                                       "sprite = b,0,0,0,1,,0,0,1,30\n"
                                       "lod = far.rdf, 300\n"
                                       "light = l1, lamp, x, 1, 2, 3, 1, 0.5, 0, 0.1, 40\n"
                                       "linekeypoint = 1, 2, 3\n"
                                       "psystem = snow2, lamp, 0, 0, 0, 0.25, flakes, dust\n"
                                       "linecolor = FF00ff00\n"
                                       "description = a\n"
                                       "description = b\n"
                                       "shadowtextures = shadows, _s.tga, _s.fx\n");
    EXPECT_EQ(d.rootSpec, "empty");
    ASSERT_EQ(d.sprites.size(), 2u);
    EXPECT_EQ(d.sprites[0], (CPDescriptionFields{ "glow", "1", "2", "3", "0.5", "lamp" }));
    EXPECT_EQ(d.sprites[1].size(), 10u);
    EXPECT_EQ(d.sprites[1][5], "");
    EXPECT_EQ(d.detailLevels[0], (CPDescriptionFields{ "far.rdf", "300" }));
    EXPECT_EQ(d.lights[0].size(), 11u);
    EXPECT_EQ(d.lineKeyPoints.size(), 1u);
    EXPECT_EQ(d.particleSystems[0].back(), "dust");
    EXPECT_EQ(d.lineColour, "ff00ff00");
    EXPECT_EQ(d.descriptionFile, "b");
    EXPECT_EQ(d.shadowTextures, "shadows, _s.tga, _s.fx");
    // Global keys never land in a section.
    EXPECT_TRUE(d.nodes.at("lamp").empty());
}

TEST(SceneDescription, NumbersReadUpToTheFirstCharacterThatCannotContinueThem)
{
    EXPECT_FLOAT_EQ(DescriptionFloat("2.5m"), 2.5f);
    EXPECT_FLOAT_EQ(DescriptionFloat("x"), 0.0f);
    EXPECT_EQ(DescriptionInt("12abc"), 12);
    EXPECT_EQ(DescriptionInt(""), 0);
}

TEST(SceneDescription, EmptyAndBracketOnlyTextsGiveNoRoot)
{
    EXPECT_EQ(Parse("").rootSpec, "");
    EXPECT_EQ(Parse("\n\n  \n").rootSpec, "");
    EXPECT_EQ(Parse("just text\n").rootSpec, "");
}
