#include "Host/PHostMusic.h"

#include "Core/PLog.h"

namespace
{
const char* const kSource = "Host/PHostMusic";

void Check(int line, HRESULT hr)
{
    if (FAILED(hr))
        ReportDXError(kSource, line, hr);
}
}

int32_t CPHostMusic::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPHostMusic));
}

bool CPHostMusic::Start()
{
    const bool started = CPTask::Start();
    m_handledLoad = GetLoadCount();
    if (IMediaControl* control = GetMediaControl())
        Check(__LINE__, control->Run());
    return started;
}

void CPHostMusic::Update()
{
    if (IsLoaded() && GetLoadCount() != m_handledLoad) {
        m_handledLoad = GetLoadCount();
        if (IMediaControl* control = GetMediaControl())
            Check(__LINE__, control->Run());
    }
    IMediaEvent* events = GetMediaEvent();
    if (!events)
        return;
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        events->FreeEventParams(code, param1, param2);
        if (code != EC_COMPLETE)
            continue;
        IMediaControl* control = GetMediaControl();
        IMediaPosition* position = GetMediaPosition();
        if (IsLooping() && control && position) {
            Check(__LINE__, position->put_CurrentPosition(0.0));
            Check(__LINE__, control->Run());
        } else if (control) {
            Check(__LINE__, control->Stop());
        }
    }
}

bool CPHostMusic::HasMusicToRun() const
{
    if (!IsLoaded())
        return false;
    if (GetLoadCount() != m_handledLoad)
        return true;
    OAFilterState state = State_Stopped;
    IMediaControl* control = GetMediaControl();
    return control && SUCCEEDED(control->GetState(0, &state)) && state == State_Running;
}

void CPHostMusic::Stop()
{
    m_handledLoad = GetLoadCount();
    if (IMediaControl* control = GetMediaControl())
        Check(__LINE__, control->Stop());
}
