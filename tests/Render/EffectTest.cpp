#include "ResourceFixture.h"

#include <string>
#include <vector>

namespace
{
const char kSimple[] = "float time; texture tex0; technique Simple { pass P { } }";
const char kError[] = "technique Error { pass P { } }";
// Every shared parameter, texture parameters 0, 1 and 3.
const char kSharedEffect[] = R"(
shared float4x4 g_mViewInv; shared float4 g_vLight; shared float4 g_vLightColor;
shared float4x4 g_mWorldViewProjection; shared float4x4 g_mViewProjection; shared float4x4 g_mWorldView;
shared float4 g_vAmbient; shared float4 g_vCameraPos;
float time; texture tex0; texture tex1; texture tex3;
technique Lit { pass P { PixelShader = compile ps_2_0 Main(); } }
float4 Main() : COLOR { return g_vAmbient; }
)";

class Effects : public RenderResources
{
protected:
    void SetUp() override
    {
        RenderResources::SetUp();
        m_root.MakeFile("Data/Effects/simple.fx", kSimple);
        m_root.MakeFile("Data/Effects/error.fx", kError);
        m_root.MakeFile("Data/Effects/lit.fx", kSharedEffect);
        m_root.MakeFile("Data/Effects/other.fx", kSharedEffect);
        m_root.MakeFile("Data/Effects/broken.fx", "this is not an effect {");
        m_root.MakeFile("Data/Effects/ps3.fx", "float4 F() : COLOR { return 0; }\n"
                                                "technique High { pass P { PixelShader = compile ps_3_0 F(); } }");
    }

    static const PlatformD3DX::EffectRecord& Record(const CPSmartPtr<CPEffect>& effect)
    {
        return *PlatformD3DX::RecordOf(effect->GetEffect());
    }
};

TEST_F(Effects, EachFailureFallsBackAndIsCachedUnderTheRequestedSpec)
{
    struct Case
    {
        const char* spec;
        const char* compiledFrom; // the technique that identifies the file
        int reports;
        const char* notOpened; // the log's line for the file it looked for, or null
    };
    const Case cases[] = {
        { "missing.fx", "Simple", 0, "cannot open Data\\Effects\\missing.fx: No such file or directory\n" },
        { "", "Simple", 0, nullptr }, // no name: no file is looked for
        { ",shared", "Simple", 0, nullptr },
        { "broken.fx", "Error", 1, nullptr },
        { "lit.fx", "Lit", 0, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        m_reports.clear();
        const int made = PlatformD3DX::EffectCreationCount();
        const CPSmartPtr<CPEffect> effect = g_EffectManager->GetEffect(c.spec);
        ASSERT_TRUE(effect);
        ASSERT_NE(effect->GetEffect(), nullptr);
        EXPECT_EQ(Record(effect).current, c.compiledFrom);
        EXPECT_EQ(ReportsFrom("Render/PEffect"), c.reports);
        EXPECT_EQ(FilesNotOpened(), c.notOpened ? std::vector<std::string>{ c.notOpened } : std::vector<std::string>{});
        // The loser of a failed load is gone: only cached effects stay listed.
        EXPECT_EQ(CPDeviceObject::Count(), g_EffectManager->GetEffectCount());

        // Asked again: the same object, nothing compiled.
        EXPECT_EQ(g_EffectManager->GetEffect(c.spec), effect);
        EXPECT_EQ(PlatformD3DX::EffectCreationCount(), made + 1);
        EXPECT_EQ(g_EffectManager->FindEffect(c.spec), effect.Get());
    }
    EXPECT_EQ(g_EffectManager->FindEffect("missing.fx")->GetTypeName(), "CPEffect - missing.fx");
    EXPECT_EQ(g_EffectManager->FindEffect("broken.fx")->GetTypeName(), "CPEffect - error.fx");
}

TEST_F(Effects, WithoutErrorEffectTheCachedEffectHasNoDeviceEffect)
{
    m_root.Clear();
    const CPSmartPtr<CPEffect> effect = g_EffectManager->GetEffect("missing.fx");
    EXPECT_EQ(effect->GetEffect(), nullptr);
    EXPECT_EQ(effect->GetName(), "error.fx");
    CPDeviceObject::LoseAll();
    CPDeviceObject::ResetAll();
    EXPECT_EQ(g_EffectManager->GetEffect("missing.fx"), effect);
}

TEST_F(Effects, TimeAndTextureHandlesStopAtTheFirstMissingNumber)
{
    const CPSmartPtr<CPEffect> lit = g_EffectManager->GetEffect("lit.fx");
    ID3DXEffect* device = lit->GetEffect();
    EXPECT_EQ(lit->GetTimeHandle(), device->GetParameterByName(nullptr, "time"));
    ASSERT_EQ(lit->GetTextureHandles().size(), 2u);
    EXPECT_EQ(lit->GetTextureHandles()[1], device->GetParameterByName(nullptr, "tex1"));

    const CPSmartPtr<CPEffect> plain = g_EffectManager->GetEffect("error.fx");
    EXPECT_EQ(plain->GetTimeHandle(), nullptr);
    EXPECT_TRUE(plain->GetTextureHandles().empty());
}

TEST_F(Effects, SharedOptionPutsTheEffectInThePool)
{
    const CPSmartPtr<CPEffect> shared = g_EffectManager->GetEffect("lit.fx,shared");
    const CPSmartPtr<CPEffect> plain = g_EffectManager->GetEffect("lit.fx");
    const CPSmartPtr<CPEffect> capitals = g_EffectManager->GetEffect("lit.fx,SHARED");
    const CPSmartPtr<CPEffect> spaced = g_EffectManager->GetEffect("lit.fx, shared ,x");
    EXPECT_NE(shared, plain);
    EXPECT_EQ(Record(shared).pool, g_EffectManager->GetPool());
    EXPECT_EQ(Record(plain).pool, nullptr);
    EXPECT_EQ(Record(capitals).pool, nullptr);
    EXPECT_EQ(Record(spaced).pool, g_EffectManager->GetPool());
    EXPECT_EQ(g_EffectManager->GetEffectCount(), 4u);
}

TEST_F(Effects, OnlyAnEffectMadeInThePoolBecomesTheReference)
{
    // A shared spec that fell back to the plain effect outside the pool
    // leaves the reference for the next one.
    const CPSmartPtr<CPEffect> missing = g_EffectManager->GetEffect("missing.fx,shared");
    EXPECT_EQ(Record(missing).pool, nullptr);
    EXPECT_EQ(g_EffectManager->GetReferenceEffect(), nullptr);
    const CPSmartPtr<CPEffect> broken = g_EffectManager->GetEffect("broken.fx,shared");
    EXPECT_EQ(g_EffectManager->GetReferenceEffect(), nullptr);

    CPEffect* const first = g_EffectManager->GetEffect("lit.fx,shared").Get();
    const CPSmartPtr<CPEffect> second = g_EffectManager->GetEffect("other.fx,shared");
    ASSERT_EQ(g_EffectManager->GetReferenceEffect(), first->GetEffect());
    for (int which = 0; which < CPEffectManager::kSharedHandleCount; ++which) {
        const auto handle = static_cast<CPEffectManager::SharedHandle>(which);
        EXPECT_EQ(g_EffectManager->GetSharedHandle(handle),
                  first->GetEffect()->GetParameterByName(nullptr, CPEffectManager::kSharedNames[which]))
            << CPEffectManager::kSharedNames[which];
    }

    // Values set once on the reference reach every effect of the pool.
    const D3DXVECTOR4 ambient(0.25f, 0.5f, 0.75f, 1.0f);
    g_EffectManager->GetReferenceEffect()->SetVector(g_EffectManager->GetSharedHandle(CPEffectManager::kAmbient),
                                                     &ambient);
    D3DXVECTOR4 seen;
    second->GetEffect()->GetVector("g_vAmbient", &seen);
    EXPECT_EQ(seen, ambient);

    // The reference outlives the effect that made it.
    delete first;
    EXPECT_NE(PlatformD3DX::RecordOf(g_EffectManager->GetReferenceEffect()), nullptr);
    EXPECT_EQ(g_EffectManager->FindEffect("lit.fx,shared"), nullptr);
}

TEST_F(Effects, NoValidTechniqueLeavesNoneSelected)
{
    const CPSmartPtr<CPEffect> high = g_EffectManager->GetEffect("ps3.fx");
    ASSERT_NE(high->GetEffect(), nullptr);
    EXPECT_EQ(Record(high).current, "");
    EXPECT_EQ(Record(high).valid, std::vector<bool>{ false });
}

TEST_F(Effects, DeviceLossIsPassedToEveryEffect)
{
    const CPSmartPtr<CPEffect> a = g_EffectManager->GetEffect("lit.fx");
    const CPSmartPtr<CPEffect> b = g_EffectManager->GetEffect("missing.fx");
    CPDeviceObject::LoseAll();
    CPDeviceObject::ResetAll();
    for (const CPSmartPtr<CPEffect>& effect : { a, b }) {
        EXPECT_EQ(Record(effect).lostCount, 1);
        EXPECT_EQ(Record(effect).resetCount, 1);
    }
}
}
