// Small media files for tests, encoded with the system's media libraries: a
// lossless video (FFV1 or uncompressed frames in AVI, 32-bit RGB) whose
// frames are solid colours, so every pixel reads back exactly, with or
// without a silent audio stream, and a music file (16-bit PCM WAV holding a
// quiet tone). The tools/ seed writer uses the same functions.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace MediaFixture
{
struct VideoSpec
{
    int width = 4;
    int height = 2;
    int framesPerSecond = 10;
    std::vector<uint32_t> colours; // one 0xRRGGBB per frame
    bool audio = false;
    bool raw = false; // uncompressed frames instead of FFV1
};

constexpr int kSampleRate = 8000;

namespace Detail
{
// Sends one frame (null: flush) and writes every packet that comes out.
inline bool Encode(AVFormatContext* out, AVCodecContext* encoder, AVStream* stream, AVFrame* frame)
{
    if (avcodec_send_frame(encoder, frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    bool ok = packet != nullptr;
    while (ok) {
        const int got = avcodec_receive_packet(encoder, packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            break;
        if (got < 0) {
            ok = false;
            break;
        }
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        ok = av_interleaved_write_frame(out, packet) >= 0;
    }
    av_packet_free(&packet);
    return ok;
}

inline AVCodecContext* AddAudio(AVFormatContext* out, AVStream** stream)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!encoder)
        return nullptr;
    encoder->sample_rate = kSampleRate;
    encoder->sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&encoder->ch_layout, 1);
    encoder->time_base = AVRational { 1, kSampleRate };
    *stream = avformat_new_stream(out, nullptr);
    if (!*stream || avcodec_open2(encoder, codec, nullptr) < 0
        || avcodec_parameters_from_context((*stream)->codecpar, encoder) < 0) {
        avcodec_free_context(&encoder);
        return nullptr;
    }
    (*stream)->time_base = encoder->time_base;
    return encoder;
}

// `samples` samples of a quiet 440 Hz tone in frames of a tenth of a second.
inline bool WriteTone(AVFormatContext* out, AVCodecContext* encoder, AVStream* stream, int64_t samples)
{
    const int chunk = kSampleRate / 10;
    AVFrame* frame = av_frame_alloc();
    bool ok = frame != nullptr;
    for (int64_t start = 0; ok && start < samples; start += chunk) {
        av_frame_unref(frame);
        frame->format = AV_SAMPLE_FMT_S16;
        frame->sample_rate = kSampleRate;
        av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
        frame->nb_samples = static_cast<int>(samples - start < chunk ? samples - start : chunk);
        frame->pts = start;
        if (av_frame_get_buffer(frame, 0) < 0) {
            ok = false;
            break;
        }
        auto* data = reinterpret_cast<int16_t*>(frame->data[0]);
        for (int i = 0; i < frame->nb_samples; ++i)
            data[i] = static_cast<int16_t>(1000.0 * std::sin(2.0 * M_PI * 440.0 * (start + i) / kSampleRate));
        ok = Encode(out, encoder, stream, frame);
    }
    av_frame_free(&frame);
    return ok;
}

inline bool Finish(AVFormatContext* out, bool ok)
{
    if (ok)
        ok = av_write_trailer(out) >= 0;
    avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}
}

// Writes the video to a host path; false when the libraries fail.
inline bool WriteVideo(const std::string& hostPath, const VideoSpec& spec)
{
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "avi", hostPath.c_str()) < 0)
        return false;
    const AVCodec* codec = avcodec_find_encoder(spec.raw ? AV_CODEC_ID_RAWVIDEO : AV_CODEC_ID_FFV1);
    AVCodecContext* video = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVStream* videoStream = avformat_new_stream(out, nullptr);
    // Uncompressed frames keep the padding byte as alpha, so the file says
    // 32 bits a pixel.
    const AVPixelFormat format = spec.raw ? AV_PIX_FMT_BGRA : AV_PIX_FMT_0RGB32;
    bool ok = video && videoStream;
    if (ok) {
        video->width = spec.width;
        video->height = spec.height;
        video->pix_fmt = format;
        video->time_base = AVRational { 1, spec.framesPerSecond };
        video->framerate = AVRational { spec.framesPerSecond, 1 };
        video->thread_count = 1;
        ok = avcodec_open2(video, codec, nullptr) >= 0
            && avcodec_parameters_from_context(videoStream->codecpar, video) >= 0;
        videoStream->time_base = video->time_base;
    }
    AVStream* audioStream = nullptr;
    AVCodecContext* audio = ok && spec.audio ? Detail::AddAudio(out, &audioStream) : nullptr;
    ok = ok && (!spec.audio || audio);
    ok = ok && avio_open(&out->pb, hostPath.c_str(), AVIO_FLAG_WRITE) >= 0;
    ok = ok && avformat_write_header(out, nullptr) >= 0;

    AVFrame* frame = av_frame_alloc();
    for (size_t i = 0; ok && frame && i < spec.colours.size(); ++i) {
        av_frame_unref(frame);
        frame->format = format;
        frame->width = spec.width;
        frame->height = spec.height;
        frame->pts = static_cast<int64_t>(i);
        if (av_frame_get_buffer(frame, 0) < 0) {
            ok = false;
            break;
        }
        for (int y = 0; y < spec.height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0]);
            for (int x = 0; x < spec.width; ++x)
                row[x] = spec.colours[i] & 0xFFFFFFu;
        }
        ok = Detail::Encode(out, video, videoStream, frame);
    }
    av_frame_free(&frame);
    ok = ok && Detail::Encode(out, video, videoStream, nullptr);
    if (ok && audio) {
        const int64_t samples = static_cast<int64_t>(spec.colours.size()) * kSampleRate / spec.framesPerSecond;
        ok = Detail::WriteTone(out, audio, audioStream, samples) && Detail::Encode(out, audio, audioStream, nullptr);
    }
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    return Detail::Finish(out, ok);
}

// Writes a WAV file of the given length to a host path.
inline bool WriteMusic(const std::string& hostPath, double seconds)
{
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "wav", hostPath.c_str()) < 0)
        return false;
    AVStream* stream = nullptr;
    AVCodecContext* audio = Detail::AddAudio(out, &stream);
    bool ok = audio && avio_open(&out->pb, hostPath.c_str(), AVIO_FLAG_WRITE) >= 0
        && avformat_write_header(out, nullptr) >= 0
        && Detail::WriteTone(out, audio, stream, static_cast<int64_t>(seconds * kSampleRate))
        && Detail::Encode(out, audio, stream, nullptr);
    avcodec_free_context(&audio);
    return Detail::Finish(out, ok);
}
}
