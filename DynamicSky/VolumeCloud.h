// Clouds: each cloud layer is one cloud, a set of billboard puffs around a
// centre read from its own file, scaled and turned about the vertical (z)
// axis, then placed in the sky by the cloud group that owns it. The volume
// cloud is the drawable that carries the cloud texture and effect.
#pragma once

#include "DynamicSky/VertexObject.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CPCloudLayer;

struct CPCloudPuff
{
    // Scaled and turned like the layer's anchors.
    D3DXVECTOR3 centre;
    int32_t valueA = 0;
    int32_t valueB = 0;
    float weight = 0.0f;
    // Unit vector from the puff's anchor point to its centre; zero when the
    // file names no anchor that exists.
    D3DXVECTOR3 direction;
    float width = 0.0f;
    float height = 0.0f;
    CPCloudLayer* layer = nullptr;
};

class CPCloudLayer
{
public:
    CPCloudLayer();
    virtual ~CPCloudLayer();

    // Reads "Data\Clouds\" + name: anchors, puffs and the eight tail values.
    // Points and sizes are multiplied by `scale`; points are then turned by
    // `angle` (radians) about z. A file that cannot be read leaves the
    // defaults; one that ends early keeps what was complete.
    void Load(const std::string& name, float scale, float angle);

    std::vector<CPCloudPuff> puffs;
    // 255 and 0 when the owning group is shown, 0 and 255 when hidden.
    float fadeLevelA = 0.0f;
    float fadeLevelB = 255.0f;
    bool fadingOut = false;
    bool fadingIn = false;
    float value1 = 20.0f;
    float value2 = 20.0f;
    D3DXVECTOR3 triple1 = D3DXVECTOR3(128.0f, 128.0f, 128.0f);
    D3DXVECTOR3 triple2 = D3DXVECTOR3(128.0f, 128.0f, 128.0f);
    // Half of the cloud's extent along z.
    float halfHeight = 0.0f;
    // Largest extent of the cloud along x, y or z.
    float extent = 0.0f;
    // Base position plus the group offset.
    D3DXVECTOR3 position;
    // Both set whenever the group's show state or position changes.
    bool dirtyA = false;
    float scale = 1.0f;
    float angle = 0.0f;
    D3DXVECTOR3 basePosition;
    bool dirtyB = false;
};

class CPVolumeCloud : public CPVertexObject
{
public:
    // Loads the cloud texture and the cloud effect.
    CPVolumeCloud();
    ~CPVolumeCloud() override;

    // Kept for a renderer of the clouds; nothing fills it.
    std::map<int32_t, CPCloudPuff> records;
};
