// Cloud sets and cloud groups. A cloud group is one arrangement of cloud
// layers around a common offset; a cloud set lists the cloud states the sky
// can be in, each naming the group it shows, how long it lasts, how long its
// cross-fade takes, whether it darkens the sky and how likely it is chosen.
// Both are read from their files under "Data\Clouds\".
#pragma once

#include "DynamicSky/VolumeCloud.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct CPCloudSetEntry
{
    // Length of the cross-fade.
    float fadeTime = 0.0f;
    // Mean time the state lasts, and its relative spread.
    float baseDuration = 0.0f;
    float jitter = 0.0f;
    // Key of the shown group among the skyscape's cloud groups.
    std::string groupName;
    // Read and kept; nothing reads them yet.
    int32_t valueA = 0;
    int32_t valueB = 0;
    float valueC = 0.0f;
    float valueD = 0.0f;
    int32_t valueE = 0;
    float valueF = 0.0f;
    int32_t valueG = 0;
    int32_t valueH = 0;
    // Non-zero: the state tints the sky.
    int32_t overcast = 0;
    // Chance, 0 to 1, that the state is accepted when drawn.
    float probability = 0.0f;
    int32_t valueI = 0;
};

class CPCloudSet
{
public:
    virtual ~CPCloudSet();

    // Appends the file's entries; the count line is an upper bound, and an
    // entry cut short by the end of the file is dropped.
    void Load(const std::string& name);

    std::vector<CPCloudSetEntry> entries;
};

class CPCloudGroup
{
public:
    CPCloudGroup();
    // Deletes every layer.
    virtual ~CPCloudGroup();
    CPCloudGroup(const CPCloudGroup&) = delete;
    CPCloudGroup& operator=(const CPCloudGroup&) = delete;

    // Reads the group and loads each of its cloud layers.
    void Load(const std::string& name);
    // Shows or hides every cloud; with `resetLevels` their fade levels jump
    // to the start of the fade.
    void Show(bool show, bool resetLevels);

    // The clouds, owned, each with the value of its last line.
    std::vector<std::pair<CPCloudLayer*, float>> entries;
    // The same clouds in the same order.
    std::vector<CPCloudLayer*> layers;
    // Added to every cloud's base position.
    D3DXVECTOR3 offset;
    float groupValueA = 0.0f;
    int32_t groupValueB = 0;
    D3DXVECTOR3 groupTriple;
    float groupValueC = 0.0f;
    // Fading in or in; fading out or out.
    bool shown = false;
    bool hidden = false;
    // Cleared when the group becomes the incoming group.
    bool started = false;
};
