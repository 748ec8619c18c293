// Sky files for tests and benchmarks: the skyscape text with its header
// values open to change, the cloud set, group and layer texts, and the
// textures and effects they name. The skyscape has three keyframes, a dome of
// 16 segments unless changed, two sky meshes, a cloud set of two states and
// the groups they show, each of one layer.
#pragma once

#include "tests/ImageBuilder.h"
#include "tests/ScratchRoot.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

// Effects of one and of three passes, and one that does not scan.
constexpr char kOnePassEffect[] = "texture tex0; technique Only { pass P { } }";
constexpr char kThreePassEffect[] = "texture tex0; technique Three { pass A { } pass B { } pass C { } }";
constexpr char kBrokenEffect[] = "technique {";

// The skyscape file, its header values open to change.
struct SkyText
{
    float timeScale = 4.0f;
    int startKeyframe = 1;
    int segments = 16;
    int colourPoints = 3;
    int keyframes = 3;
    int tintLine = 3;
    // Duration of keyframe 1.
    float secondDuration = 10.0f;
    int boost = 0;

    std::string Text() const
    {
        std::ostringstream out;
        out << "timescale " << timeScale << "\nstart " << startKeyframe << "\nradius 100\nheight 0.5\nsegments "
            << segments << "\ncentre 0 0 -10\ntexture data\\textures\\sky.tga\neffect data\\effects\\sky.fx\n"
            << "colours " << colourPoints << "\nkeyframes " << keyframes
            << "\nmeshes 2\nmeshfx0 data\\effects\\mesh0.fx\nmeshfx1 data\\effects\\mesh1.fx\n"
            << "groups 3\ncloudset \"set.txt\"\n";
        for (int k = 0; k < keyframes; ++k) {
            const int o = k * 10; // each keyframe a little apart
            out << "duration " << (k == 1 ? secondDuration : 10.0f) << "\nalpha " << 200 + o << "\nangle 90\ntint "
                << tintLine << "\n";
            for (int g = 0; g < colourPoints; ++g)
                out << "point " << 10 + 40 * g + o << ' ' << 20 + 40 * g + o << ' ' << 30 + 40 * g + o << "\n";
            out << "sun " << 200 + o << " 100 50\nambient " << 40 + o << " 50 60\ncolour3 1 2 3\ncolour4 4 5 6\n"
                << "fog " << 100 + o << " 150 200\nfogstart " << 50 + o << "\nfogend 500\nspare 7\nboost " << boost
                << "\n";
            out << "angle0 " << 30 + o << "\nfx0 0\nscale0 2\nstep0 1\n";
            out << "angle1 60\nfx1 1\nscale1 3 99\nstep1 0\n";
        }
        out << "axis 0 0 2\nhalf 5\ndistance 100\nbase 0\ntextures 2\ntex data\\textures\\sun0.tga\n"
            << "tex data\\textures\\sun1.tga\n";
        out << "axis 1 0 1\nhalf 2\ndistance 50\nbase 45\ntextures 1\ntex data\\textures\\moon.tga\n";
        out << "group clear.txt\ngroup storm.txt\ngroup clear.txt\n";
        return out.str();
    }
};

// One cloud-set entry: fade time, duration, jitter, group, overcast, chance.
inline std::string CloudEntry(float fadeTime, float duration, float jitter, const std::string& group, int overcast,
                              float probability)
{
    std::ostringstream out;
    out << "fade " << fadeTime << "\nduration " << duration << "\njitter " << jitter << "\ngroup " << group
        << "\na 1\nb 2\nc 3\nd 4\ne 5\nf 6\ng 7\nh 8\novercast " << overcast << "\nchance " << probability
        << "\ni 9\n";
    return out.str();
}

// A group of one layer file at base position (10, 0, 0) around `offset`.
inline std::string CloudGroupText(const std::string& offset, const std::string& layer)
{
    return "offset " + offset + "\nva 1.5\nvb 2\ntriple 1 2 3\nvc 4\nclouds 1\nlayer " + layer
        + "\nbase 10 0 0\nscale 1\nangle 0\nvalue 3\n";
}

// One anchor at the origin, one puff at (0, 0, 10) of 3 by 4, and the tail.
constexpr char kLayerText[] = "anchors 1\na 0 0 0\npuffs 1\ncentre 0 0 10\npair 1 2\nweight 0.5\nanchor 0\n"
                              "size 3 4\nv2 11\nv1 12\nt 1\nt 2\nt 3\nt 4\nt 5\nt 6\n";

using SkyFileList = std::vector<std::pair<std::string, std::string>>;

// The folders the sky's files go into, each spelled as the root's other
// files spell it (the engine asks for lower-cased paths, and where two
// spellings of a folder stand side by side it takes that one).
struct SkyFolders
{
    std::string textures = "data/textures/";
    std::string effects = "data/effects/";
    std::string clouds = "data/clouds/";
};

// The folders as a whole game data folder spells them.
inline SkyFolders GameDataSkyFolders()
{
    return { "Data/Textures/", "Data/Effects/", "Data/Clouds/" };
}

// The textures and effects the skyscape and its clouds name.
inline SkyFileList SkyArtFiles(const SkyFolders& folders = SkyFolders())
{
    SkyFileList files;
    const std::string tga = image::Tga(2, 2, image::Fill(2, 2, 0xFF336699));
    for (const char* name : { "sky", "sun0", "sun1", "moon", "cloud" })
        files.push_back({ folders.textures + name + ".tga", tga });
    for (const char* name : { "sky", "mesh0", "mesh1", "volume_cloud", "skyscape_light" })
        files.push_back({ folders.effects + name + ".fx", kOnePassEffect });
    return files;
}

// A cloud set of two states: "clear.txt" for about 100 seconds (give or
// take a fifth), then "storm.txt" for 50.
inline std::string TwoStateCloudSet()
{
    return "count 2\n" + CloudEntry(5, 100, 0.2f, "clear.txt", 0, 1) + CloudEntry(10, 50, 0, "storm.txt", 1, 1);
}

// The skyscape under the name given and the cloud files it names.
inline SkyFileList SkyCloudFiles(const std::string& skyscapeName, const SkyText& sky = SkyText(),
                                 const SkyFolders& folders = SkyFolders(),
                                 const std::string& cloudSet = TwoStateCloudSet())
{
    const std::string& clouds = folders.clouds;
    return {
        { clouds + skyscapeName, sky.Text() },
        { clouds + "set.txt", cloudSet },
        { clouds + "clear.txt", CloudGroupText("0 0 100", "puff.txt") },
        { clouds + "storm.txt", CloudGroupText("0 5 0", "puff.txt") },
        { clouds + "puff.txt", kLayerText },
    };
}

inline void WriteSkyArt(const ScratchRoot& root, const SkyFolders& folders = SkyFolders())
{
    for (const auto& file : SkyArtFiles(folders))
        root.MakeFile(file.first, file.second);
}

inline void WriteSkyClouds(const ScratchRoot& root, const std::string& skyscapeName, const SkyText& sky = SkyText(),
                           const SkyFolders& folders = SkyFolders())
{
    for (const auto& file : SkyCloudFiles(skyscapeName, sky, folders))
        root.MakeFile(file.first, file.second);
}
