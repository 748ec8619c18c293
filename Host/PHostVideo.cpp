#include "Host/PHostVideo.h"

#include "Core/PLog.h"
#include "Render/PAVIPlayer1.h"

#include <cstring>

namespace
{
const char* const kSource = "Host/PHostVideo";
}

int32_t CPHostVideoPlayer::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPHostVideoPlayer));
}

void CPHostVideoPlayer::Update()
{
    if (!m_stream || !m_sample) {
        Finish();
        return;
    }
    STREAM_STATE state = STREAMSTATE_STOP;
    if (SUCCEEDED(m_stream->GetState(&state)) && state != STREAMSTATE_RUN) {
        const HRESULT hr = m_stream->SetState(STREAMSTATE_RUN);
        if (FAILED(hr)) {
            ReportDXError(kSource, __LINE__, hr);
            Finish();
            return;
        }
    }
    HRESULT hr = m_sample->Update(0, nullptr, nullptr, 0);
    if (hr == MS_S_ENDOFSTREAM && IsLooping()) {
        hr = m_stream->Seek(0);
        if (SUCCEEDED(hr))
            hr = m_sample->Update(0, nullptr, nullptr, 0);
    }
    if (hr == S_OK) {
        CopyFrame();
    } else if (hr == MS_S_ENDOFSTREAM) {
        Finish();
    } else if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        Finish();
    }
}

void CPHostVideoPlayer::Stop()
{
    if (m_stream) {
        const HRESULT hr = m_stream->SetState(STREAMSTATE_STOP);
        if (FAILED(hr))
            ReportDXError(kSource, __LINE__, hr);
    }
    CPTask::Stop();
}

void CPHostVideoPlayer::Finish()
{
    SetPlayFinished(true);
    Stop();
}

bool CPHostVideoPlayer::CopyFrame()
{
    return false;
}

void CreateHostVideo()
{
    DestroyHostVideo();
    g_AVIPlayer = new CPHostVideoPlayer;
    g_AVIPlayer1 = new CPHostVideoPlayer;
}

void DestroyHostVideo()
{
    // A running player leaves the task manager's list as it is destroyed.
    delete g_AVIPlayer;
    g_AVIPlayer = nullptr;
    delete g_AVIPlayer1;
    g_AVIPlayer1 = nullptr;
}
