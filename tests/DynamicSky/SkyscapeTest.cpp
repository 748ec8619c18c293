#include "DynamicSky/Skyscape.h"
#include "Platform/D3D9Device.h"

#include <gtest/gtest.h>

TEST(Skyscape, IsAnEmptyDeviceObjectThatFreesItsResources)
{
    IDirect3DDevice9* device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
    const size_t before = CPDeviceObject::Count();
    CPVertexObject* sky = new CPSkyscape();
    EXPECT_EQ(CPDeviceObject::Count(), before + 2); // with its volume cloud
    EXPECT_EQ(static_cast<CPSkyscape*>(sky)->cloudTimeScale, 4.0f);
    EXPECT_FALSE(sky->useSecondEffect);
    EXPECT_TRUE(sky->workVertices.empty());

    device->CreateVertexBuffer(960000, D3DUSAGE_WRITEONLY, 0x2D2, D3DPOOL_MANAGED, &sky->vertexBuffer, nullptr);
    device->CreateIndexBuffer(120000, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &sky->indexBuffer, nullptr);
    device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &sky->texture, nullptr);
    sky->OnLostDevice(); // managed resources stay
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 3);

    delete sky; // through the base, as the render system replaces its sky
    EXPECT_EQ(CPDeviceObject::Count(), before);
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 0);
    device->Release();
}

#include "Platform/CRand.h"
#include "Race/PLevel.h"
#include "SkyFixture.h"

#include <cmath>

using Skyscapes = SkyTest;

TEST_F(Skyscapes, LoadsTheDomeKeyframesMeshesAndClouds)
{
    WriteSky();
    CPSkyscape sky;
    sky.Load("sky.txt");

    // The dome: 5 rings of 17 vertices, 128 triangles, ring 0 at the horizon.
    ASSERT_EQ(sky.sourceVertices.size(), 85u);
    EXPECT_EQ(sky.indices.size(), 128u * 3u);
    EXPECT_NEAR(sky.sourceVertices[0].position.x, 100.0f, 1e-3f);
    EXPECT_NEAR(sky.sourceVertices[0].position.y, 0.0f, 1e-3f);
    EXPECT_NEAR(sky.sourceVertices[0].position.z, -10.0f, 1e-3f);
    EXPECT_NEAR(sky.sourceVertices[84].position.z, 40.0f, 1e-3f); // the top, H x R above
    EXPECT_EQ(sky.sourceVertices[0].u1, 0.0f);
    EXPECT_EQ(sky.sourceVertices[0].v1, 0.0f);
    EXPECT_EQ(sky.sourceVertices[0].diffuse, 0x80FFFFFFu);
    EXPECT_NE(sky.texture, nullptr);
    EXPECT_NE(sky.effect, nullptr);
    EXPECT_NE(sky.secondEffect, nullptr);
    EXPECT_EQ(sky.colourPointCount, 3);
    EXPECT_EQ(sky.ringsPerColourStep, 2);

    ASSERT_EQ(sky.keyframes.size(), 3u);
    const CPSkyKeyframe& second = sky.keyframes[1];
    EXPECT_EQ(second.colourPoints.size(), 3u);
    EXPECT_EQ(second.sunColour, D3DXVECTOR3(210.0f, 100.0f, 50.0f));
    EXPECT_EQ(second.skyColourB, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(second.skyColourA, D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    EXPECT_EQ(second.tintComponent, 2);
    EXPECT_NEAR(second.angle, 1.5707964f, 1e-6f);
    EXPECT_EQ(second.meshScales, (std::vector<float>{ 2.0f, 3.0f }));
    EXPECT_EQ(sky.keyframeIndex, 1);
    EXPECT_EQ(sky.current.fogStart, 60.0f);

    ASSERT_EQ(sky.skyMeshes.size(), 2u);
    EXPECT_EQ(sky.skyMeshes[0]->axis, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(sky.skyMeshes[0]->textureIndex, 1); // stepped as the start keyframe began
    EXPECT_NEAR(sky.skyMeshes[1]->baseAngle, 0.7853982f, 1e-6f);
    EXPECT_EQ(sky.skyMeshes[1]->effectIndex, 1);

    // Three group lines, one name twice: two groups.
    ASSERT_EQ(sky.cloudGroups.size(), 2u);
    ASSERT_EQ(sky.cloudSet.entries.size(), 2u);
    EXPECT_EQ(sky.cloudStateIndex, 0);
    EXPECT_EQ(sky.cloudState.groupName, "clear.txt");
    EXPECT_TRUE(sky.fadingIn);
    EXPECT_EQ(sky.activeGroups, (std::vector<CPCloudGroup*>{ sky.cloudGroups["clear.txt"] }));
}

TEST_F(Skyscapes, HeaderValuesAreClampedOrRefused)
{
    struct Case
    {
        const char* what;
        SkyText text;
        int32_t colourPoints;
        int32_t ringsPerStep;
        size_t vertices;
        int32_t keyframeIndex;
        int32_t tint;
    };
    const auto with = [](auto change) {
        SkyText text;
        change(text);
        return text;
    };
    const Case cases[] = {
        { "as written", SkyText(), 3, 2, 85, 1, 2 },
        { "one colour point", with([](SkyText& t) { t.colourPoints = 1; }), 2, 4, 85, 1, 2 },
        { "rings per step below one", with([](SkyText& t) { t.colourPoints = 9; }), 9, 1, 85, 1, 2 },
        { "dome too large", with([](SkyText& t) { t.segments = 204; }), 3, 25, 0, 1, 2 },
        { "start past the keyframes", with([](SkyText& t) { t.startKeyframe = 3; }), 3, 2, 85, 0, 2 },
        { "negative start", with([](SkyText& t) { t.startKeyframe = -1; }), 3, 2, 85, 0, 2 },
        { "tint line 0", with([](SkyText& t) { t.tintLine = 0; }), 3, 2, 85, 1, 0 },
        { "tint line 9", with([](SkyText& t) { t.tintLine = 9; }), 3, 2, 85, 1, 2 },
    };
    for (const Case& c : cases) {
        WriteSky(c.text);
        CPSkyscape sky;
        sky.Load("sky.txt");
        EXPECT_EQ(sky.colourPointCount, c.colourPoints) << c.what;
        EXPECT_EQ(sky.ringsPerColourStep, c.ringsPerStep) << c.what;
        EXPECT_EQ(sky.sourceVertices.size(), c.vertices) << c.what;
        EXPECT_EQ(sky.keyframeIndex, c.keyframeIndex) << c.what;
        ASSERT_EQ(sky.keyframes.size(), 3u) << c.what;
        EXPECT_EQ(sky.keyframes[0].tintComponent, c.tint) << c.what;
        sky.Render(0.1f); // renders whatever was kept
    }
}

TEST_F(Skyscapes, CountsBeyondTheFileAndMissingFilesLeaveNothingToRender)
{
    // Counts far larger than the file: whole records are kept, the rest is missing.
    const std::string header = "timescale 4\nstart 0\nradius 100\nheight 0.5\nsegments 16\ncentre 0 0 0\ntex x\n"
                               "fx y\ncolours 2\nkeyframes 2000000000\nmeshes 2000000000\nm0 a\nm1 b\n"
                               "groups 2000000000\ncloudset set.txt\n";
    WriteSky();
    m_root.MakeFile("data/clouds/huge.txt", header + "duration 1\nalpha 1\n");
    CPSkyscape huge;
    huge.Load("huge.txt");
    EXPECT_TRUE(huge.keyframes.empty());
    EXPECT_TRUE(huge.skyMeshes.empty());
    EXPECT_NE(huge.secondEffect, nullptr);
    m_device->ClearLog();
    huge.Render(1.0f);
    EXPECT_TRUE(m_device->Log().empty());

    CPSkyscape missing;
    missing.Load("absent.txt");
    EXPECT_TRUE(missing.sourceVertices.empty() && missing.keyframes.empty() && missing.cloudGroups.empty());
    EXPECT_NE(missing.secondEffect, nullptr);
    m_device->ClearLog();
    missing.Render(1.0f);
    EXPECT_TRUE(m_device->Log().empty());

    // A cloud set without entries: keyframes alone are not rendered either.
    m_root.MakeFile("data/clouds/set.txt", "count 0\n");
    CPSkyscape noStates;
    noStates.Load("sky.txt");
    EXPECT_EQ(noStates.keyframes.size(), 3u);
    m_device->ClearLog();
    noStates.Render(1.0f);
    EXPECT_TRUE(m_device->Log().empty());
}

TEST_F(Skyscapes, RenderSetsFogAmbientAndColoursThePlacedDome)
{
    WriteSky();
    CPSkyscape sky;
    sky.Load("sky.txt");
    m_device->ClearLog();
    sky.Render(0.5f);

    // Keyframe 1 in force: fog (110, 150, 200) from 60 to 500, ambient (50, 50, 60).
    EXPECT_EQ(m_render->m_fogColour, 0xFF6E96C8u);
    EXPECT_EQ(m_device->RenderState(D3DRS_FOGCOLOR), 0xFF6E96C8u);
    EXPECT_EQ(m_device->RenderState(D3DRS_FOGSTART), FloatBits(60.0f));
    EXPECT_EQ(m_device->RenderState(D3DRS_FOGEND), FloatBits(500.0f));
    EXPECT_EQ(m_render->m_ambientColour, 0xFF32323Cu);
    EXPECT_FLOAT_EQ(m_render->m_ambient[2], 60.0f / 255.0f);

    // Gradient from (20, 30, 40) over (60, 70, 80) to (100, 110, 120), two
    // rings per step and one more at the top; no sun glow in the first frame.
    const uint32_t rings[5] = { 0x28323C, 0x3C4650, 0x505A64, 0x646E78, 0x78828C };
    for (size_t r = 0; r < 5; ++r) {
        EXPECT_EQ(Rgb(sky.workVertices[r * 17]), rings[r]) << r;
        EXPECT_EQ(Rgb(sky.workVertices[r * 17 + 16]), rings[r]) << r;
    }
    EXPECT_EQ(sky.workVertices[0].diffuse >> 24, 210u);
    // Turned a quarter about the vertical line through the centre.
    EXPECT_NEAR(sky.workVertices[0].position.x, 0.0f, 1e-3f);
    EXPECT_NEAR(sky.workVertices[0].position.z, 90.0f, 1e-3f);
    EXPECT_EQ(sky.sourceVertices[0].position.x, 100.0f);

    // Dome and two meshes drawn, then the depth buffer cleared.
    EXPECT_EQ(m_device->CallsOf("DrawIndexedPrimitive").size(), 3u);
    const std::vector<PlatformD3D9::DeviceCall> clears = m_device->CallsOf("Clear");
    ASSERT_EQ(clears.size(), 1u);
    EXPECT_EQ(clears[0].args[2], D3DCLEAR_ZBUFFER);
    EXPECT_EQ(clears[0].args[4], FloatBits(1.0f));
    EXPECT_EQ(m_device->Log().back().method, "Clear");

    // A frame publishes the sun where the mesh was last drawn, and the
    // frame after lights the dome around it.
    const D3DXVECTOR3 sun = sky.skyMeshes[0]->position * 100.0f;
    sky.Render(0.5f);
    EXPECT_EQ(g_SunPosition, sun);
    for (size_t i = 0; i < sky.workVertices.size(); ++i)
        EXPECT_EQ(Rgb(sky.workVertices[i]), rings[i / 17]);
    sky.Render(0.5f);
    bool glowing = false;
    for (size_t i = 0; i < sky.workVertices.size(); ++i) {
        const CPVertex& v = sky.workVertices[i];
        const uint32_t plain = rings[i / 17];
        EXPECT_GE(v.diffuse & 0xFF, plain & 0xFF);
        glowing = glowing || (v.diffuse & 0xFF) > (plain & 0xFF);
    }
    EXPECT_TRUE(glowing);
}

TEST_F(Skyscapes, KeyframeRatesWrapAndTheOvercastTintBlends)
{
    WriteSky(SkyText());
    CPSkyscape sky;
    sky.Load("sky.txt");
    // From keyframe 1 to 2 over 10 s: 10 degrees more for mesh 0.
    EXPECT_NEAR(sky.rates.meshAngles[0], 10.0f * 0.017453292f / 10.0f, 1e-6f);
    EXPECT_NEAR(sky.rates.fogStart, 1.0f, 1e-6f);
    EXPECT_NEAR(sky.rates.colourPoints[0].x, 1.0f, 1e-6f);
    sky.keyframeIndex = 2; // the last: back to the first, a full turn on
    sky.UpdateKeyframes();
    EXPECT_NEAR(sky.rates.meshAngles[0], (-20.0f * 0.017453292f + 6.2831855f) / 10.0f, 1e-6f);
    EXPECT_EQ(sky.skyMeshes[0]->textureIndex, 0);
    sky.keyframes[2].duration = 0.0f;
    sky.UpdateKeyframes();
    EXPECT_EQ(sky.rates.meshAngles[0], 0.0f);
    EXPECT_EQ(sky.rates.alpha, 0.0f);

    // An overcast state half faded in: fog (100, 150, 200) keeping blue shows
    // (180, 180, 200) and sets (140, 165, 200).
    sky.keyframeIndex = 0;
    sky.UpdateKeyframes();
    sky.cloudState = sky.cloudSet.entries[1];
    sky.fade = 5.0f;
    sky.fadingIn = true;
    sky.Render(0.0f);
    EXPECT_EQ(sky.display.fogColour, D3DXVECTOR3(180.0f, 180.0f, 200.0f));
    EXPECT_EQ(m_render->m_fogColour, 0xFF8CA5C8u);
    EXPECT_EQ(sky.skyMeshes[0]->workVertices[0].diffuse >> 24, 155u);
    EXPECT_EQ(sky.skyMeshes[1]->workVertices[0].diffuse >> 24, 127u);
    // A component of exactly 20 tints the others to 0.
    sky.current.ambient = D3DXVECTOR3(0.0f, 0.0f, 20.0f);
    sky.Render(0.0f);
    EXPECT_EQ(sky.display.ambient, D3DXVECTOR3(0.0f, 0.0f, 20.0f));
    // A fade time of 0 blends nothing.
    sky.cloudState.fadeTime = 0.0f;
    sky.Render(0.0f);
    EXPECT_EQ(m_render->m_fogColour, 0xFF6496C8u);
}

TEST_F(Skyscapes, KeyframesSwitchWhenTheirTimeIsUp)
{
    SkyText text;
    text.secondDuration = -1.0f; // the day step never moves a clock past a positive duration
    WriteSky(text);
    CPSkyscape sky;
    sky.Load("sky.txt");
    ASSERT_EQ(sky.keyframeIndex, 1);
    sky.Render(0.1f);
    EXPECT_EQ(sky.keyframeIndex, 2);
    EXPECT_EQ(sky.current.fogStart, 70.0f);
    EXPECT_EQ(sky.skyMeshes[0]->textureIndex, 0); // stepped again
    sky.Render(0.1f);
    EXPECT_EQ(sky.keyframeIndex, 2);
}

TEST_F(Skyscapes, CloudStatesSwitchAtDrawnTimes)
{
    WriteSky();
    crt::srand(7);
    CPSkyscape sky;
    sky.Load("sky.txt");
    crt::srand(7);
    const float firstSwitch = 80.0f + 0.1f * static_cast<float>(crt::rand() % 400);
    EXPECT_EQ(sky.cloudSwitchTime, firstSwitch);
    EXPECT_GE(firstSwitch, 80.0f);
    EXPECT_LT(firstSwitch, 120.0f);

    CPCloudGroup* clear = sky.cloudGroups["clear.txt"];
    CPCloudGroup* storm = sky.cloudGroups["storm.txt"];
    storm->layers[0]->position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    int frames = 0;
    bool fadedOut = false;
    while (sky.cloudStateIndex == 0 && frames < 100) {
        sky.Render(1.0f); // 4 units of cloud time
        ++frames;
        fadedOut = fadedOut || !sky.fadingIn;
    }
    EXPECT_EQ(frames, static_cast<int>(std::floor(firstSwitch / 4.0f)) + 1);
    EXPECT_TRUE(fadedOut); // the fade-out began within the fade time of the end
    EXPECT_EQ(sky.cloudStateIndex, 1);
    EXPECT_EQ(sky.cloudState.groupName, "storm.txt");
    EXPECT_EQ(sky.cloudClock, 0.0f);
    EXPECT_EQ(sky.cloudSwitchTime, 50.0f); // no jitter
    EXPECT_TRUE(sky.fadingIn);
    EXPECT_EQ(sky.activeGroups, (std::vector<CPCloudGroup*>{ clear, storm }));
    EXPECT_TRUE(clear->hidden && storm->shown);
    EXPECT_EQ(storm->layers[0]->position, D3DXVECTOR3(10.0f, 5.0f, 0.0f));
    EXPECT_EQ(storm->layers[0]->fadeLevelA, 255.0f);

    // Back to the clear state: the shown pair is emptied and the incoming
    // group is the outgoing one, so nothing more changes.
    for (int i = 0; i < 20 && sky.cloudStateIndex == 1; ++i)
        sky.Render(1.0f);
    EXPECT_EQ(sky.cloudStateIndex, 0);
    EXPECT_EQ(sky.activeGroups, (std::vector<CPCloudGroup*>{ storm, clear }));
}

TEST_F(Skyscapes, CloudChoiceIsBoundedAndNeedsTwoStates)
{
    WriteSky();
    struct Case { const char* what; std::string set; int32_t index; };
    const Case cases[] = {
        { "one state", "count 1\n" + CloudEntry(1, 1, 0, "clear.txt", 0, 1), 0 },
        { "absent groups", "count 2\n" + CloudEntry(1, 1, 0, "gone.txt", 0, 1) + CloudEntry(1, 1, 0, "lost.txt", 0, 1), 1 },
    };
    for (const Case& c : cases) {
        m_root.MakeFile("data/clouds/set.txt", c.set);
        CPSkyscape sky;
        sky.Load("sky.txt");
        for (int i = 0; i < 3; ++i)
            sky.Render(1.0f);
        EXPECT_EQ(sky.cloudStateIndex, c.index) << c.what;
    }
    // q = 0 is never above a zero chance, so only a chance below 0 refuses every draw.
    m_root.MakeFile("data/clouds/set.txt", "count 2\n" + CloudEntry(1, 1, 0, "clear.txt", 0, 1)
                                               + CloudEntry(1, 1, 0, "storm.txt", 0, -1));
    CPSkyscape refused;
    refused.Load("sky.txt");
    refused.Render(1.0f);
    EXPECT_EQ(refused.cloudStateIndex, 0);
    EXPECT_EQ(refused.cloudClock, 0.0f); // a new interval was drawn
}

TEST_F(Skyscapes, SunLightAndDepthClearStandAlone)
{
    struct Case { D3DXCOLOR colour; float r, g, b; };
    for (const Case& c : { Case{ D3DXCOLOR(1.0f, 0.5f, 0.0f, 1.0f), 255.0f, 128.0f, 0.0f },
                           Case{ D3DXCOLOR(2.0f, -1.0f, 0.2f, 1.0f), 255.0f, 0.0f, 51.0f } }) {
        const D3DLIGHT9 light = MakeSunLight(D3DXVECTOR3(0.0f, -2.0f, 0.0f), c.colour);
        EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
        EXPECT_EQ(light.Direction.y, -1.0f);
        EXPECT_EQ(light.Diffuse.r, c.r / 256.0f);
        EXPECT_EQ(light.Diffuse.g, c.g / 256.0f);
        EXPECT_EQ(light.Specular.b, c.b / 256.0f);
        EXPECT_EQ(light.Diffuse.a, 0.0f);
    }
    // Without a level the sun light changes nothing.
    m_device->ClearLog();
    SetSunLight(D3DXVECTOR3(0.0f, -1.0f, 0.0f), D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(m_device->Log().empty());

    GetSkyDevice().device = nullptr;
    ClearDepthBuffer();
    EXPECT_TRUE(m_device->CallsOf("Clear").empty());
}

TEST_F(Skyscapes, SunLightWritesTheLevelLightAndAppliesTheLights)
{
    CPLevel level;
    level.light.Ambient = D3DCOLORVALUE{ 0.25f, 0.25f, 0.25f, 1.0f };
    level.light.Range = 7.0f;
    D3DLIGHT9 lamp{};
    lamp.Type = D3DLIGHT_POINT;
    m_render->AddLight(lamp);

    SetSunLight(D3DXVECTOR3(0.0f, -2.0f, 0.0f), D3DXCOLOR(1.0f, 0.5f, 0.0f, 1.0f));
    // Direction and colours written, the rest of the level's light kept.
    const D3DLIGHT9& sun = level.light;
    EXPECT_EQ(sun.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(sun.Direction.y, -1.0f);
    EXPECT_EQ(sun.Diffuse.r, 255.0f / 256.0f);
    EXPECT_EQ(sun.Diffuse.g, 128.0f / 256.0f);
    EXPECT_EQ(sun.Specular.r, 255.0f / 256.0f);
    EXPECT_EQ(sun.Diffuse.a, 0.0f);
    EXPECT_EQ(sun.Specular.a, 0.0f);
    EXPECT_EQ(sun.Ambient.r, 0.25f);
    EXPECT_EQ(sun.Range, 7.0f);
    // Queued after the lamp and applied at once: the renderer's sun.
    EXPECT_EQ(m_render->m_lightCount, 0);
    ASSERT_NE(m_device->Light(1), nullptr);
    EXPECT_EQ(m_device->Light(0)->Type, D3DLIGHT_POINT);
    EXPECT_EQ(m_device->Light(1)->Diffuse.g, 128.0f / 256.0f);
    EXPECT_TRUE(m_device->IsLightEnabled(1));
    EXPECT_FALSE(m_device->IsLightEnabled(2));
    EXPECT_EQ(m_render->m_sunLight.Direction.y, -1.0f);

    // A full light array leaves no room for the sun; the queued ones are
    // still applied.
    m_device->ClearLog();
    for (int i = 0; i < CPRender::kMaxLights; ++i)
        m_render->AddLight(lamp);
    SetSunLight(D3DXVECTOR3(1.0f, 0.0f, 0.0f), D3DXCOLOR(0.0f, 0.0f, 1.0f, 1.0f));
    EXPECT_EQ(level.light.Direction.x, 1.0f);
    EXPECT_EQ(m_device->CallsOf("SetLight").size(), 30u);
    EXPECT_EQ(m_device->Light(29)->Type, D3DLIGHT_POINT);
    EXPECT_EQ(m_render->m_lightCount, 0);
}
