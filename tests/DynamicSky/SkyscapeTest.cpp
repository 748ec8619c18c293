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
