#include "Render/PAVIPlayer.h"

#include "Core/PLog.h"
#include "Core/PTaskManager.h"
#include "Platform/COM.h"
#include "Render/PRender.h"
#include "Render/PTextureManager.h"
#include "Sound/NSound.h"
#include "Startup/PConfigVars.h"

CPAVIPlayer* g_AVIPlayer = nullptr;

const char* const CPAVIPlayer::kVideoFolder = "Data\\Video";

namespace
{
// The checked steps of Play, in order: open, video stream, draw stream,
// format, surface, sample, texture, graph, control, position, audio,
// volume, stop.
const int kLines[] = { 82, 84, 86, 90, 96, 105, 136, 140, 142, 144, 148, 152, 156 };
const CPAVIPlayer::Variant kFirst = { "Render/PAVIPlayer", "video", "VIDEO", kLines, &CPAVIPlayer::Restart };

enum Step
{
    kOpenFile,
    kGetMediaStream,
    kQueryDrawStream,
    kGetFormat,
    kCreateSurface,
    kCreateSample,
    kCreateTexture,
    kGetFilterGraph,
    kQueryControl,
    kQueryPosition,
    kQueryAudio,
    kPutVolume,
    kSetState
};

// Reports a failed step; true when it failed.
bool Failed(const CPAVIPlayer::Variant& variant, Step step, HRESULT hr)
{
    if (SUCCEEDED(hr))
        return false;
    ReportDXError(variant.sourceFile, variant.lines[step], hr);
    return true;
}
}

CPAVIPlayer* GetAVIPlayer()
{
    return g_AVIPlayer;
}

int32_t NextPowerOfTwo(int32_t n)
{
    constexpr int32_t kLargest = 1 << 30;
    if (n < 2)
        return 2;
    if (n >= kLargest)
        return kLargest;
    int32_t power = 2;
    while (power <= n)
        power <<= 1;
    return power;
}

CPAVIPlayer::CPAVIPlayer()
    : m_directDraw(nullptr)
    , m_secondInterface(nullptr)
    , m_surface(nullptr)
    , m_stream(nullptr)
    , m_videoStream(nullptr)
    , m_drawStream(nullptr)
    , m_sample(nullptr)
    , m_control(nullptr)
    , m_position(nullptr)
    , m_audio(nullptr)
    , m_frameRect { 0, 0, 0, 0 }
    , m_texture(nullptr)
    , m_device(nullptr)
    , m_textureWidth(0)
    , m_textureHeight(0)
    , m_textureDepth(0)
    , m_playFinished(0)
    , m_noSound(0)
    , m_loop(0)
{
}

CPAVIPlayer::~CPAVIPlayer()
{
    if (m_published)
        Withdraw(*m_published);
    ReleaseAll();
    SafeRelease(m_texture);
}

int32_t CPAVIPlayer::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPAVIPlayer));
}

std::string CPAVIPlayer::GetTypeName() const
{
    return "CPAVIPlayer";
}

void CPAVIPlayer::Update()
{
}

int32_t CPAVIPlayer::QueryFlag()
{
    return 0;
}

HRESULT CPAVIPlayer::Play(const std::string& name, bool noSound)
{
    m_noSound = noSound ? 1 : 0;
    return PlayVariant(kFirst, name, !noSound);
}

HRESULT CPAVIPlayer::OpenStream()
{
    return OpenVariant(kFirst, m_noSound == 0);
}

HRESULT CPAVIPlayer::Restart()
{
    ReleaseAll();
    const HRESULT hr = OpenStream();
    if (FAILED(hr))
        ReleaseAll();
    return hr;
}

void CPAVIPlayer::ReleaseAll()
{
    SafeRelease(m_audio);
    SafeRelease(m_control);
    SafeRelease(m_position);
    SafeRelease(m_sample);
    SafeRelease(m_drawStream);
    SafeRelease(m_videoStream);
    SafeRelease(m_stream);
    SafeRelease(m_surface);
    SafeRelease(m_secondInterface);
    SafeRelease(m_directDraw);
}

HRESULT CPAVIPlayer::OpenVariant(const Variant& variant, bool withSound)
{
    HRESULT hr = DirectDrawCreate(nullptr, &m_directDraw, nullptr);
    if (FAILED(hr)) {
        ReportDXError(variant.sourceFile, __LINE__, hr);
        return hr;
    }
    const CPTaskManager* tasks = GetTaskManager();
    hr = m_directDraw->SetCooperativeLevel(tasks ? tasks->GetWindowHandle() : nullptr, DDSCL_NORMAL);
    if (FAILED(hr)) {
        ReportDXError(variant.sourceFile, __LINE__, hr);
        return hr;
    }
    hr = CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                          reinterpret_cast<void**>(&m_stream));
    if (FAILED(hr)) {
        m_stream = nullptr;
        ReportDXError(variant.sourceFile, __LINE__, hr);
        return hr;
    }
    hr = m_stream->Initialize(STREAMTYPE_READ, 0, nullptr);
    if (FAILED(hr)) {
        ReportDXError(variant.sourceFile, __LINE__, hr);
        return hr;
    }
    if (withSound) {
        hr = m_stream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, nullptr);
        if (FAILED(hr)) {
            ReportDXError(variant.sourceFile, __LINE__, hr);
            return hr;
        }
    }
    hr = m_stream->AddMediaStream(m_directDraw, &MSPID_PrimaryVideo, 0, nullptr);
    if (FAILED(hr))
        ReportDXError(variant.sourceFile, __LINE__, hr);
    return hr;
}

HRESULT CPAVIPlayer::PlayVariant(const Variant& variant, const std::string& name, bool withSound)
{
    HRESULT hr = (this->*variant.restart)();
    if (FAILED(hr)) {
        ReportDXError(variant.sourceFile, __LINE__, hr);
        return hr;
    }
    const CPRender* render = GetRender();
    m_device = render ? render->m_device : nullptr;
    hr = (this->*variant.restart)();
    if (FAILED(hr)) {
        ReportDXError(variant.sourceFile, __LINE__, hr);
        return hr;
    }

    // A path that does not fit is refused, not cut short into another name.
    const std::string path = std::string(kVideoFolder) + "\\" + name;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0) {
        ReportDXError(variant.sourceFile, __LINE__, E_INVALIDARG);
        return E_INVALIDARG;
    }
    if (!m_stream)
        return E_FAIL;

    hr = m_stream->OpenFile(widePath, 0);
    if (Failed(variant, kOpenFile, hr))
        return hr;
    hr = m_stream->GetMediaStream(MSPID_PrimaryVideo, &m_videoStream);
    if (Failed(variant, kGetMediaStream, hr))
        return hr;
    hr = m_videoStream->QueryInterface(IID_IDirectDrawMediaStream, reinterpret_cast<void**>(&m_drawStream));
    if (Failed(variant, kQueryDrawStream, hr))
        return hr;
    DDSURFACEDESC description {};
    description.dwSize = kDDSurfaceDescSize;
    hr = m_drawStream->GetFormat(&description, nullptr, nullptr, nullptr);
    if (Failed(variant, kGetFormat, hr))
        return hr;
    const auto width = static_cast<int32_t>(description.dwWidth);
    const auto height = static_cast<int32_t>(description.dwHeight);

    SafeRelease(m_surface);
    hr = m_directDraw->CreateSurface(&description, &m_surface, nullptr);
    if (Failed(variant, kCreateSurface, hr))
        return hr;
    m_frameRect = RECT { 0, 0, width, height };
    SafeRelease(m_sample);
    hr = m_drawStream->CreateSample(m_surface, nullptr, 0, &m_sample);
    if (Failed(variant, kCreateSample, hr))
        return hr;

    hr = MakeTexture(variant, width, height);
    if (Failed(variant, kCreateTexture, hr))
        return hr;

    IGraphBuilder* graph = nullptr;
    hr = m_stream->GetFilterGraph(&graph);
    if (Failed(variant, kGetFilterGraph, hr))
        return hr;
    hr = graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control));
    if (!Failed(variant, kQueryControl, hr)) {
        hr = graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&m_position));
        Failed(variant, kQueryPosition, hr);
    }
    if (SUCCEEDED(hr) && withSound) {
        hr = graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_audio));
        // The sound volume is kept within 0..1 before it becomes decibels.
        if (!Failed(variant, kQueryAudio, hr))
            Failed(variant, kPutVolume, hr = m_audio->put_Volume(ToDirectSoundVolume(g_CfgSoundVolume)));
    }
    graph->Release();
    if (FAILED(hr))
        return hr;

    hr = m_stream->SetState(STREAMSTATE_STOP);
    if (Failed(variant, kSetState, hr))
        return hr;
    m_playFinished = 0;
    Publish(variant, m_texture);
    return hr;
}

HRESULT CPAVIPlayer::MakeTexture(const Variant& variant, int32_t width, int32_t height)
{
    const int32_t depth = g_CfgScreenBPP;
    const int32_t textureWidth = NextPowerOfTwo(width);
    const int32_t textureHeight = NextPowerOfTwo(height);
    if (m_texture && m_textureDepth == depth && m_textureWidth == textureWidth && m_textureHeight == textureHeight)
        return S_OK;
    if (!m_device)
        return E_FAIL;
    // A texture the device cannot make is refused before the old one goes.
    D3DCAPS9 caps {};
    if (SUCCEEDED(m_device->GetDeviceCaps(&caps))
        && (static_cast<DWORD>(textureWidth) > caps.MaxTextureWidth
            || static_cast<DWORD>(textureHeight) > caps.MaxTextureHeight))
        return D3DERR_INVALIDCALL;

    // The cache entry lets go of the old texture before it is released.
    if (m_texture)
        Withdraw(variant);
    SafeRelease(m_texture);
    const D3DFORMAT format = depth == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    const HRESULT hr = m_device->CreateTexture(static_cast<UINT>(textureWidth), static_cast<UINT>(textureHeight), 1, 0,
                                               format, D3DPOOL_MANAGED, &m_texture, nullptr);
    if (FAILED(hr)) {
        m_texture = nullptr;
        return hr;
    }
    m_textureWidth = textureWidth;
    m_textureHeight = textureHeight;
    m_textureDepth = depth;
    return hr;
}

void CPAVIPlayer::Publish(const Variant& variant, IDirect3DTexture9* texture)
{
    const CPTextureManager* manager = GetTextureManager();
    CPTexture* entry = manager ? manager->FindTexture(variant.cacheKey) : nullptr;
    if (!entry) {
        GetLog().Print(0, "No texture \"%s\" to show the video in", variant.cacheKey);
        return;
    }
    entry->ShowVideo(texture, variant.textureName);
    m_published = &variant;
}

void CPAVIPlayer::Withdraw(const Variant& variant)
{
    const CPTextureManager* manager = GetTextureManager();
    CPTexture* entry = manager ? manager->FindTexture(variant.cacheKey) : nullptr;
    if (entry && m_texture && entry->GetTexture() == m_texture)
        entry->ShowVideo(nullptr, variant.textureName);
}
