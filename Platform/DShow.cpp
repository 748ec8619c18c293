#include "Platform/DShow.h"

#include "Platform/ComObject.h"
#include "Platform/MediaFile.h"

#include <cstdio>

const CLSID CLSID_FilterGraph = { 0x7a1c0201, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x02, 0x01 } };
const IID IID_IGraphBuilder = { 0x7a1c0202, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x02, 0x02 } };
const IID IID_IMediaControl = { 0x7a1c0203, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x02, 0x03 } };
const IID IID_IMediaEvent = { 0x7a1c0204, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x02, 0x04 } };
const IID IID_IMediaPosition = { 0x7a1c0205, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x02, 0x05 } };
const IID IID_IBasicAudio = { 0x7a1c0206, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x02, 0x06 } };

namespace
{
using PlatformDShow::GraphRecord;

struct StandInState
{
    std::vector<std::shared_ptr<GraphRecord>> graphs;
    bool hasMissing = false;
    IID missing {};
};

StandInState& State()
{
    static StandInState state;
    return state;
}
}

bool PlatformDShow::NarrowPath(LPCWSTR wide, std::string& path)
{
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    std::string bytes(static_cast<size_t>(length), '\0');
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, &bytes[0], length, nullptr, &lossy) != length || lossy)
        return false;
    bytes.pop_back(); // the terminating zero
    path = bytes;
    return true;
}

namespace
{
class FilterGraph final
    : public ComObject<FilterGraph, IGraphBuilder, IMediaControl, IMediaEvent, IMediaPosition, IBasicAudio>
{
public:
    FilterGraph()
        : m_record(std::make_shared<GraphRecord>())
    {
        State().graphs.push_back(m_record);
    }
    ~FilterGraph() { m_record->state = State_Stopped; }

    void* FindInterface(REFIID iid)
    {
        const StandInState& state = State();
        if (state.hasMissing && iid == state.missing)
            return nullptr;
        if (iid == IID_IUnknown || iid == IID_IGraphBuilder)
            return static_cast<IGraphBuilder*>(this);
        if (iid == IID_IMediaControl)
            return static_cast<IMediaControl*>(this);
        if (iid == IID_IMediaEvent)
            return static_cast<IMediaEvent*>(this);
        if (iid == IID_IMediaPosition)
            return static_cast<IMediaPosition*>(this);
        if (iid == IID_IBasicAudio)
            return static_cast<IBasicAudio*>(this);
        return nullptr;
    }

    // The record shows the count and the Release calls, also once the graph is gone.
    ULONG AddRef() override { return m_record->references = ComObject::AddRef(); }
    ULONG Release() override
    {
        const std::shared_ptr<GraphRecord> record = m_record;
        ++record->releaseCalls;
        return record->references = ComObject::Release();
    }

    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override
    {
        ++m_record->renderCalls;
        HRESULT hr = S_OK;
        std::string path;
        if (!file)
            hr = E_POINTER;
        else if (playList)
            hr = E_INVALIDARG;
        else if (!PlatformDShow::NarrowPath(file, path))
            hr = HRESULT_FILE_NOT_FOUND;
        else
            hr = CheckFile(path);
        m_record->renderedPath = path;
        m_record->renderResult = hr;
        m_record->duration = SUCCEEDED(hr) ? m_duration : 0.0;
        m_record->position = 0.0;
        m_endSent = false;
        return hr;
    }

    HRESULT Abort() override
    {
        ++m_record->abortCalls;
        return S_OK;
    }

    HRESULT Run() override
    {
        ++m_record->runCalls;
        if (m_record->state != State_Running)
            m_runClock = PlatformMedia::Clock();
        m_record->state = State_Running;
        return S_OK;
    }

    HRESULT Pause() override
    {
        m_record->position = Position();
        m_record->state = State_Paused;
        return S_OK;
    }

    HRESULT Stop() override
    {
        ++m_record->stopCalls;
        m_record->position = Position();
        m_record->state = State_Stopped;
        return S_OK;
    }

    HRESULT GetState(LONG, OAFilterState* state) override
    {
        if (!state)
            return E_POINTER;
        *state = m_record->state;
        return S_OK;
    }

    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG) override
    {
        if (!code || !param1 || !param2)
            return E_POINTER;
        *param1 = 0;
        *param2 = 0;
        // The music ends once the media clock has carried it past its length.
        if (!m_endSent && m_record->duration > 0.0 && Position() >= m_record->duration) {
            m_endSent = true;
            m_record->events.push_back(EC_COMPLETE);
        }
        if (m_record->events.empty()) {
            *code = 0;
            return E_ABORT;
        }
        *code = m_record->events.front();
        m_record->events.pop_front();
        return S_OK;
    }

    HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }

    HRESULT get_CurrentPosition(REFTIME* seconds) override
    {
        if (!seconds)
            return E_POINTER;
        *seconds = Position();
        return S_OK;
    }

    HRESULT put_CurrentPosition(REFTIME seconds) override
    {
        if (!(seconds >= 0.0))
            return E_INVALIDARG;
        m_record->position = seconds;
        m_record->positionsSet.push_back(seconds);
        m_runClock = PlatformMedia::Clock();
        m_endSent = false;
        return S_OK;
    }

    HRESULT get_Duration(REFTIME* seconds) override
    {
        if (!seconds)
            return E_POINTER;
        *seconds = m_record->duration;
        return S_OK;
    }

    HRESULT put_Volume(LONG volume) override
    {
        if (volume < -10000 || volume > 0)
            return E_INVALIDARG;
        m_record->volume = volume;
        m_record->volumes.push_back(volume);
        return S_OK;
    }

    HRESULT get_Volume(LONG* volume) override
    {
        if (!volume)
            return E_POINTER;
        *volume = m_record->volume;
        return S_OK;
    }

private:
    // The file must decode; its length is kept. Nothing is played aloud.
    HRESULT CheckFile(const std::string& path)
    {
        PlatformMedia::MediaFile media;
        const HRESULT hr = media.Open(path);
        m_duration = SUCCEEDED(hr) ? media.Duration() : 0.0;
        return hr;
    }

    // Where the music stands: it moves on with the media clock while running
    // and stops at its end.
    REFTIME Position() const
    {
        REFTIME position = m_record->position;
        if (m_record->state == State_Running)
            position += PlatformMedia::Clock() - m_runClock;
        if (m_record->duration > 0.0 && position > m_record->duration)
            position = m_record->duration;
        return position;
    }

    std::shared_ptr<GraphRecord> m_record;
    double m_duration = 0.0;
    double m_runClock = 0.0;
    bool m_endSent = false;
};

IUnknown* MakeGraph()
{
    return static_cast<IGraphBuilder*>(new FilterGraph);
}

[[maybe_unused]] const bool g_Registered = (PlatformCom::RegisterClassFactory(CLSID_FilterGraph, &MakeGraph), true);
}

namespace PlatformDShow
{
const std::vector<std::shared_ptr<GraphRecord>>& Graphs()
{
    return State().graphs;
}

void EndOfMusic()
{
    for (const auto& record : State().graphs)
        if (record->references > 0 && record->state == State_Running && SUCCEEDED(record->renderResult)
            && record->renderCalls > 0)
            record->events.push_back(EC_COMPLETE);
}

void SetAvailable(bool available)
{
    PlatformCom::RegisterClassFactory(CLSID_FilterGraph, available ? &MakeGraph : nullptr);
}

void SetMissingInterface(const IID* iid)
{
    State().hasMissing = iid != nullptr;
    State().missing = iid ? *iid : IID {};
}

void Reset()
{
    State().graphs.clear();
    State().hasMissing = false;
    SetAvailable(true);
}
}
