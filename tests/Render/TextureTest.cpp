#include "ImageBuilder.h"
#include "Platform/D3DX9Tex.h"
#include "ResourceFixture.h"

#include <string>
#include <vector>

using PlatformD3D9::RecordOf;

namespace
{
class Textures : public RenderResources
{
protected:
    void SetUp() override
    {
        RenderResources::SetUp();
        m_root.MakeFile("Data/Textures/error.tga", image::Tga(2, 2, image::Fill(2, 2, 0xFFFF00FF)));
        m_root.MakeFile("Data/Textures/wall.tga", image::Tga(2, 2, image::Fill(2, 2, 0xFF808080)));
        m_root.MakeFile("Data/Textures/Grass.PNG", image::Png(8, 4, image::Fill(8, 4, 0xFF00FF00)));
        m_root.MakeFile("Data/Textures/sky.dds", image::Dds(4, 4, 1, true));
        m_root.MakeFile("Data/Textures/photo.jpg", image::Jpg(3, 3, image::Fill(3, 3, 0xFF102030)));
        m_root.MakeFile("Data/Textures/broken.tga", "not an image");
    }

    // Width of the texture's top level, to tell the files apart.
    static UINT TopWidth(const CPSmartPtr<CPTexture>& texture)
    {
        D3DSURFACE_DESC top{};
        texture->GetTexture()->GetLevelDesc(0, &top);
        return top.Width;
    }
};

TEST_F(Textures, EachFailureFallsBackAndIsCachedUnderTheRequestedSpec)
{
    struct Case
    {
        const char* spec;
        uint32_t width; // 2: error.tga or wall.tga, 4: photo.jpg, 8: grass.png
        int reports;
        const char* notOpened; // the log's line for the file it looked for, or null
    };
    const char kNoJpg[] = "cannot open Data\\Textures\\nothing.jpg: No such file or directory\n";
    const Case cases[] = {
        { "grass.png", 8, 0, nullptr },     // any case on disk
        { "photo.tga", 4, 0, nullptr },     // missing: the file ending in "jpg"
        { "nothing.tga", 2, 0, kNoJpg },    // neither: error.tga; the last file tried is named
        { "", 2, 0, nullptr },              // no name: no file is looked for, error.tga
        { ",nomip", 2, 0, nullptr },
        { "broken.tga", 2, 1, nullptr },    // unreadable image: reported, error.tga
        { "wall.tga,cube", 2, 1, nullptr }, // not a cube map
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        m_reports.clear();
        const int made = PlatformD3DX::TextureCreationCount();
        const CPSmartPtr<CPTexture> texture = g_TextureManager->GetTexture(c.spec);
        ASSERT_TRUE(texture);
        ASSERT_NE(texture->GetTexture(), nullptr);
        EXPECT_EQ(texture->GetWidth(), c.width);
        EXPECT_EQ(ReportsFrom("Render/PTexture"), c.reports);
        EXPECT_EQ(FilesNotOpened(), c.notOpened ? std::vector<std::string>{ c.notOpened } : std::vector<std::string>{});
        EXPECT_EQ(g_TextureManager->GetTexture(c.spec), texture);
        EXPECT_EQ(PlatformD3DX::TextureCreationCount(), made + 1);
    }
    EXPECT_EQ(g_TextureManager->FindTexture("photo.tga")->GetTypeName(), "CPTexture - photo.tga");
    EXPECT_EQ(g_TextureManager->FindTexture("broken.tga")->GetName(), "error.tga");
    EXPECT_EQ(g_TextureManager->GetTextureCount(), 7u);
}

TEST_F(Textures, DeviceFailureFallsBackAndNoErrorTextureLeavesNone)
{
    m_device->FailCall("CreateTexture", 1, D3DERR_OUTOFVIDEOMEMORY);
    const CPSmartPtr<CPTexture> fallback = g_TextureManager->GetTexture("grass.png");
    EXPECT_EQ(fallback->GetName(), "error.tga");
    EXPECT_EQ(ReportsFrom("Render/PTexture"), 1);

    m_root.Clear();
    const CPSmartPtr<CPTexture> none = g_TextureManager->GetTexture("wall.tga");
    EXPECT_EQ(none->GetBaseTexture(), nullptr);
    EXPECT_EQ(none->GetWidth(), 0u);
}

TEST_F(Textures, OptionsPickLevelsCubeAndDetail)
{
    g_CfgTexLod = 1;
    const CPSmartPtr<CPTexture> full = g_TextureManager->GetTexture("grass.png");
    const CPSmartPtr<CPTexture> top = g_TextureManager->GetTexture("grass.png,nomip");
    const CPSmartPtr<CPTexture> capitals = g_TextureManager->GetTexture("grass.png,NOMIP");
    EXPECT_NE(full, top);
    EXPECT_EQ(full->GetTexture()->GetLevelCount(), 4u);
    EXPECT_EQ(full->GetTexture()->GetLOD(), 1u);
    EXPECT_EQ(top->GetTexture()->GetLevelCount(), 1u);
    EXPECT_EQ(top->GetTexture()->GetLOD(), 0u);
    EXPECT_EQ(capitals->GetTexture()->GetLevelCount(), 4u);
    const PlatformD3D9::ResourceRecord* record = RecordOf(full->GetTexture());
    EXPECT_EQ(record->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(record->mipFilter, 0x80004u);

    g_CfgTexLod = -1;
    EXPECT_EQ(g_TextureManager->GetTexture("wall.tga")->GetTexture()->GetLOD(), 0u);

    const CPSmartPtr<CPTexture> sky = g_TextureManager->GetTexture("sky.dds,cube");
    EXPECT_TRUE(sky->IsCube());
    EXPECT_EQ(sky->GetTexture(), nullptr);
    ASSERT_NE(sky->GetCubeTexture(), nullptr);
    EXPECT_EQ(sky->GetBaseTexture(), sky->GetCubeTexture());
    EXPECT_EQ(sky->GetWidth(), 4u);
    EXPECT_EQ(sky->GetHeight(), 4u);
    EXPECT_EQ(m_device->CallsOf("CreateCubeTexture").size(), 1u);
}

TEST_F(Textures, EqualListsShareOneBlock)
{
    const CPSmartPtr<CPTextureBlock> a = g_TextureManager->CreateTextureBlock({ "wall.tga", "grass.png" });
    const CPSmartPtr<CPTextureBlock> b = g_TextureManager->CreateTextureBlock({ "wall.tga", "grass.png" });
    CPTextureBlock* const swapped = g_TextureManager->CreateTextureBlock({ "grass.png", "wall.tga" }).Get();
    const CPSmartPtr<CPTextureBlock> empty = g_TextureManager->CreateTextureBlock({});
    EXPECT_EQ(a, b);
    EXPECT_NE(a.Get(), swapped);
    EXPECT_EQ(g_TextureManager->CreateTextureBlock({}), empty);
    EXPECT_EQ(empty->GetCount(), 0u);
    ASSERT_EQ(a->GetCount(), 2u);
    EXPECT_EQ(a->GetTexture(0), g_TextureManager->FindTexture("wall.tga"));
    EXPECT_EQ(a->GetTypeName(), "CPTextureBlock");
    // Two specs that fall back to one file are still two textures.
    EXPECT_NE(g_TextureManager->CreateTextureBlock({ "gone1.tga" }),
              g_TextureManager->CreateTextureBlock({ "gone2.tga" }));
    EXPECT_EQ(g_TextureManager->GetTextureBlockCount(), 5u);

    delete swapped;
    EXPECT_EQ(g_TextureManager->GetTextureBlockCount(), 4u);
}

TEST_F(Textures, VideoTextureKeepsThePlayersTexture)
{
    CPTexture* video = g_TextureManager->GetTexture("video").Get();
    IDirect3DTexture9* frames = nullptr;
    ASSERT_EQ(m_device->CreateTexture(512, 256, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &frames, nullptr), D3D_OK);
    IDirect3DTexture9* fallback = video->GetTexture();
    const PlatformD3D9::ResourceRecord* fallbackRecord = RecordOf(fallback);
    video->ShowVideo(frames, "VIDEO");
    EXPECT_TRUE(fallbackRecord->released);
    EXPECT_EQ(video->GetTexture(), frames);
    EXPECT_EQ(video->GetTypeName(), "CPTexture - VIDEO");

    const PlatformD3D9::ResourceRecord* framesRecord = RecordOf(frames);
    delete video;
    EXPECT_FALSE(framesRecord->released);
    EXPECT_EQ(g_TextureManager->FindTexture("video"), nullptr);
    frames->Release();
}
}
