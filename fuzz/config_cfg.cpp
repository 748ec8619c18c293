// Arbitrary text as "config.cfg": loading must never fail, and whatever it
// set, the saved file has exactly one "name = value" line per variable in the
// registry's order and reads back to the same file.
#include "Platform/GamePath.h"
#include "Startup/PConfig.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
// The names of a saved file, in order.
const char* const kSavedOrder[] = {
    "fullScreen", "friction", "restitution", "blur", "shadows", "bloom", "weight_div", "cam_speed",
    "rolling", "psystems", "admin", "screenBPP", "musicVolume", "weather", "startmenu", "texlod",
    "dust", "mouse", "plane", "contrast", "bitrate", "quadlevels", "channels", "distance",
    "static", "bboxes", "soundVolume", "screenWidth", "frequency", "lensflare", "wheel", "screenHeight",
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckShape(const std::string& text)
{
    size_t begin = 0;
    for (const char* name : kSavedOrder) {
        const std::string prefix = std::string(name) + " = ";
        Check(text.compare(begin, prefix.size(), prefix) == 0);
        const size_t end = text.find("\r\n", begin);
        Check(end != std::string::npos && end > begin + prefix.size());
        Check(text.find_first_of(" \t\n\r", begin + prefix.size()) == end);
        begin = end + 2;
    }
    Check(begin == text.size());
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static CPConfig config;
    GamePath::SetRoot(root.Path());
    FILE* file = GamePath::GameFOpen("config.cfg", "wb");
    Check(file != nullptr);
    Check(std::fwrite(data, 1, size, file) == size);
    Check(std::fclose(file) == 0);

    config.Load("CONFIG.CFG");
    const std::string saved = config.SaveText();
    CheckShape(saved);

    config.Save("config.cfg");
    config.Load("config.cfg");
    Check(config.SaveText() == saved);
    return 0;
}
