// A DirectShow multimedia stream that reads a file with the platform's media
// reader: its primary video stream decodes into DirectDraw surfaces through
// stream samples, frame by frame as the media clock advances while the
// stream runs; its primary audio stream, when one is added, plays silently.
// The stream's filter graph answers for media control, media position and
// (with an audio stream) basic audio, all acting on the same stream. Tests
// read what each stream was asked in its record.
#pragma once

#include "Platform/ComClasses.h"
#include "Platform/DDraw.h"
#include "Platform/DShow.h"
#include "Platform/Win32.h"

#include <memory>
#include <string>
#include <vector>

typedef ULONG_PTR DWORD_PTR;
typedef GUID MSPID;
typedef const MSPID& REFMSPID;
// Stream time in units of 100 nanoseconds.
typedef LONGLONG STREAM_TIME;

enum STREAM_TYPE
{
    STREAMTYPE_READ = 0,
    STREAMTYPE_WRITE = 1,
    STREAMTYPE_TRANSFORM = 2
};

enum STREAM_STATE
{
    STREAMSTATE_STOP = 0,
    STREAMSTATE_RUN = 1
};

constexpr DWORD AMMSF_ADDDEFAULTRENDERER = 0x00000001;

// Update wrote nothing new: the frame on show is already in the surface.
constexpr HRESULT MS_S_NOUPDATE = 0x00040002;
constexpr HRESULT MS_S_ENDOFSTREAM = 0x00040003;
constexpr HRESULT MS_E_PURPOSEID = static_cast<HRESULT>(0x80040402u);
constexpr HRESULT MS_E_NOSTREAM = static_cast<HRESULT>(0x80040403u);
constexpr HRESULT MS_E_NOTINIT = static_cast<HRESULT>(0x80040407u);
constexpr HRESULT MS_E_INVALIDSTREAMTYPE = static_cast<HRESULT>(0x80040409u);
constexpr HRESULT MS_E_NOTRUNNING = static_cast<HRESULT>(0x8004040Au);

extern const CLSID CLSID_AMMultiMediaStream;
extern const IID IID_IAMMultiMediaStream;
extern const IID IID_IMediaStream;
extern const IID IID_IDirectDrawMediaStream;
extern const IID IID_IDirectDrawStreamSample;
extern const MSPID MSPID_PrimaryVideo;
extern const MSPID MSPID_PrimaryAudio;

class IMediaStream : public IUnknown
{
public:
    virtual HRESULT GetInformation(MSPID* purpose, STREAM_TYPE* type) = 0;

protected:
    ~IMediaStream() = default;
};

class IStreamSample : public IUnknown
{
public:
    // Only synchronous updates (no event, no callback): writes the frame the
    // running stream shows now into the sample's surface. S_OK when a new
    // frame was written, MS_S_NOUPDATE when it was already there,
    // MS_S_ENDOFSTREAM once the stream has played to its end, and
    // MS_E_NOTRUNNING while the stream is stopped.
    virtual HRESULT Update(DWORD flags, HANDLE event, void* callback, DWORD_PTR context) = 0;

protected:
    ~IStreamSample() = default;
};

class IDirectDrawStreamSample : public IStreamSample
{
public:
    virtual HRESULT GetSurface(IDirectDrawSurface** surface, RECT* rect) = 0;

protected:
    ~IDirectDrawStreamSample() = default;
};

class IDirectDrawMediaStream : public IMediaStream
{
public:
    // The decoded frames' description (width, height, 32-bit RGB) into
    // `current`, whose dwSize must be kDDSurfaceDescSize; MS_E_NOSTREAM
    // before a file is open. The palette, desired format and flags must be null.
    virtual HRESULT GetFormat(DDSURFACEDESC* current, void** palette, DDSURFACEDESC* desired, DWORD* flags) = 0;
    // A sample writing into the surface (at its top-left corner when no
    // rectangle is given); the surface is held by the sample.
    virtual HRESULT CreateSample(IDirectDrawSurface* surface, const RECT* rect, DWORD flags,
                                 IDirectDrawStreamSample** sample) = 0;

protected:
    ~IDirectDrawMediaStream() = default;
};

class IMultiMediaStream : public IUnknown
{
public:
    virtual HRESULT GetMediaStream(REFMSPID purpose, IMediaStream** stream) = 0;
    virtual HRESULT GetState(STREAM_STATE* state) = 0;
    // Running starts the media clock's count from where the stream stands.
    virtual HRESULT SetState(STREAM_STATE state) = 0;
    virtual HRESULT GetTime(STREAM_TIME* time) = 0;
    virtual HRESULT GetDuration(STREAM_TIME* duration) = 0;
    virtual HRESULT Seek(STREAM_TIME time) = 0;

protected:
    ~IMultiMediaStream() = default;
};

class IAMMultiMediaStream : public IMultiMediaStream
{
public:
    // Reading only, with no filter graph of the caller's.
    virtual HRESULT Initialize(STREAM_TYPE type, DWORD flags, IGraphBuilder* graph) = 0;
    virtual HRESULT GetFilterGraph(IGraphBuilder** graph) = 0;
    // The primary audio stream (stream object null, AMMSF_ADDDEFAULTRENDERER)
    // or the primary video stream (the DirectDraw object as stream object).
    virtual HRESULT AddMediaStream(IUnknown* streamObject, const MSPID* purpose, DWORD flags,
                                   IMediaStream** added) = 0;
    // Opens a game path; the failure of the media reader otherwise.
    virtual HRESULT OpenFile(LPCWSTR file, DWORD flags) = 0;

protected:
    ~IAMMultiMediaStream() = default;
};

namespace PlatformAMStream
{
// What one multimedia stream was asked; kept after it is released.
struct StreamRecord
{
    bool initialized = false;
    bool audioAdded = false;
    bool videoAdded = false;
    std::string openedPath;
    HRESULT openResult = S_OK;
    STREAM_STATE state = STREAMSTATE_STOP;
    int audioQueries = 0; // IBasicAudio asked of the graph
    std::vector<LONG> volumes;
    int liveObjects = 0; // the stream, its graph, media streams and samples
};

// Every stream made since the last Reset, in order.
const std::vector<std::shared_ptr<StreamRecord>>& Streams();
// Whether CoCreateInstance can make a multimedia stream (it can, by default).
void SetAvailable(bool available);
// Forgets the records; the class is available.
void Reset();
}
