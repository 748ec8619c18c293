#include "DynamicSky/VolumeCloud.h"

#include "DynamicSky/SkyFile.h"

#include <algorithm>
#include <cmath>

namespace
{
const char kCloudTexture[] = "data\\textures\\cloud.tga";
const char kCloudEffect[] = "data\\effects\\volume_cloud.fx";
}

CPCloudLayer::CPCloudLayer() = default;

CPCloudLayer::~CPCloudLayer() = default;

void CPCloudLayer::Load(const std::string& name, float layerScale, float layerAngle)
{
    scale = layerScale;
    angle = layerAngle;
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, angle);
    CPSkyFile file(name);
    if (!file.IsOpen())
        return;
    const auto place = [&](const D3DXVECTOR3& point) {
        const D3DXVECTOR3 scaled = point * scale;
        D3DXVECTOR3 placed;
        D3DXVec3TransformCoord(&placed, &scaled, &turn);
        return placed;
    };

    std::vector<D3DXVECTOR3> anchors;
    const int32_t anchorCount = file.NextInt();
    for (int32_t i = 0; i < anchorCount && file.Next(); ++i)
        anchors.push_back(place(file.Vector()));

    D3DXVECTOR3 low(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 high(0.0f, 0.0f, 0.0f);
    const int32_t puffCount = file.NextInt();
    for (int32_t i = 0; i < puffCount && !file.Ended(); ++i) {
        CPCloudPuff puff;
        puff.centre = place(file.NextVector());
        file.Next();
        puff.valueA = file.Int(0);
        puff.valueB = file.Int(1);
        puff.weight = file.NextFloat();
        const int32_t anchor = file.NextInt();
        file.Next();
        puff.width = file.Float(0) * scale;
        puff.height = file.Float(1) * scale;
        if (file.Ended())
            break;
        if (anchor >= 0 && static_cast<size_t>(anchor) < anchors.size()) {
            const D3DXVECTOR3 away = puff.centre - anchors[static_cast<size_t>(anchor)];
            D3DXVec3Normalize(&puff.direction, &away);
        }
        puff.layer = this;
        puffs.push_back(puff);
        const float r = std::sqrt(puff.width * puff.width + puff.height * puff.height);
        high.x = std::max(high.x, puff.centre.x + r);
        low.x = std::min(low.x, puff.centre.x - r);
        high.y = std::max(high.y, puff.centre.y + r);
        low.y = std::min(low.y, puff.centre.y - r);
        high.z = std::max(high.z, puff.centre.z + r);
        low.z = std::min(low.z, puff.centre.z - r);
    }
    const auto reach = [](float a, float b) { return std::max(std::fabs(a), std::fabs(b)); };
    halfHeight = reach(low.z, high.z) * 0.5f;
    extent = std::max({ reach(low.x, high.x), reach(low.y, high.y), reach(low.z, high.z) });

    if (!file.Next())
        return;
    value2 = file.Float();
    if (!file.Next())
        return;
    value1 = file.Float();
    float* const tail[] = { &triple1.x, &triple1.y, &triple1.z, &triple2.x, &triple2.y, &triple2.z };
    for (float* value : tail) {
        if (!file.Next())
            return;
        *value = file.Float();
    }
}

CPVolumeCloud::CPVolumeCloud()
{
    LoadTexture(kCloudTexture);
    LoadEffect(kCloudEffect);
}

CPVolumeCloud::~CPVolumeCloud()
{
    records.clear();
}
