// A DirectShow filter graph that plays music silently and records what is
// asked of it. CoCreateInstance(CLSID_FilterGraph) makes a graph; it answers
// for the graph builder, media control, media events, media position and
// basic audio interfaces, all counted on the one object. RenderFile resolves
// the game path through the path layer and fails for a missing file or one
// the platform's media reader cannot decode. The music's position moves on
// with the media clock while the graph runs, and an end-of-stream event
// comes once the clock has carried it past its end.
// Tests end the music of every running graph (an end-of-stream event), make
// the class unavailable, or make one interface missing.
#pragma once

#include "Platform/ComClasses.h"
#include "Platform/WideChar.h"
#include "Platform/Win32.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

typedef double REFTIME;
typedef LONG OAFilterState;

constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
// What RenderFile answers for a file that does not exist.
constexpr HRESULT HRESULT_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = static_cast<HRESULT>(0x80040240u);

// Media events.
constexpr LONG EC_COMPLETE = 0x01;

constexpr OAFilterState State_Stopped = 0;
constexpr OAFilterState State_Paused = 1;
constexpr OAFilterState State_Running = 2;

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaPosition;
extern const IID IID_IBasicAudio;

class IGraphBuilder : public IUnknown
{
public:
    // Builds the graph that plays the file; the play list must be null.
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT Abort() = 0;

protected:
    ~IGraphBuilder() = default;
};

class IMediaControl : public IUnknown
{
public:
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG timeout, OAFilterState* state) = 0;

protected:
    ~IMediaControl() = default;
};

class IMediaEvent : public IUnknown
{
public:
    // The next event; E_ABORT when there is none.
    virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeout) = 0;
    virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IMediaEvent() = default;
};

class IMediaPosition : public IUnknown
{
public:
    virtual HRESULT get_CurrentPosition(REFTIME* seconds) = 0;
    virtual HRESULT put_CurrentPosition(REFTIME seconds) = 0;
    // Seconds; 0 until a file is rendered.
    virtual HRESULT get_Duration(REFTIME* seconds) = 0;

protected:
    ~IMediaPosition() = default;
};

class IBasicAudio : public IUnknown
{
public:
    // Hundredths of a decibel, -10000 to 0.
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;

protected:
    ~IBasicAudio() = default;
};

namespace PlatformDShow
{
// The file a wide path names, as a game path in the ANSI code page; false
// when a character has no byte there.
bool NarrowPath(LPCWSTR wide, std::string& path);

// What one graph was asked; kept after the graph is released.
struct GraphRecord
{
    ULONG references = 1;
    int releaseCalls = 0;
    std::string renderedPath; // the game path RenderFile was given
    HRESULT renderResult = S_OK;
    int renderCalls = 0;
    int abortCalls = 0;
    OAFilterState state = State_Stopped;
    int runCalls = 0;
    int stopCalls = 0;
    LONG volume = 0;
    std::vector<LONG> volumes; // every volume accepted, in order
    REFTIME position = 0.0; // where the music stood when it last stopped or was moved
    REFTIME duration = 0.0;
    std::vector<REFTIME> positionsSet;
    std::deque<LONG> events;
};

// Every graph made since the last Reset, in order.
const std::vector<std::shared_ptr<GraphRecord>>& Graphs();
// Every graph that is running and has a file reaches the end of it.
void EndOfMusic();
// Whether CoCreateInstance can make a filter graph (it can, by default).
void SetAvailable(bool available);
// Queries for this interface fail (null: none fail).
void SetMissingInterface(const IID* iid);
// Forgets the records; the class is available and no interface is missing.
void Reset();
}
