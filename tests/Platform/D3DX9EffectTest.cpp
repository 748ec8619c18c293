#include "Platform/D3D9Device.h"
#include "Platform/D3DX9Effect.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// Parameters of every declaration form, a sampler, a struct, a function and
// two techniques, the first needing pixel shader 3.0.
const char kEffect[] = R"(
// a comment with { an unbalanced brace
/* and a block comment ( too */
shared float4x4 g_mViewProjection : VIEWPROJECTION;
shared uniform float4 g_vLight <string UIName = "light; dir";> = { 0, 0, 1, 0 };
static const float scale = 2.0f;
float time;
float weights[3];
texture tex0;
sampler2D s0 = sampler_state { Texture = <tex0>; MinFilter = LINEAR; };
struct VS_OUT { float4 position : POSITION; };
VS_OUT output;
VS_OUT Main(float4 p : POSITION) { VS_OUT o; o.position = mul(p, g_mViewProjection); return o; }
float4 Pixel() : COLOR { return float4(1, 1, 1, 1); }
technique Fancy { pass P0 { VertexShader = compile vs_2_0 Main(); PixelShader = compile ps_3_0 Pixel(); } }
technique Plain < string note = "x"; > { pass { PixelShader = compile ps_2_0 Pixel(); } pass Second { } }
)";

class D3DX9Effect : public ::testing::Test
{
protected:
    void SetUp() override { m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{}); }
    void TearDown() override
    {
        m_device->Release();
        EXPECT_EQ(PlatformD3DX::LiveEffectCount(), 0);
        EXPECT_EQ(PlatformD3DX::LivePoolCount(), 0);
    }

    HRESULT Create(const std::string& text, ID3DXEffect** effect, ID3DXEffectPool* pool = nullptr,
                   std::string* errors = nullptr)
    {
        ID3DXBuffer* buffer = nullptr;
        const HRESULT result = D3DXCreateEffect(m_device, text.data(), static_cast<UINT>(text.size()), nullptr,
                                                nullptr, 0, pool, effect, &buffer);
        if (buffer) {
            if (errors)
                *errors = static_cast<const char*>(buffer->GetBufferPointer());
            buffer->Release();
        }
        return result;
    }

    PlatformD3D9::RecordingDevice* m_device = nullptr;
};

TEST_F(D3DX9Effect, TopLevelNamesAnswerAndTechniquesFollowTheShaderCaps)
{
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(Create(kEffect, &effect), D3D_OK);
    for (const char* name : { "g_mViewProjection", "g_vLight", "scale", "time", "weights", "tex0", "s0" })
        EXPECT_NE(effect->GetParameterByName(nullptr, name), nullptr) << name;
    for (const char* name : { "Main", "Pixel", "VS_OUT", "position", "Fancy", "TIME" })
        EXPECT_EQ(effect->GetParameterByName(nullptr, name), nullptr) << name;
    EXPECT_EQ(effect->GetParameterByName(effect->GetParameterByName(nullptr, "time"), "time"), nullptr);

    const PlatformD3DX::EffectRecord* record = PlatformD3DX::RecordOf(effect);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->techniques, (std::vector<std::string>{ "Fancy", "Plain" }));
    EXPECT_EQ(record->valid, (std::vector<bool>{ false, true }));

    D3DXHANDLE technique = nullptr;
    ASSERT_EQ(effect->FindNextValidTechnique(nullptr, &technique), D3D_OK);
    EXPECT_STREQ(technique, "Plain");
    D3DXHANDLE after = technique;
    effect->FindNextValidTechnique(technique, &after);
    EXPECT_EQ(after, nullptr);
    ASSERT_EQ(effect->SetTechnique(technique), D3D_OK);
    EXPECT_EQ(record->current, "Plain");
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    EXPECT_EQ(effect->BeginPass(1), D3D_OK);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
    effect->Release();

    // A device with pixel shader 3.0 runs the first technique.
    m_device->Caps().PixelShaderVersion = D3DPS_VERSION(3, 0);
    ASSERT_EQ(Create(kEffect, &effect), D3D_OK);
    effect->FindNextValidTechnique(nullptr, &technique);
    EXPECT_STREQ(technique, "Fancy");
    effect->Release();
}

TEST_F(D3DX9Effect, TextsThatAreNotEffectsFailWithAReason)
{
    const std::pair<std::string, std::string> cases[] = {
        { "this is not an effect {", "unbalanced braces" },
        { "float4 f() { return (1; }", "unbalanced parentheses" },
        { "string s = \"open;\nfloat x;", "unbalanced quotes" },
        { "float x; /* never closed", "comment without end" },
        { "float x;\nx = 3;", "effect(2)" },
        { "float x", "';' expected" },
        { "technique T { float x; }", "'pass' expected" },
    };
    const int made = PlatformD3DX::EffectCreationCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(this);
        std::string errors;
        EXPECT_TRUE(FAILED(Create(c.first, &effect, nullptr, &errors)));
        EXPECT_EQ(effect, nullptr);
        EXPECT_NE(errors.find(c.second), std::string::npos) << errors;
    }
    EXPECT_EQ(PlatformD3DX::EffectCreationCount(), made);
}

TEST_F(D3DX9Effect, SharedValuesAreSeenByEveryEffectOfThePool)
{
    ID3DXEffectPool* pool = nullptr;
    ASSERT_EQ(D3DXCreateEffectPool(&pool), D3D_OK);
    ID3DXEffect* first = nullptr;
    ID3DXEffect* second = nullptr;
    ID3DXEffect* outside = nullptr;
    ASSERT_EQ(Create(kEffect, &first, pool), D3D_OK);
    ASSERT_EQ(Create("shared float4 g_vLight; float time;", &second, pool), D3D_OK);
    ASSERT_EQ(Create(kEffect, &outside), D3D_OK);
    EXPECT_EQ(PlatformD3DX::RecordOf(first)->pool, pool);
    EXPECT_EQ(PlatformD3DX::RecordOf(outside)->pool, nullptr);

    const D3DXVECTOR4 light(1.0f, 2.0f, 3.0f, 4.0f);
    ASSERT_EQ(first->SetVector(first->GetParameterByName(nullptr, "g_vLight"), &light), D3D_OK);
    ASSERT_EQ(first->SetFloat(first->GetParameterByName(nullptr, "time"), 7.0f), D3D_OK);

    D3DXVECTOR4 seen;
    ASSERT_EQ(second->GetVector(second->GetParameterByName(nullptr, "g_vLight"), &seen), D3D_OK);
    EXPECT_EQ(seen, light);
    ASSERT_EQ(outside->GetVector(outside->GetParameterByName(nullptr, "g_vLight"), &seen), D3D_OK);
    EXPECT_EQ(seen, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
    // Parameters that are not shared stay each effect's own.
    float time = -1.0f;
    ASSERT_EQ(second->GetFloat(second->GetParameterByName(nullptr, "time"), &time), D3D_OK);
    EXPECT_EQ(time, 0.0f);

    first->Release();
    ASSERT_EQ(second->GetVector(second->GetParameterByName(nullptr, "g_vLight"), &seen), D3D_OK);
    EXPECT_EQ(seen, light);
    second->Release();
    outside->Release();
    pool->Release();
}

TEST_F(D3DX9Effect, ValuesTexturesAndDeviceLossAreKept)
{
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(Create(kEffect, &effect), D3D_OK);
    const D3DXHANDLE weights = effect->GetParameterByName(nullptr, "weights");
    const float three[3] = { 1.0f, 2.0f, 3.0f };
    const float four[4] = {};
    EXPECT_EQ(effect->SetValue(weights, three, sizeof(three)), D3D_OK);
    EXPECT_EQ(effect->SetValue(weights, four, sizeof(four)), D3DERR_INVALIDCALL);
    float back[3] = {};
    ASSERT_EQ(effect->GetValue("weights", back, sizeof(back)), D3D_OK);
    EXPECT_EQ(back[2], 3.0f);
    // A parameter of a type without a value (a struct here) takes nothing.
    const D3DXMATRIX identity;
    D3DXMATRIX untouched;
    EXPECT_EQ(effect->SetMatrix("output", &identity), D3D_OK);
    ASSERT_EQ(effect->GetMatrix("output", &untouched), D3D_OK);
    EXPECT_EQ(untouched._11, 0.0f);

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    const D3DXHANDLE tex0 = effect->GetParameterByName(nullptr, "tex0");
    EXPECT_EQ(effect->SetTexture(tex0, texture), D3D_OK);
    EXPECT_EQ(effect->SetTexture(weights, texture), D3DERR_INVALIDCALL);
    texture->Release(); // the parameter still holds it
    IDirect3DBaseTexture9* held = nullptr;
    ASSERT_EQ(effect->GetTexture(tex0, &held), D3D_OK);
    EXPECT_EQ(held, texture);
    held->Release();

    effect->OnLostDevice();
    effect->OnResetDevice();
    effect->OnResetDevice();
    EXPECT_EQ(PlatformD3DX::RecordOf(effect)->lostCount, 1);
    EXPECT_EQ(PlatformD3DX::RecordOf(effect)->resetCount, 2);
    effect->Release();
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
}
}
