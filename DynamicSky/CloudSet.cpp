#include "DynamicSky/CloudSet.h"

#include "DynamicSky/SkyFile.h"

CPCloudSet::~CPCloudSet() = default;

void CPCloudSet::Load(const std::string& name)
{
    CPSkyFile file(name);
    if (!file.IsOpen())
        return;
    const int32_t count = file.NextInt();
    for (int32_t i = 0; i < count && !file.Ended(); ++i) {
        CPCloudSetEntry entry;
        entry.fadeTime = file.NextFloat();
        entry.baseDuration = file.NextFloat();
        entry.jitter = file.NextFloat();
        entry.groupName = file.NextString();
        entry.valueA = file.NextInt();
        entry.valueB = file.NextInt();
        entry.valueC = file.NextFloat();
        entry.valueD = file.NextFloat();
        entry.valueE = file.NextInt();
        entry.valueF = file.NextFloat();
        entry.valueG = file.NextInt();
        entry.valueH = file.NextInt();
        entry.overcast = file.NextInt();
        entry.probability = file.NextFloat();
        entry.valueI = file.NextInt();
        if (file.Ended())
            break;
        entries.push_back(entry);
    }
}

CPCloudGroup::CPCloudGroup() = default;

CPCloudGroup::~CPCloudGroup()
{
    for (auto& entry : entries)
        delete entry.first;
}

void CPCloudGroup::Load(const std::string& name)
{
    CPSkyFile file(name);
    if (!file.IsOpen())
        return;
    offset = file.NextVector();
    groupValueA = file.NextFloat();
    groupValueB = file.NextInt();
    groupTriple = file.NextVector();
    groupValueC = file.NextFloat();
    const int32_t count = file.NextInt();
    for (int32_t i = 0; i < count && !file.Ended(); ++i) {
        const std::string layerName = file.NextString();
        const D3DXVECTOR3 base = file.NextVector();
        const float scale = file.NextFloat();
        const float angle = file.NextFloat();
        const float value = file.NextFloat();
        if (file.Ended())
            break;
        CPCloudLayer* layer = new CPCloudLayer();
        layer->Load(layerName, scale, angle);
        layer->position = base + offset;
        layer->basePosition = base;
        entries.emplace_back(layer, value);
        layers.push_back(layer);
    }
}

void CPCloudGroup::Show(bool show, bool resetLevels)
{
    shown = show;
    hidden = !show;
    for (auto& entry : entries) {
        CPCloudLayer* layer = entry.first;
        layer->fadingOut = !show;
        layer->fadingIn = show;
        if (resetLevels) {
            layer->fadeLevelA = show ? 255.0f : 0.0f;
            layer->fadeLevelB = show ? 0.0f : 255.0f;
        }
        layer->dirtyA = true;
        layer->dirtyB = true;
    }
}
