#include "ImageBuilder.h"
#include "ResourceFixture.h"

#include <string>
#include <vector>

namespace
{
class Materials : public RenderResources
{
protected:
    void SetUp() override
    {
        RenderResources::SetUp();
        m_root.MakeFile("Data/Effects/simple.fx", "technique T { pass P { } }");
        m_root.MakeFile("Data/Effects/error.fx", "technique E { pass P { } }");
        m_root.MakeFile("Data/Effects/wall.fx", "texture tex0; technique W { pass P { } }");
        m_root.MakeFile("Data/Effects/bad.fx", "}");
        m_root.MakeFile("Data/Textures/error.tga", image::Tga(2, 2, image::Fill(2, 2, 0xFFFF00FF)));
        m_root.MakeFile("Data/Textures/wall.tga", image::Tga(2, 2, image::Fill(2, 2, 0xFF808080)));
    }
};

TEST_F(Materials, EqualRequestsShareOneMaterial)
{
    const std::vector<std::string> wall = { "wall.tga" };
    const CPSmartPtr<CPMaterial> a = g_MaterialManager->GetMaterial(20, "wall.fx", wall);
    const CPSmartPtr<CPMaterial> b = g_MaterialManager->GetMaterial(20, "wall.fx", wall);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetLayerId(), 20);
    EXPECT_EQ(a->GetEffect().Get(), g_EffectManager->FindEffect("wall.fx"));
    EXPECT_EQ(a->GetTextureBlock()->GetTexture(0), g_TextureManager->FindTexture("wall.tga"));
    EXPECT_EQ(a->GetRenderSystem(), m_render);
    EXPECT_EQ(a->GetTypeName(), "CPMaterial - wall.fx");

    // Another layer, effect spec or texture spelling: another material.
    const CPSmartPtr<CPMaterial> others[] = {
        g_MaterialManager->GetMaterial(21, "wall.fx", wall),
        g_MaterialManager->GetMaterial(20, "wall.fx,shared", wall),
        g_MaterialManager->GetMaterial(20, "wall.fx", { "WALL.tga" }),
        g_MaterialManager->GetMaterial(20, "wall.fx", {}),
    };
    for (const CPSmartPtr<CPMaterial>& other : others)
        EXPECT_NE(other, a);
    EXPECT_EQ(g_MaterialManager->GetMaterialCount(), 5u);
}

TEST_F(Materials, MissingPartsUseTheFallbacks)
{
    const CPSmartPtr<CPMaterial> broken = g_MaterialManager->GetMaterial(3, "bad.fx", { "none.tga" });
    EXPECT_EQ(broken->GetTypeName(), "CPMaterial - error.fx");
    EXPECT_EQ(broken->GetTextureBlock()->GetTexture(0)->GetName(), "error.tga");

    // Without textures every request shares the empty block.
    const CPSmartPtr<CPMaterial> bare = g_MaterialManager->GetMaterial(3, "wall.fx", {});
    const CPSmartPtr<CPMaterial> bareOther = g_MaterialManager->GetMaterial(4, "bad.fx", {});
    EXPECT_EQ(bare->GetTextureBlock(), bareOther->GetTextureBlock());
    EXPECT_EQ(bare->GetTextureBlock()->GetCount(), 0u);
}

TEST_F(Materials, ADestroyedMaterialLeavesTheList)
{
    CPMaterial* first = g_MaterialManager->GetMaterial(20, "wall.fx", { "wall.tga" }).Get();
    delete first;
    EXPECT_EQ(g_MaterialManager->GetMaterialCount(), 0u);
    const CPSmartPtr<CPMaterial> again = g_MaterialManager->GetMaterial(20, "wall.fx", { "wall.tga" });
    EXPECT_EQ(g_MaterialManager->GetMaterialCount(), 1u);
    EXPECT_EQ(again->GetLayerId(), 20);
}
}
