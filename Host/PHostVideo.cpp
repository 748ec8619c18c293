#include "Host/PHostVideo.h"

#include "Core/PLog.h"
#include "Render/PAVIPlayer1.h"

#include <algorithm>
#include <cstring>

namespace
{
const char* const kSource = "Host/PHostVideo";

// One X8R8G8B8 pixel as R5G6B5.
uint16_t ToR5G6B5(uint32_t pixel)
{
    return static_cast<uint16_t>(((pixel >> 8) & 0xF800) | ((pixel >> 5) & 0x07E0) | ((pixel >> 3) & 0x001F));
}
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
    if (!m_surface || !m_texture)
        return false;
    DDSURFACEDESC frame {};
    frame.dwSize = kDDSurfaceDescSize;
    HRESULT hr = m_surface->Lock(nullptr, &frame, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);
    if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        return false;
    }
    D3DLOCKED_RECT locked {};
    hr = m_texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        ReportDXError(kSource, __LINE__, hr);
        m_surface->Unlock(nullptr);
        return false;
    }
    // The frame rectangle, cut to the surface and to the texture.
    const LONG width = std::min<LONG>({ m_frameRect.right, static_cast<LONG>(frame.dwWidth), m_textureWidth });
    const LONG height = std::min<LONG>({ m_frameRect.bottom, static_cast<LONG>(frame.dwHeight), m_textureHeight });
    const auto* source = static_cast<const uint8_t*>(frame.lpSurface);
    auto* target = static_cast<uint8_t*>(locked.pBits);
    for (LONG y = 0; y < height; ++y) {
        const uint8_t* from = source + static_cast<size_t>(y) * frame.lPitch;
        uint8_t* to = target + static_cast<size_t>(y) * locked.Pitch;
        if (m_textureDepth == 32) {
            std::memcpy(to, from, static_cast<size_t>(width) * 4);
            continue;
        }
        for (LONG x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, from + x * 4, 4);
            const uint16_t packed = ToR5G6B5(pixel);
            std::memcpy(to + x * 2, &packed, 2);
        }
    }
    m_texture->UnlockRect(0);
    m_surface->Unlock(nullptr);
    return true;
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
