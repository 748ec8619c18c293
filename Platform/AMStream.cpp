#include "Platform/AMStream.h"

#include "Platform/ComObject.h"
#include "Platform/MediaFile.h"

#include <algorithm>
#include <cstring>

const CLSID CLSID_AMMultiMediaStream = { 0x7a1c0401, 0x5e17, 0x4c0e,
                                         { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x01 } };
const IID IID_IAMMultiMediaStream = { 0x7a1c0402, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x02 } };
const IID IID_IMediaStream = { 0x7a1c0403, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x03 } };
const IID IID_IDirectDrawMediaStream = { 0x7a1c0404, 0x5e17, 0x4c0e,
                                         { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x04 } };
const IID IID_IDirectDrawStreamSample = { 0x7a1c0405, 0x5e17, 0x4c0e,
                                          { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x05 } };
const MSPID MSPID_PrimaryVideo = { 0x7a1c0406, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x06 } };
const MSPID MSPID_PrimaryAudio = { 0x7a1c0407, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x04, 0x07 } };

namespace
{
using PlatformAMStream::StreamRecord;

constexpr double kStreamTimeUnits = 10000000.0; // STREAM_TIME units per second

std::vector<std::shared_ptr<StreamRecord>>& Records()
{
    static std::vector<std::shared_ptr<StreamRecord>> records;
    return records;
}

// What every object of one multimedia stream shares: the open file and where
// the stream stands on the media clock.
struct Shared
{
    ~Shared() { SafeRelease(directDraw); }

    double Position() const
    {
        double position = base;
        if (state == STREAMSTATE_RUN)
            position += PlatformMedia::Clock() - runClock;
        return position;
    }

    void SetState(STREAM_STATE next)
    {
        if (next == state)
            return;
        if (next == STREAMSTATE_RUN)
            runClock = PlatformMedia::Clock();
        else
            base = Position();
        state = next;
        record->state = next;
    }

    void SeekTo(double seconds)
    {
        base = seconds;
        runClock = PlatformMedia::Clock();
    }

    bool Ended() const
    {
        const double duration = file.Duration();
        if (duration > 0.0)
            return Position() >= duration;
        return file.AtLastFrame();
    }

    std::shared_ptr<StreamRecord> record = std::make_shared<StreamRecord>();
    PlatformMedia::MediaFile file;
    bool open = false;
    IDirectDraw* directDraw = nullptr;
    STREAM_STATE state = STREAMSTATE_STOP;
    double base = 0.0;
    double runClock = 0.0;
};

// Keeps the shared stream alive and counts the object in the stream's record.
class StreamPart
{
protected:
    explicit StreamPart(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared))
    {
        ++m_shared->record->liveObjects;
    }
    ~StreamPart() { --m_shared->record->liveObjects; }

    std::shared_ptr<Shared> m_shared;
};

class Sample final : public ComObject<Sample, IDirectDrawStreamSample>, private StreamPart
{
public:
    Sample(std::shared_ptr<Shared> shared, IDirectDrawSurface* surface, const RECT& rect)
        : StreamPart(std::move(shared))
        , m_surface(surface)
        , m_rect(rect)
    {
        m_surface->AddRef();
    }

    ~Sample() { SafeRelease(m_surface); }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IDirectDrawStreamSample)
            return static_cast<IDirectDrawStreamSample*>(this);
        return nullptr;
    }

    HRESULT Update(DWORD, HANDLE event, void* callback, DWORD_PTR) override
    {
        if (event || callback)
            return E_INVALIDARG;
        Shared& shared = *m_shared;
        if (!shared.open)
            return MS_E_NOTINIT;
        if (shared.state != STREAMSTATE_RUN)
            return MS_E_NOTRUNNING;
        if (shared.Ended())
            return MS_S_ENDOFSTREAM;
        const int64_t frame = shared.file.FrameAt(shared.Position());
        if (frame < 0 || frame == m_written)
            return MS_S_NOUPDATE;
        const HRESULT hr = Write();
        if (SUCCEEDED(hr))
            m_written = frame;
        return hr;
    }

    HRESULT GetSurface(IDirectDrawSurface** surface, RECT* rect) override
    {
        if (surface) {
            *surface = m_surface;
            m_surface->AddRef();
        }
        if (rect)
            *rect = m_rect;
        return S_OK;
    }

private:
    // The frame's pixels into the sample's rectangle, cut to the surface.
    HRESULT Write()
    {
        DDSURFACEDESC description {};
        description.dwSize = kDDSurfaceDescSize;
        HRESULT hr = m_surface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr);
        if (FAILED(hr))
            return hr;
        const PlatformMedia::MediaFile& file = m_shared->file;
        const std::vector<uint8_t>& pixels = file.Pixels();
        const LONG left = std::max<LONG>(m_rect.left, 0);
        const LONG top = std::max<LONG>(m_rect.top, 0);
        const LONG right = std::min<LONG>({ m_rect.right, static_cast<LONG>(description.dwWidth),
                                            static_cast<LONG>(left + file.Width()) });
        const LONG bottom = std::min<LONG>({ m_rect.bottom, static_cast<LONG>(description.dwHeight),
                                             static_cast<LONG>(top + file.Height()) });
        auto* target = static_cast<uint8_t*>(description.lpSurface);
        for (LONG y = top; y < bottom; ++y) {
            if (right <= left)
                break;
            const size_t from = (static_cast<size_t>(y - top) * file.Width()) * 4;
            std::memcpy(target + static_cast<size_t>(y) * description.lPitch + static_cast<size_t>(left) * 4,
                        pixels.data() + from, static_cast<size_t>(right - left) * 4);
        }
        return m_surface->Unlock(nullptr);
    }

    IDirectDrawSurface* m_surface;
    RECT m_rect;
    int64_t m_written = -1;
};

class AudioStream final : public ComObject<AudioStream, IMediaStream>, private StreamPart
{
public:
    explicit AudioStream(std::shared_ptr<Shared> shared)
        : StreamPart(std::move(shared))
    {
    }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IMediaStream)
            return static_cast<IMediaStream*>(this);
        return nullptr;
    }

    HRESULT GetInformation(MSPID* purpose, STREAM_TYPE* type) override
    {
        if (purpose)
            *purpose = MSPID_PrimaryAudio;
        if (type)
            *type = STREAMTYPE_READ;
        return S_OK;
    }
};

class VideoStream final : public ComObject<VideoStream, IDirectDrawMediaStream>, private StreamPart
{
public:
    explicit VideoStream(std::shared_ptr<Shared> shared)
        : StreamPart(std::move(shared))
    {
    }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IMediaStream || iid == IID_IDirectDrawMediaStream)
            return static_cast<IDirectDrawMediaStream*>(this);
        return nullptr;
    }

    HRESULT GetInformation(MSPID* purpose, STREAM_TYPE* type) override
    {
        if (purpose)
            *purpose = MSPID_PrimaryVideo;
        if (type)
            *type = STREAMTYPE_READ;
        return S_OK;
    }

    HRESULT GetFormat(DDSURFACEDESC* current, void** palette, DDSURFACEDESC* desired, DWORD* flags) override
    {
        if (!current || current->dwSize != kDDSurfaceDescSize || palette || desired || flags)
            return E_INVALIDARG;
        const PlatformMedia::MediaFile& file = m_shared->file;
        if (!m_shared->open || !file.HasVideo())
            return MS_E_NOSTREAM;
        *current = DDSURFACEDESC {};
        current->dwSize = kDDSurfaceDescSize;
        current->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        current->dwWidth = static_cast<DWORD>(file.Width());
        current->dwHeight = static_cast<DWORD>(file.Height());
        current->ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        current->ddpfPixelFormat.dwFlags = DDPF_RGB;
        current->ddpfPixelFormat.dwRGBBitCount = 32;
        current->ddpfPixelFormat.dwRBitMask = 0x00FF0000;
        current->ddpfPixelFormat.dwGBitMask = 0x0000FF00;
        current->ddpfPixelFormat.dwBBitMask = 0x000000FF;
        current->ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        return S_OK;
    }

    HRESULT CreateSample(IDirectDrawSurface* surface, const RECT* rect, DWORD,
                         IDirectDrawStreamSample** sample) override
    {
        if (!sample)
            return E_POINTER;
        *sample = nullptr;
        if (!surface)
            return E_INVALIDARG;
        DDSURFACEDESC description {};
        description.dwSize = kDDSurfaceDescSize;
        const HRESULT hr = surface->GetSurfaceDesc(&description);
        if (FAILED(hr))
            return hr;
        RECT area { 0, 0, static_cast<LONG>(description.dwWidth), static_cast<LONG>(description.dwHeight) };
        if (rect)
            area = *rect;
        *sample = new Sample(m_shared, surface, area);
        return S_OK;
    }
};

class StreamGraph final
    : public ComObject<StreamGraph, IGraphBuilder, IMediaControl, IMediaPosition, IBasicAudio>,
      private StreamPart
{
public:
    explicit StreamGraph(std::shared_ptr<Shared> shared)
        : StreamPart(std::move(shared))
    {
    }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IGraphBuilder)
            return static_cast<IGraphBuilder*>(this);
        if (iid == IID_IMediaControl)
            return static_cast<IMediaControl*>(this);
        if (iid == IID_IMediaPosition)
            return static_cast<IMediaPosition*>(this);
        if (iid == IID_IBasicAudio) {
            ++m_shared->record->audioQueries;
            if (m_shared->record->audioAdded)
                return static_cast<IBasicAudio*>(this);
        }
        return nullptr;
    }

    HRESULT RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT Abort() override { return S_OK; }

    HRESULT Run() override
    {
        m_shared->SetState(STREAMSTATE_RUN);
        return S_OK;
    }
    HRESULT Pause() override
    {
        m_shared->SetState(STREAMSTATE_STOP);
        return S_OK;
    }
    HRESULT Stop() override
    {
        m_shared->SetState(STREAMSTATE_STOP);
        return S_OK;
    }
    HRESULT GetState(LONG, OAFilterState* state) override
    {
        if (!state)
            return E_POINTER;
        *state = m_shared->state == STREAMSTATE_RUN ? State_Running : State_Stopped;
        return S_OK;
    }

    HRESULT get_CurrentPosition(REFTIME* seconds) override
    {
        if (!seconds)
            return E_POINTER;
        *seconds = m_shared->Position();
        return S_OK;
    }
    HRESULT put_CurrentPosition(REFTIME seconds) override
    {
        if (!(seconds >= 0.0))
            return E_INVALIDARG;
        m_shared->SeekTo(seconds);
        return S_OK;
    }
    HRESULT get_Duration(REFTIME* seconds) override
    {
        if (!seconds)
            return E_POINTER;
        *seconds = m_shared->file.Duration();
        return S_OK;
    }

    HRESULT put_Volume(LONG volume) override
    {
        if (volume < -10000 || volume > 0)
            return E_INVALIDARG;
        m_volume = volume;
        m_shared->record->volumes.push_back(volume);
        return S_OK;
    }
    HRESULT get_Volume(LONG* volume) override
    {
        if (!volume)
            return E_POINTER;
        *volume = m_volume;
        return S_OK;
    }

private:
    LONG m_volume = 0;
};

class MultiMediaStream final : public ComObject<MultiMediaStream, IAMMultiMediaStream>, private StreamPart
{
public:
    explicit MultiMediaStream(std::shared_ptr<Shared> shared)
        : StreamPart(std::move(shared))
    {
    }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IAMMultiMediaStream)
            return static_cast<IAMMultiMediaStream*>(this);
        return nullptr;
    }

    HRESULT Initialize(STREAM_TYPE type, DWORD, IGraphBuilder* graph) override
    {
        if (type != STREAMTYPE_READ || graph)
            return E_INVALIDARG;
        m_shared->record->initialized = true;
        return S_OK;
    }

    HRESULT GetFilterGraph(IGraphBuilder** graph) override
    {
        if (!graph)
            return E_POINTER;
        *graph = nullptr;
        if (!m_shared->record->initialized)
            return MS_E_NOTINIT;
        *graph = new StreamGraph(m_shared);
        return S_OK;
    }

    HRESULT AddMediaStream(IUnknown* streamObject, const MSPID* purpose, DWORD flags, IMediaStream** added) override
    {
        if (added)
            *added = nullptr;
        StreamRecord& record = *m_shared->record;
        if (!record.initialized)
            return MS_E_NOTINIT;
        if (!purpose)
            return E_POINTER;
        if (*purpose == MSPID_PrimaryAudio) {
            if (streamObject || !(flags & AMMSF_ADDDEFAULTRENDERER))
                return E_INVALIDARG;
            record.audioAdded = true;
            if (added)
                *added = new AudioStream(m_shared);
            return S_OK;
        }
        if (*purpose != MSPID_PrimaryVideo)
            return MS_E_PURPOSEID;
        IDirectDraw* directDraw = nullptr;
        if (streamObject
            && FAILED(streamObject->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&directDraw))))
            return E_NOINTERFACE;
        SafeRelease(m_shared->directDraw);
        m_shared->directDraw = directDraw;
        record.videoAdded = true;
        if (added)
            *added = new VideoStream(m_shared);
        return S_OK;
    }

    HRESULT OpenFile(LPCWSTR file, DWORD) override
    {
        if (!file)
            return E_POINTER;
        StreamRecord& record = *m_shared->record;
        if (!record.initialized)
            return MS_E_NOTINIT;
        std::string path;
        HRESULT hr = PlatformDShow::NarrowPath(file, path) ? m_shared->file.Open(path) : HRESULT_FILE_NOT_FOUND;
        if (SUCCEEDED(hr) && record.videoAdded && !m_shared->file.HasVideo())
            hr = VFW_E_UNKNOWN_FILE_TYPE;
        record.openedPath = path;
        record.openResult = hr;
        m_shared->open = SUCCEEDED(hr);
        m_shared->SetState(STREAMSTATE_STOP);
        m_shared->SeekTo(0.0);
        return hr;
    }

    HRESULT GetMediaStream(REFMSPID purpose, IMediaStream** stream) override
    {
        if (!stream)
            return E_POINTER;
        *stream = nullptr;
        const StreamRecord& record = *m_shared->record;
        if (purpose == MSPID_PrimaryVideo && record.videoAdded)
            *stream = new VideoStream(m_shared);
        else if (purpose == MSPID_PrimaryAudio && record.audioAdded)
            *stream = new AudioStream(m_shared);
        else
            return MS_E_NOSTREAM;
        return S_OK;
    }

    HRESULT GetState(STREAM_STATE* state) override
    {
        if (!state)
            return E_POINTER;
        *state = m_shared->state;
        return S_OK;
    }

    HRESULT SetState(STREAM_STATE state) override
    {
        if (state != STREAMSTATE_STOP && state != STREAMSTATE_RUN)
            return E_INVALIDARG;
        if (!m_shared->open)
            return MS_E_NOTINIT;
        m_shared->SetState(state);
        return S_OK;
    }

    HRESULT GetTime(STREAM_TIME* time) override
    {
        if (!time)
            return E_POINTER;
        *time = static_cast<STREAM_TIME>(m_shared->Position() * kStreamTimeUnits);
        return S_OK;
    }

    HRESULT GetDuration(STREAM_TIME* duration) override
    {
        if (!duration)
            return E_POINTER;
        *duration = static_cast<STREAM_TIME>(m_shared->file.Duration() * kStreamTimeUnits);
        return m_shared->open ? S_OK : MS_E_NOTINIT;
    }

    HRESULT Seek(STREAM_TIME time) override
    {
        if (!m_shared->open)
            return MS_E_NOTINIT;
        m_shared->SeekTo(time > 0 ? static_cast<double>(time) / kStreamTimeUnits : 0.0);
        return S_OK;
    }
};

IUnknown* MakeStream()
{
    auto shared = std::make_shared<Shared>();
    Records().push_back(shared->record);
    return static_cast<IAMMultiMediaStream*>(new MultiMediaStream(shared));
}

[[maybe_unused]] const bool g_Registered =
    (PlatformCom::RegisterClassFactory(CLSID_AMMultiMediaStream, &MakeStream), true);
}

namespace PlatformAMStream
{
const std::vector<std::shared_ptr<StreamRecord>>& Streams()
{
    return Records();
}

void SetAvailable(bool available)
{
    PlatformCom::RegisterClassFactory(CLSID_AMMultiMediaStream, available ? &MakeStream : nullptr);
}

void Reset()
{
    Records().clear();
    SetAvailable(true);
}
}
