// Writes the seed files of the media_file fuzz target: a tiny lossless video
// with and without sound and a short music file, made by the test fixture
// encoder, and the files the media tests make of them: cut short or loosely
// sized, and claiming far more bytes than they have. Usage:
// veltrix-media-seeds <corpus directory>
#include "tests/MediaClaimCases.h"
#include "tests/MediaFixture.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    MediaFixture::VideoSpec spec;
    spec.width = 5;
    spec.height = 3;
    spec.colours = { 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF };
    bool ok = MediaFixture::WriteVideo(folder + "/video.avi", spec);
    spec.audio = true;
    ok = MediaFixture::WriteVideo(folder + "/video_sound.avi", spec) && ok;
    ok = MediaFixture::WriteMusic(folder + "/music.wav", 0.25) && ok;
    const std::string video = ReadFile(folder + "/video.avi");
    const std::string music = ReadFile(folder + "/music.wav");
    ok = !video.empty() && !music.empty() && ok;
    for (const MediaClaims::Case& c : MediaClaims::Cases(music, video))
        ok = WriteFile(folder + "/" + c.name, c.bytes) && ok;
    return ok ? 0 : 1;
}
