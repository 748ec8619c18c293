#include "Platform/DisplayModes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace PlatformDisplay
{
namespace
{
const char kModesVariable[] = "VELTRIX_DISPLAY_MODES";
const char kDrmClassDirectory[] = "/sys/class/drm";

std::optional<Source> g_fixedSource;

std::string Trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    const size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// A decimal number of 1 to 5 digits, the whole text.
bool ParseDimension(const std::string& text, UINT& value)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = static_cast<UINT>(std::stoul(text));
    return value > 0;
}

// "WxH" or "WxH@Hz".
bool ParseMode(const std::string& item, Mode& mode)
{
    const size_t x = item.find('x');
    if (x == std::string::npos)
        return false;
    const size_t at = item.find('@', x);
    const std::string height = item.substr(x + 1, at == std::string::npos ? std::string::npos : at - x - 1);
    Mode parsed;
    if (!ParseDimension(item.substr(0, x), parsed.width) || !ParseDimension(height, parsed.height))
        return false;
    if (at != std::string::npos && !ParseDimension(item.substr(at + 1), parsed.refreshRate))
        return false;
    mode = parsed;
    return true;
}

Source SystemSource()
{
    Source source;
    const char* text = std::getenv(kModesVariable);
    if (text && *text) {
        std::vector<std::string> errors;
        ParseModeList(text, source.modes, errors);
        // The modes are read each time Direct3D is created: the same text is
        // reported once.
        static std::string reported;
        if (reported != text) {
            reported = text;
            for (const std::string& error : errors)
                std::fprintf(stderr, "%s: \"%s\" is no display mode (WxH@Hz); left out\n", kModesVariable,
                             error.c_str());
        }
        return source;
    }
    source.modes = ReadKernelModes(kDrmClassDirectory);
    if (source.modes.empty())
        source.modes = BuiltInModes();
    return source;
}
}

void SetSource(const Source& source)
{
    g_fixedSource = source;
}

void UseSystemModes()
{
    g_fixedSource.reset();
}

Source CurrentSource()
{
    return g_fixedSource ? *g_fixedSource : SystemSource();
}

bool ParseModeList(const std::string& text, std::vector<Mode>& modes, std::vector<std::string>& errors)
{
    modes.clear();
    errors.clear();
    if (Trimmed(text) == "none")
        return true;
    size_t begin = 0;
    for (;;) {
        const size_t comma = text.find(',', begin);
        const std::string item = Trimmed(text.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin));
        Mode mode;
        if (ParseMode(item, mode))
            modes.push_back(mode);
        else
            errors.push_back(item);
        if (comma == std::string::npos)
            break;
        begin = comma + 1;
    }
    return errors.empty();
}

std::vector<Mode> ReadKernelModes(const std::string& drmClassDirectory)
{
    std::vector<Mode> modes;
    std::error_code error;
    std::vector<std::filesystem::path> connectors;
    for (const auto& entry : std::filesystem::directory_iterator(drmClassDirectory, error))
        connectors.push_back(entry.path());
    std::sort(connectors.begin(), connectors.end());
    for (const auto& connector : connectors) {
        std::ifstream status(connector / "status");
        std::string state;
        if (!std::getline(status, state) || Trimmed(state) != "connected")
            continue;
        std::ifstream list(connector / "modes");
        // One "WxH" per line; interlaced modes ("WxHi") are no full-screen modes.
        for (std::string line; std::getline(list, line);) {
            Mode mode;
            if (ParseMode(Trimmed(line), mode))
                modes.push_back(mode);
        }
    }
    return modes;
}

std::vector<Mode> BuiltInModes()
{
    const UINT sizes[][2] = {
        { 640, 480 }, { 800, 600 }, { 1024, 768 }, { 1152, 864 }, { 1280, 720 }, { 1280, 800 },
        { 1280, 1024 }, { 1366, 768 }, { 1440, 900 }, { 1600, 900 }, { 1680, 1050 }, { 1920, 1080 },
    };
    std::vector<Mode> modes;
    for (const auto& size : sizes) {
        Mode mode;
        mode.width = size[0];
        mode.height = size[1];
        modes.push_back(mode);
    }
    return modes;
}
}
