// Skyscape: the whole dynamic sky of a level, whose dome is the vertex
// object's own geometry. The render system creates one per level and
// destroys the previous one first.
#pragma once

#include "DynamicSky/VertexObject.h"

#include <cstdint>
#include <string>

class CPSkyscape : public CPVertexObject
{
public:
    // Factor from frame time to cloud time until the sky file sets another.
    static constexpr float kDefaultCloudTimeScale = 4.0f;

    // An empty sky: no dome, keyframes, meshes or clouds.
    CPSkyscape();
    ~CPSkyscape() override;

    // Reads the sky description "Data\Clouds\" + name. The sky file's reader
    // is not part of the engine yet: the sky stays empty.
    void Load(const std::string& name);

    float domeRadius = 0.0f;
    int32_t domeSegments = 0;
    // Vertical scale of the dome, times the radius.
    float domeHeight = 0.0f;
    D3DXVECTOR3 domeCentre;
    int32_t colourPointCount = 0;
    int32_t ringsPerColourStep = 0;
    int32_t keyframeIndex = 0;
    // Seconds spent in the current keyframe.
    float keyframeClock = 0.0f;
    float cloudTimeScale = kDefaultCloudTimeScale;
};
