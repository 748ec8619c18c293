#include "Render/PTexture.h"

#include "Core/PFileReader.h"
#include "Core/PLog.h"
#include "Platform/D3DX9Tex.h"
#include "Platform/GamePath.h"
#include "Render/PRender.h"
#include "Render/PResourceRequest.h"
#include "Render/PTextureManager.h"
#include "Startup/PConfigVars.h"

#include <cstdio>

namespace
{
const char kSourceFile[] = "Render/PTexture";
const char kTextureFolder[] = "Data\\Textures";
const char kNoMipOption[] = "nomip";
const char kCubeOption[] = "cube";
const char kFallbackExtension[] = "jpg";
const char* const kVideoNames[] = { "VIDEO", "VIDEO1" };
// Triangle mip filter with dithering.
constexpr DWORD kMipFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
constexpr int32_t kNoLod = -1;

// Whether a file can be opened for reading; nothing is read.
bool CanOpen(const std::string& path)
{
    FILE* file = GamePath::GameFOpen(path, "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}
}

CPTexture::CPTexture()
    : m_texture(nullptr),
      m_cubeTexture(nullptr),
      m_isCube(0),
      m_width(0),
      m_height(0)
{
}

CPTexture::~CPTexture()
{
    // A video player's texture stays the player's; the cache entry goes
    // either way, so the cache never answers with a destroyed texture.
    if (!IsVideoName(m_name))
        ReleaseOwned();
    if (CPTextureManager* manager = GetTextureManager())
        manager->RemoveTexture(this);
}

bool CPTexture::Load(const std::string& spec)
{
    const CPResourceRequest split = SplitResourceRequest(spec);
    const std::string& fileName = split.fileName;
    const UINT mipLevels = split.HasOption(kNoMipOption) ? 1 : D3DX_DEFAULT;
    m_isCube = split.HasOption(kCubeOption) ? 1 : 0;

    if (&spec != &m_name)
        m_name = spec;
    // An empty name (a node that names no texture) is no file: nothing is
    // looked for, and the cache substitutes its error texture.
    if (fileName.empty())
        return false;

    const std::string fallbackName = fileName.size() < 3
        ? fileName + kFallbackExtension
        : fileName.substr(0, fileName.size() - 3) + kFallbackExtension;
    std::string path = std::string(kTextureFolder) + "\\" + fileName;
    if (!CanOpen(path))
        path = std::string(kTextureFolder) + "\\" + fallbackName;

    CPFileReader file(path);
    if (FAILED(file.Load()))
        return false;

    CPRender* render = GetRender();
    IDirect3DDevice9* device = render ? render->m_device : nullptr;
    HRESULT result;
    D3DSURFACE_DESC top{};
    if (m_isCube) {
        result = D3DXCreateCubeTextureFromFileInMemoryEx(device, file.GetData(), static_cast<UINT>(file.GetSize()),
                                                         D3DX_DEFAULT, mipLevels, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                         D3DX_DEFAULT, kMipFilter, 0, nullptr, nullptr,
                                                         &m_cubeTexture);
        if (SUCCEEDED(result))
            m_cubeTexture->GetLevelDesc(0, &top);
    } else {
        result = D3DXCreateTextureFromFileInMemoryEx(device, file.GetData(), static_cast<UINT>(file.GetSize()),
                                                     D3DX_DEFAULT, D3DX_DEFAULT, mipLevels, 0, D3DFMT_UNKNOWN,
                                                     D3DPOOL_MANAGED, D3DX_DEFAULT, kMipFilter, 0, nullptr, nullptr,
                                                     &m_texture);
        if (SUCCEEDED(result))
            m_texture->GetLevelDesc(0, &top);
    }
    if (FAILED(result)) {
        ReportDXError(kSourceFile, __LINE__, result);
        return false;
    }
    m_width = top.Width;
    m_height = top.Height;

    if (m_texture && mipLevels != 1 && g_CfgTexLod != kNoLod)
        m_texture->SetLOD(static_cast<DWORD>(g_CfgTexLod));
    return true;
}

int32_t CPTexture::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPTexture));
}

std::string CPTexture::GetTypeName() const
{
    return "CPTexture - " + m_name;
}

IDirect3DBaseTexture9* CPTexture::GetBaseTexture() const
{
    if (m_texture)
        return m_texture;
    return m_cubeTexture;
}

void CPTexture::ShowVideo(IDirect3DTexture9* texture, const std::string& videoName)
{
    if (!IsVideoName(m_name))
        ReleaseOwned();
    m_texture = texture;
    m_cubeTexture = nullptr;
    m_name = videoName;
}

void CPTexture::Adopt(const std::string& name, IDirect3DTexture9* texture, uint32_t width, uint32_t height)
{
    ReleaseOwned();
    m_texture = texture;
    m_cubeTexture = nullptr;
    m_isCube = 0;
    m_name = name;
    m_width = width;
    m_height = height;
}

bool CPTexture::IsVideoName(const std::string& name)
{
    for (const char* video : kVideoNames) {
        if (name == video)
            return true;
    }
    return false;
}

void CPTexture::ReleaseOwned()
{
    if (m_texture)
        m_texture->Release();
    if (m_cubeTexture)
        m_cubeTexture->Release();
    m_texture = nullptr;
    m_cubeTexture = nullptr;
}
