#include "Core/PGameObject.h"
#include "Render/PLight.h"
#include "Render/PParticleSystem.h"
#include "Render/PSprite.h"
#include "Render/PAnimatedObject.h"
#include "Render/PEffect.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "Render/PTextureBlock.h"
#include "SceneLoaderFixture.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

namespace
{
CPSprite* SpriteOf(const CPSmartPtr<CPGameObject>& object)
{
    return object && object->GetKind() == kBodySprite ? static_cast<CPSprite*>(object->GetBody().Get()) : nullptr;
}

class SceneBuild : public SceneLoader
{
protected:
    void SetUp() override
    {
        SceneLoader::SetUp();
        m_weather = g_CfgWeather;
        Mesh("house.msh", scene::MeshFile({ scene::Triangle("house") }, false));
    }
    void TearDown() override
    {
        g_CfgWeather = m_weather;
        SceneLoader::TearDown();
    }
    int32_t m_weather = 1;
};
}

TEST_F(SceneBuild, MeshRootHangsSpritesLightsSystemsAndLineData)
{
    Mesh("house.rdf", "mesh = house.msh\n"
                      "sprite = lamp, 1, 2, 3, 0.5, , 0, 0, 1\n"
                      "sprite = beacon, 0, 0, 9, 2, missing, 1, 0, 0, 30\n"
                      "light = bulb, house, x, 4, 5, 6, 1, 0.5, 0, 0.2, 40\n"
                      "light = stray, nowhere, x, 0, 0, 0, 1, 1, 1, 0, 1\n"
                      "psystem = smoke, house, 1, 1, 1, 0.25, puff\n"
                      "psystem = snow2, house, 0, 0, 0, 1\n"
                      "linekeypoint = 1, 2, 3\n"
                      "linekeypoint = 4, 5, 6\n"
                      "linecolor = ff102030\n"
                      "[lamp]\nvisible = 0\n");
    g_CfgWeather = 0;
    const CPSmartPtr<CPGameObject> root = Load("house.rdf");
    ASSERT_TRUE(root);

    const CPSmartPtr<CPGameObject> lamp = root->FindPart("lamp");
    ASSERT_TRUE(SpriteOf(lamp));
    EXPECT_FLOAT_EQ(SpriteOf(lamp)->GetSize(), 0.5f);
    EXPECT_FLOAT_EQ(lamp->GetPosition().z, 3.0f);
    EXPECT_FLOAT_EQ(SpriteOf(lamp)->m_cone, 0.0f); // nine fields: no cone
    EXPECT_FALSE(lamp->HasShadow());
    EXPECT_FALSE(lamp->IsStatic());
    EXPECT_FALSE(lamp->IsVisible()); // its section was applied
    const CPSmartPtr<CPGameObject> beacon = root->FindPart("beacon"); // unknown parent: the root
    ASSERT_TRUE(SpriteOf(beacon));
    EXPECT_FLOAT_EQ(SpriteOf(beacon)->m_cone, 30.0f);
    EXPECT_FLOAT_EQ(SpriteOf(beacon)->m_axis.x, 1.0f);

    const CPSmartPtr<CPGameObject> bulb = root->FindPart("bulb");
    ASSERT_TRUE(bulb);
    ASSERT_EQ(bulb->GetKind(), kBodyLight);
    const D3DLIGHT9& light = static_cast<CPLight*>(bulb->GetBody().Get())->GetLightData();
    EXPECT_EQ(light.Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(light.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(light.Ambient.r, 1.0f);
    EXPECT_FLOAT_EQ(light.Specular.a, 0.0f);
    EXPECT_FLOAT_EQ(light.Attenuation1, 0.2f);
    EXPECT_FLOAT_EQ(light.Range, 40.0f);
    EXPECT_FLOAT_EQ(bulb->GetBoundingBox().m_halfSize.x, 40.0f);
    EXPECT_FLOAT_EQ(bulb->GetPosition().x, 4.0f);
    EXPECT_FALSE(root->FindChild("stray"));

    const CPSmartPtr<CPGameObject> smoke = root->FindPart("smoke");
    ASSERT_TRUE(smoke);
    ASSERT_EQ(smoke->GetKind(), kBodyParticleSystem);
    EXPECT_FLOAT_EQ(static_cast<CPParticleSystem*>(smoke->GetBody().Get())->m_period, 0.25f);
    EXPECT_EQ(static_cast<CPParticleSystem*>(smoke->GetBody().Get())->GetTemplateNames(),
              std::vector<std::string>{ "puff" });
    EXPECT_FALSE(root->FindChild("snow2")); // weather off

    ASSERT_EQ(root->GetLineKeyPoints().size(), 2u);
    EXPECT_FLOAT_EQ(root->GetLineKeyPoints()[1].y, 5.0f);
    EXPECT_EQ(root->GetLineColour(), 0xff102030u);

    g_CfgWeather = 1;
    EXPECT_TRUE(Load("house.rdf")->FindPart("snow2"));
}

TEST_F(SceneBuild, GroupRootsTakeLongSpritesOnly)
{
    Mesh("group.rdf", "root = empty\n"
                      "[a]\nvertexeffect = flick 1,2,3\n"
                      "sprite = a, 0, 0, 0, 1, , 0, 1, 0, 0.5\n"
                      "sprite = b, 0, 0, 0, 1, nowhere\n"
                      "light = l, empty, x, 0, 0, 0, 1, 1, 1, 0, 1\n"
                      "lod = null, 100\n"
                      "linekeypoint = 1, 1, 1\n");
    const CPSmartPtr<CPGameObject> root = Load("group.rdf");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetName(), "empty");
    EXPECT_EQ(root->GetKind(), kBodyGroup);
    ASSERT_EQ(root->GetChildren().size(), 2u);
    const CPSmartPtr<CPGameObject> a = root->FindPart("a");
    EXPECT_TRUE(a->IsStatic()); // a sprite's modifier leaves the flag
    EXPECT_EQ(SpriteOf(a)->GetModifiers().size(), 1u);
    EXPECT_FLOAT_EQ(a->GetBoundingBox().m_halfSize.x, 1.0f);
    EXPECT_FLOAT_EQ(SpriteOf(a)->m_cone, 0.5f);
    EXPECT_TRUE(root->GetDetailLevels().empty());
    EXPECT_TRUE(root->GetLineKeyPoints().empty());
}

TEST_F(SceneBuild, DetailLevelsLoadTheirDescriptionsAndNeverLoop)
{
    Mesh("far.rdf", "mesh = house.msh\n");
    Mesh("house.rdf", "mesh = house.msh\n"
                      "lod = null, 300\n"
                      "lod = far.rdf, 600\n"
                      "lod = house.rdf, 900\n"
                      "lod = loop.rdf, 1200\n");
    Mesh("loop.rdf", "mesh = house.msh\nlod = HOUSE.rdf, 5\n");
    const CPSmartPtr<CPGameObject> root = Load("house.rdf");
    ASSERT_TRUE(root);
    const auto& levels = root->GetDetailLevels();
    ASSERT_EQ(levels.size(), 5u);
    EXPECT_EQ(levels[0].object, root);
    EXPECT_EQ(levels[0].distance, 0);
    EXPECT_FALSE(levels[1].object);
    EXPECT_EQ(levels[1].distance, 300);
    ASSERT_TRUE(levels[2].object);
    EXPECT_EQ(levels[2].object->GetSourceName(), "far.rdf");
    EXPECT_FALSE(levels[3].object); // itself
    ASSERT_TRUE(levels[4].object);
    const auto& inner = levels[4].object->GetDetailLevels();
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_FALSE(inner[1].object); // the cycle back to house.rdf
}

TEST_F(SceneBuild, DetailLevelChainsEndAtTheDeepestLoadWithALogLine)
{
    // Each description's detail level is the next one: d1.rdf, d2.rdf, ...
    const int32_t deeper = CPRenderObjectManager::kMaxDescriptionDepth + 1;
    for (int32_t i = 1; i <= deeper; ++i)
        Mesh("d" + std::to_string(i) + ".rdf", "mesh = house.msh\nlod = D" + std::to_string(i + 1) + ".rdf, 10\n");
    const CPSmartPtr<CPGameObject> root = Load("d1.rdf");
    ASSERT_TRUE(root);
    int32_t loaded = 1;
    for (CPGameObject* level = root.Get(); level->GetDetailLevels().size() > 1 && level->GetDetailLevels()[1].object;
         level = level->GetDetailLevels()[1].object.Get())
        ++loaded;
    EXPECT_EQ(loaded, CPRenderObjectManager::kMaxDescriptionDepth);
    // Description values are read in small letters.
    EXPECT_EQ(Refusals(), std::vector<std::string>{ "cannot read Data\\Meshes\\d" + std::to_string(deeper)
                                                     + ".rdf: nested deeper than 256 levels\n" });
}

TEST_F(SceneBuild, MissingFilesFallBackOnceAndMissingMeshesGiveNothing)
{
    Mesh("nomesh.rdf", "mesh = gone.msh\nsprite = s, 0, 0, 0, 1\n");
    EXPECT_FALSE(Load("nomesh.rdf"));
    const CPSmartPtr<CPGameObject> fallback = Load("absent.rdf");
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->GetName(), "empty"); // wrong.rdf
    m_root.Clear();
    EXPECT_FALSE(Load("absent.rdf")); // and wrong.rdf missing too
}

TEST_F(SceneBuild, DescriptionFilesAndShadowTexturesLastOneLoad)
{
    m_root.MakeFile("Data/Descriptions/info.xml", "<info speed=\"3\"/>");
    Mesh("house.rdf", "mesh = house.msh\ndescription = other.xml\ndescription = info.xml\n"
                      "shadowtextures = shadows, _s.tga, _s.fx\n");
    const CPSmartPtr<CPGameObject> root = Load("house.rdf");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetDescriptionName(), "info.xml");
    EXPECT_TRUE(root->GetDescription().RootElement());
    EXPECT_EQ(m_loader.m_shadowTextureFolder, "shadows");
    EXPECT_EQ(m_loader.m_shadowEffectSuffix, "_s.fx");
    EXPECT_EQ(m_loader.m_shadowTexturesOn, 0);
}

TEST_F(SceneBuild, NodeFlagsComeFromTheirSections)
{
    m_dispatcher.RegisterObject(nullptr);
    Mesh("house.rdf", "mesh = house.msh\n"
                      "[house]\nshadow = 0\ncollision = 0\nparam = Door Left\nflametype = 2\nscript = nobody\n"
                      "visible = 1\n");
    const CPSmartPtr<CPGameObject> root = Load("house.rdf");
    ASSERT_TRUE(root);
    EXPECT_FALSE(root->HasShadow());
    EXPECT_FALSE(root->HasCollision());
    EXPECT_TRUE(root->IsVisible());
    EXPECT_EQ(root->GetParam(), "door left");
    EXPECT_EQ(root->GetFlameType(), 2);
    EXPECT_FALSE(root->GetScriptHandler());
    EXPECT_TRUE(root->IsStatic());
}

namespace
{
std::string TextureNames(const CPSmartPtr<CPMaterial>& material)
{
    std::string names;
    const CPTextureBlock* block = material ? material->GetTextureBlock().Get() : nullptr;
    for (uint32_t i = 0; block && i < block->GetCount(); ++i)
        names += (i ? "," : "") + block->GetTexture(i)->GetName();
    return names;
}

std::string EffectName(const CPSmartPtr<CPMaterial>& material)
{
    return material && material->GetEffect() ? material->GetEffect()->GetName() : "";
}
}

TEST_F(SceneBuild, MaterialsTakeTheLayerBaseTypeEffectAndTextures)
{
    for (const char* texture : { "wall.tga", "wall_fire.tga", "b.tga", "c.tga", "leaf.tga" })
        m_root.MakeFile(std::string("Data/Textures/") + texture, scene::FallbackFiles()[2].second);
    scene::Node box = scene::Triangle("box");
    box.children = { scene::Triangle("holey"), scene::Triangle("plain") };
    Mesh("box.msh", scene::MeshFile({ box }, false));
    Mesh("box.rdf", "mesh = box.msh\n"
                    "[box]\ntype = 3\neffectfile = simple.fx\ntexturefile1 = wall.tga\ntexturefile3 = c.tga\n"
                    "texturefile2 = b.tga\n"
                    "[holey]\neffectfile = holey.fx\ntexturefile1 = leaf.tga\nshadow = 0\n");
    m_render->m_shadowMaterial = new CPMaterial(99);

    const CPSmartPtr<CPGameObject> root = Load("box.rdf", 20);
    ASSERT_TRUE(root);
    const CPSmartPtr<CPMaterial> material = static_cast<CPRenderObject*>(root->GetBody().Get())->GetMaterial();
    ASSERT_TRUE(material);
    EXPECT_EQ(material->GetLayerId(), 23);
    EXPECT_EQ(EffectName(material), "simple.fx");
    EXPECT_EQ(TextureNames(material), "wall.tga,b.tga,c.tga");
    EXPECT_EQ(root->GetShadowMaterial(), m_render->m_shadowMaterial);
    // The fire texture of wall.tga exists: the object's own material.
    ASSERT_TRUE(root->GetMaterial());
    EXPECT_EQ(root->GetMaterial()->GetLayerId(), 20);
    EXPECT_EQ(EffectName(root->GetMaterial()), "holey.fx");
    EXPECT_EQ(TextureNames(root->GetMaterial()), "wall_fire.tga");

    const CPSmartPtr<CPGameObject> holey = root->FindPart("holey");
    ASSERT_TRUE(holey->GetShadowMaterial()); // read before "shadow" applied
    EXPECT_EQ(holey->GetShadowMaterial()->GetLayerId(), 16);
    EXPECT_EQ(EffectName(holey->GetShadowMaterial()), "holey_shadow.fx");
    EXPECT_EQ(TextureNames(holey->GetShadowMaterial()), "leaf.tga");
    EXPECT_FALSE(holey->HasShadow());
    EXPECT_FALSE(holey->GetMaterial());
    // No "type" and no effect: the layer base and an empty spec.
    const CPSmartPtr<CPMaterial> plain
        = static_cast<CPRenderObject*>(root->FindPart("plain")->GetBody().Get())->GetMaterial();
    EXPECT_EQ(plain->GetLayerId(), 20);
    EXPECT_EQ(TextureNames(plain), "error.tga"); // one empty stage
    m_render->m_shadowMaterial = CPSmartPtr<CPMaterial>();
}

TEST_F(SceneBuild, ShadowTexturesReplaceTheEffectWhenBothFilesExist)
{
    m_root.MakeFile("Data/Textures/shadows/roof_s.tga", scene::FallbackFiles()[2].second);
    m_root.MakeFile("Data/Textures/a.tga", scene::FallbackFiles()[2].second);
    m_root.MakeFile("Data/Textures/shadows/short_s.tga", scene::FallbackFiles()[2].second);
    m_root.MakeFile("Data/Effects/wall_s.fx", scene::FallbackFiles()[0].second);
    m_root.MakeFile("Data/Effects/fx_s.fx", scene::FallbackFiles()[0].second);
    scene::Node roof = scene::Triangle("roof");
    roof.children = { scene::Triangle("wall"), scene::Triangle("short") };
    Mesh("roof.msh", scene::MeshFile({ roof }, false));
    Mesh("roof.rdf", "mesh = roof.msh\nshadowtextures = shadows, _s.tga, _s.fx\n"
                     "[roof]\neffectfile = wall.fx\ntexturefile1 = a.tga\n"
                     "[wall]\neffectfile = wall.fx\n"
                     "[short]\neffectfile = fx\n");
    const CPSmartPtr<CPGameObject> root = Load("roof.rdf");
    ASSERT_TRUE(root);
    const auto materialOf = [](const CPSmartPtr<CPGameObject>& object) {
        return static_cast<CPRenderObject*>(object->GetBody().Get())->GetMaterial();
    };
    EXPECT_EQ(EffectName(materialOf(root)), "wall_s.fx");
    EXPECT_EQ(TextureNames(materialOf(root)), "a.tga,shadows\\roof_s.tga");
    // No shadows\wall_s.tga: unchanged.
    EXPECT_EQ(EffectName(materialOf(root->FindPart("wall"))), "wall.fx");
    // A spec shorter than its extension is kept whole: "fx" + "_s.fx".
    EXPECT_EQ(EffectName(materialOf(root->FindPart("short"))), "fx_s.fx");
    EXPECT_EQ(m_loader.m_shadowTexturesOn, 0);
}

TEST_F(SceneBuild, VertexEffectsGoToAnimatedBodiesAndKeepMeshesOutOfStaticGeometry)
{
    scene::Node walk = scene::ThreeFrameNode("body");
    Mesh("walk.anm", scene::AnimationFile(walk));
    Mesh("guy.rdf", "root = anim;walk,walk.anm\n[body]\nvertexeffect = fade 1 extra;flick 1,2,3;bogus 1\n");
    const CPSmartPtr<CPGameObject> guy = Load("guy.rdf");
    ASSERT_TRUE(guy);
    EXPECT_EQ(static_cast<CPAnimatedObject*>(guy->GetBody().Get())->GetModifiers().size(), 2u);
    EXPECT_FALSE(guy->IsStatic());
}
