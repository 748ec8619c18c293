#include "DynamicSky/SkyMesh.h"
#include "SkyFixture.h"

#include <cmath>
#include <iterator>

namespace
{
std::vector<CPVertex> Vertices(size_t count, float x)
{
    std::vector<CPVertex> vertices(count);
    for (CPVertex& vertex : vertices)
        vertex.position = D3DXVECTOR3(x, 0.0f, 0.0f);
    return vertices;
}

float FirstBufferX(CPVertexObject& object)
{
    float x = 0.0f;
    std::memcpy(&x, PlatformD3D9::RecordOf(object.vertexBuffer)->memory.data(), sizeof(x));
    return x;
}
}

using VertexObjects = SkyTest;

TEST_F(VertexObjects, DrawsOnceForEachPassOfTheChosenEffect)
{
    m_root.MakeFile("three.fx", kThreePassEffect);
    CPVertexObject object;
    object.UploadGeometry(Vertices(4, 1.0f), { 0, 1, 2, 0, 2, 3, 1 }, false);

    GetSkyDevice().device = nullptr;
    EXPECT_EQ(object.Draw(0.0f), E_FAIL);
    EXPECT_TRUE(m_device->CallsOf("DrawIndexedPrimitive").empty());
    GetSkyDevice().device = m_device;

    // No effect: one plain draw of all vertices and whole triangles.
    EXPECT_EQ(object.Draw(0.0f), D3D_OK);
    const std::vector<PlatformD3D9::DeviceCall> plain = m_device->CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].args, (std::vector<DWORD>{ D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2 }));
    EXPECT_EQ(m_device->Fvf(), 0x2D2u);
    EXPECT_EQ(m_device->Stream(0).stride, 48u);

    // Three passes: three equal draws, and the third's result is returned.
    EXPECT_EQ(object.LoadEffect("three.fx"), D3D_OK);
    m_device->ClearLog();
    m_device->FailCall("DrawIndexedPrimitive", 3, D3DERR_INVALIDCALL);
    EXPECT_EQ(object.Draw(0.0f), D3DERR_INVALIDCALL);
    const std::vector<PlatformD3D9::DeviceCall> passes = m_device->CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(passes.size(), 3u);
    EXPECT_EQ(passes[0].args, passes[2].args);

    // The second effect is wanted but missing: nothing is drawn.
    object.useSecondEffect = true;
    m_device->ClearLog();
    EXPECT_EQ(object.Draw(0.0f), E_FAIL);
    EXPECT_TRUE(m_device->CallsOf("DrawIndexedPrimitive").empty());
}

TEST_F(VertexObjects, UploadFillsFixedBuffersAndRefusesWhatDoesNotFit)
{
    CPVertexObject object;
    EXPECT_EQ(object.UploadGeometry(Vertices(3, 1.0f), { 0, 1, 2 }, false), 0);
    const PlatformD3D9::ResourceRecord* vertices = PlatformD3D9::RecordOf(object.vertexBuffer);
    const PlatformD3D9::ResourceRecord* indices = PlatformD3D9::RecordOf(object.indexBuffer);
    ASSERT_NE(vertices, nullptr);
    ASSERT_NE(indices, nullptr);
    EXPECT_EQ(vertices->length, 960000u);
    EXPECT_EQ(vertices->fvf, 0x2D2u);
    EXPECT_EQ(vertices->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(indices->length, 120000u);
    EXPECT_EQ(indices->format, D3DFMT_INDEX16);
    EXPECT_EQ(vertices->lockSize, 3u * 48u);
    EXPECT_EQ(indices->lockSize, 6u);

    // Keeping the working vertices sends the old ones with the new lists.
    object.workVertices = Vertices(3, 7.0f);
    object.UploadGeometry(Vertices(3, 2.0f), { 2, 1, 0 }, true);
    EXPECT_EQ(FirstBufferX(object), 7.0f);
    EXPECT_EQ(object.sourceVertices[0].position.x, 2.0f);
    EXPECT_EQ(object.indices[0], 2);
    // Fewer kept vertices than new source vertices: only those are sent.
    object.UploadGeometry(Vertices(5, 3.0f), { 0, 1, 2 }, true);
    EXPECT_EQ(FirstBufferX(object), 7.0f);

    struct Case { size_t vertices; size_t indices; };
    for (const Case& c : { Case{ 20001, 3 }, Case{ 3, 60001 } }) {
        const int locks = vertices->lockCount;
        EXPECT_EQ(object.UploadGeometry(Vertices(c.vertices, 9.0f), std::vector<uint16_t>(c.indices, 0), false), E_FAIL);
        EXPECT_EQ(vertices->lockCount, locks);
        EXPECT_EQ(object.sourceVertices.size(), 5u);
    }
    EXPECT_EQ(object.UploadGeometry(Vertices(20000, 1.0f), std::vector<uint16_t>(60000, 0), false), 0);
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), 2); // made once
}

TEST_F(VertexObjects, LoadsKeepOrReleaseWhatTheyReplace)
{
    CPVertexObject object;
    EXPECT_EQ(object.LoadTexture("data/textures/sky.tga"), D3D_OK);
    IDirect3DTexture9* first = object.texture;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(object.LoadTexture("data/textures/missing.tga"), 0);
    EXPECT_EQ(object.texture, first);
    const int live = PlatformD3D9::LiveResourceCount();
    EXPECT_EQ(object.LoadTexture("data/textures/sun0.tga"), D3D_OK);
    EXPECT_NE(object.texture, first);
    EXPECT_EQ(PlatformD3D9::LiveResourceCount(), live); // the first was released

    m_root.MakeFile("broken.fx", kBrokenEffect);
    m_root.MakeFile("broken.tga", "not an image");
    EXPECT_TRUE(FAILED(object.LoadTexture("broken.tga")));
    EXPECT_EQ(object.LoadEffect("data/effects/sky.fx"), D3D_OK);
    EXPECT_EQ(PlatformD3DX::RecordOf(object.effect)->current, "Only");
    EXPECT_TRUE(FAILED(object.LoadEffect("data/effects/missing.fx")));
    EXPECT_EQ(object.effect, nullptr);
    EXPECT_TRUE(FAILED(object.LoadEffect("broken.fx")));
    EXPECT_TRUE(FAILED(object.LoadSecondEffect("broken.fx")));
    EXPECT_EQ(object.secondEffect, nullptr);
    // The missing files are named; the refused ones are device errors.
    const char* const expected[] = {
        "cannot open data/textures/missing.tga: No such file or directory\n",
        "DXError if DynamicSky/VertexObject on line 50\n",
        "cannot open data/effects/missing.fx: No such file or directory\n",
        "DXError if DynamicSky/VertexObject on line 114\n",
        "DXError if DynamicSky/VertexObject on line 149\n",
    };
    ASSERT_EQ(m_reports.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(m_reports[i].rfind(expected[i], 0), 0u) << m_reports[i];

    EXPECT_EQ(object.LoadSecondEffect("data/effects/sky.fx"), D3D_OK);
    object.OnLostDevice();
    object.OnResetDevice();
    EXPECT_EQ(PlatformD3DX::RecordOf(object.secondEffect)->lostCount, 1);
    EXPECT_EQ(PlatformD3DX::RecordOf(object.secondEffect)->resetCount, 1);
}

using SkyMeshes = SkyTest;

TEST_F(SkyMeshes, TravelTheirCircleAndFaceTheCentre)
{
    CPSkyMesh mesh;
    mesh.SetNames("data/effects/mesh0.fx", "data/effects/mesh1.fx");
    mesh.axis = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    mesh.distance = 100.0f;
    mesh.scale = 1.0f;
    mesh.Build(5.0f);
    ASSERT_EQ(mesh.workVertices.size(), 4u);
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{ 0, 1, 2, 0, 2, 3 }));
    EXPECT_EQ(mesh.workVertices[2].diffuse, 0xFF000014u);
    EXPECT_NE(mesh.effect, nullptr);
    EXPECT_EQ(mesh.texture, nullptr); // no texture names: none loaded
    EXPECT_EQ(mesh.NextTexture(), 0);
    EXPECT_EQ(mesh.textureIndex, 0);

    EXPECT_EQ(mesh.Draw(0.0f), D3D_OK);
    EXPECT_NEAR(mesh.position.x, -100.0f, 1e-3f);
    EXPECT_NEAR(mesh.position.y, 0.0f, 1e-3f);
    EXPECT_NEAR(mesh.position.z, 0.0f, 1e-3f);
    // The square lies across the line to the centre, around its place.
    for (const CPVertex& vertex : mesh.workVertices) {
        EXPECT_NEAR(vertex.position.x, -100.0f, 1e-3f);
        EXPECT_NEAR(std::fabs(vertex.position.y), 5.0f, 1e-3f);
    }

    // On the vertical line through the centre the square still comes out whole.
    mesh.baseAngle = -1.5707964f;
    mesh.Draw(0.0f);
    EXPECT_NEAR(mesh.position.y, 100.0f, 1e-3f);
    for (const CPVertex& vertex : mesh.workVertices)
        EXPECT_TRUE(std::isfinite(vertex.position.x) && std::isfinite(vertex.position.y)) << vertex.position.y;
}

TEST_F(SkyMeshes, StepTexturesSetAlphaAndSelectEffects)
{
    CPSkyMesh mesh;
    mesh.SetNames("data/effects/mesh0.fx", "data/effects/mesh1.fx");
    for (const char* name : { "sun0", "sun1", "moon" })
        mesh.AddTextureName(std::string("data/textures/") + name + ".tga");
    mesh.Build(1.0f);
    std::vector<int32_t> order;
    for (int i = 0; i < 3; ++i) {
        mesh.NextTexture();
        order.push_back(mesh.textureIndex);
    }
    EXPECT_EQ(order, (std::vector<int32_t>{ 1, 2, 0 }));

    struct Case { int32_t alpha; D3DCOLOR colour; };
    for (const Case& c : { Case{ 55, 0x37000014 }, Case{ 300, 0x2C000014 }, Case{ 0, 0x00000014 } }) {
        mesh.SetAlpha(c.alpha);
        for (const CPVertex& vertex : mesh.workVertices)
            EXPECT_EQ(vertex.diffuse, c.colour) << c.alpha;
    }

    EXPECT_EQ(mesh.SetEffect(0), D3D_OK);
    EXPECT_EQ(mesh.effectIndex, 0);
    ID3DXEffect* chosen = mesh.effect;
    for (int32_t index : { -1, 2 }) {
        EXPECT_TRUE(FAILED(mesh.SetEffect(index)));
        EXPECT_EQ(mesh.effectIndex, 0);
        EXPECT_EQ(mesh.effect, chosen);
    }
}
