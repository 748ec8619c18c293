#include "Sound/PMusic.h"

#include "Core/PLog.h"
#include "Platform/WideChar.h"
#include "Sound/NSound.h"

CPMusic* g_Music = nullptr;

CPMusic* GetMusic()
{
    return g_Music;
}

namespace
{
const char* const kSource = "Sound/PMusic";
const char* const kMusicDirectory = "Data\\Music";

// Queries the graph for one interface; a failure is reported.
template <class Interface>
HRESULT Query(IGraphBuilder* graph, REFIID iid, Interface*& out, int line)
{
    const HRESULT hr = graph->QueryInterface(iid, reinterpret_cast<void**>(&out));
    if (FAILED(hr)) {
        out = nullptr;
        ReportDXError(kSource, line, hr);
    }
    return hr;
}

}

CPMusic::CPMusic()
    : m_graph(nullptr)
    , m_control(nullptr)
    , m_events(nullptr)
    , m_position(nullptr)
    , m_audio(nullptr)
    , m_loop(0)
    , m_loaded(0)
    , m_volume(0.0f)
{
}

CPMusic::~CPMusic()
{
    ReleaseAll();
}

int32_t CPMusic::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPMusic));
}

std::string CPMusic::GetTypeName() const
{
    return "CPMusic";
}

void CPMusic::Update()
{
}

int32_t CPMusic::QueryFlag()
{
    return 0;
}

HRESULT CPMusic::Play(const std::string& name, bool loop)
{
    ReleaseAll();
    m_loaded = 0;
    m_name = name;

    const std::string path = std::string(kMusicDirectory) + "\\" + name;
    WCHAR widePath[MAX_PATH];
    // A path that does not fit is not cut short into another file's name.
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0)
        return E_INVALIDARG;
    m_loop = loop ? 1 : 0;

    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&m_graph));
    if (FAILED(hr)) {
        m_graph = nullptr;
        return hr;
    }
    if (FAILED(hr = Query(m_graph, IID_IMediaControl, m_control, __LINE__))
        || FAILED(hr = Query(m_graph, IID_IMediaEvent, m_events, __LINE__))
        || FAILED(hr = Query(m_graph, IID_IMediaPosition, m_position, __LINE__))
        || FAILED(hr = Query(m_graph, IID_IBasicAudio, m_audio, __LINE__)))
        return hr;

    hr = m_graph->RenderFile(widePath, nullptr);
    if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        return hr;
    }
    m_loaded = 1;
    ++m_loadCount;
    SetVolume(m_volume);
    return hr;
}

void CPMusic::ReleaseAll()
{
    m_loaded = 0;
    SafeRelease(m_audio);
    SafeRelease(m_control);
    SafeRelease(m_events);
    SafeRelease(m_position);
    if (m_graph) {
        m_graph->Abort();
        SafeRelease(m_graph);
    }
}

void CPMusic::SetVolume(float factor)
{
    m_volume = factor;
    if (!m_audio)
        return;
    const HRESULT hr = m_audio->put_Volume(ToDirectSoundVolume(factor));
    if (FAILED(hr))
        ReportDXError(kSource, __LINE__, hr);
}
