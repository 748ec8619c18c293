// Writes the seed files of the media_file fuzz target: a tiny lossless video
// with and without sound and a short music file, made by the test fixture
// encoder. Usage: veltrix-media-seeds <corpus directory>
#include "tests/MediaFixture.h"

#include <cstdio>
#include <string>

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
    return ok ? 0 : 1;
}
