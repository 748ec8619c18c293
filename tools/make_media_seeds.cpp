// Writes the seed files of the media_file fuzz target: a tiny lossless video
// with and without sound and a short music file, made by the test fixture
// encoder, and a music file and a video whose tag list and title claim far
// more bytes than they have. Usage: veltrix-media-seeds <corpus directory>
#include "tests/MediaFixture.h"
#include "tests/WavBuilder.h"

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
    ok = WriteFile(folder + "/claims.wav", wav::Overclaiming()) && ok;
    const std::string video = ReadFile(folder + "/video.avi");
    ok = !video.empty()
        && WriteFile(folder + "/tagged.avi", wav::InsertAfterFirst(video, wav::InfoList("Intro", 1 << 30, 1 << 30)))
        && ok;
    return ok ? 0 : 1;
}
