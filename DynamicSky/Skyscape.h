// Skyscape: the whole dynamic sky of a level. The dome with its vertical
// colour gradient is the vertex object's own geometry; around it stand the
// time-of-day keyframes, the sky meshes (mesh 0 is the sun), the cloud groups
// and the cloud set that chooses between cloud states. The render system
// creates one per level and destroys the previous one first; the host renders
// it once per frame.
#pragma once

#include "DynamicSky/CloudSet.h"
#include "DynamicSky/SkyMesh.h"
#include "DynamicSky/VertexObject.h"
#include "DynamicSky/VolumeCloud.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One time-of-day state. Colours are 0 to 255 per component.
struct CPSkyKeyframe
{
    // Dome colours from the horizon upwards.
    std::vector<D3DXVECTOR3> colourPoints;
    // Seconds from this keyframe to the next.
    float duration = 0.0f;
    // Turn of the dome about its vertical line, radians.
    float angle = 0.0f;
    // Alpha of every dome vertex.
    float alpha = 0.0f;
    // Per sky mesh: angle along its path (radians), scale, effect index, and
    // 1 when the mesh steps on to its next texture as this keyframe begins.
    std::vector<float> meshAngles;
    std::vector<float> meshScales;
    std::vector<int32_t> meshEffects;
    std::vector<int32_t> meshTextureSteps;
    D3DXVECTOR3 ambient;
    D3DXVECTOR3 sunColour;
    D3DXVECTOR3 skyColourA;
    D3DXVECTOR3 skyColourB;
    D3DXVECTOR3 fogColour;
    float fogStart = 0.0f;
    float fogEnd = 0.0f;
    float spareValue = 0.0f;
    int32_t lightBoost = 0;
    // The colour component an overcast tint keeps: 0 red, 1 green, 2 blue.
    int32_t tintComponent = 0;
};

class CPSkyscape : public CPVertexObject
{
public:
    // Factor from frame time to cloud time until the sky file sets another.
    static constexpr float kDefaultCloudTimeScale = 4.0f;
    // Largest dome the buffers hold.
    static constexpr int32_t kMaxDomeSegments = 200;
    // Draws of the next cloud state before the current one is kept.
    static constexpr int32_t kMaxCloudDraws = 1000;

    // An empty sky: no dome, keyframes, meshes or clouds.
    CPSkyscape();
    ~CPSkyscape() override;
    CPSkyscape(const CPSkyscape&) = delete;
    CPSkyscape& operator=(const CPSkyscape&) = delete;

    // Reads the sky description "Data\Clouds\" + name: the dome, the
    // keyframes, the sky meshes and the clouds, then starts the first cloud
    // state and the start keyframe. The light effect is loaded in any case.
    void Load(const std::string& name);
    // One frame: time of day, fog, ambient and sun light, the dome and the
    // sky meshes drawn, the depth buffer cleared, and keyframes and cloud
    // states switched when due. A sky without keyframes or cloud states is
    // not rendered.
    virtual void Render(float frameTime);

    // Builds and uploads the dome of n segments around the centre (the
    // values are kept first). Nothing is built for n <= 0 or n above
    // kMaxDomeSegments.
    void BuildDome(float radius, int32_t segments, const D3DXVECTOR3& centre, float height);
    // Starts keyframe `keyframeIndex`: the copies, the rates towards the next
    // keyframe and the sky meshes' effects and textures.
    void UpdateKeyframes();
    // Swaps the shown cloud groups after the cloud state has changed.
    void CycleCloudSet();

    float domeRadius = 0.0f;
    int32_t domeSegments = 0;
    // Vertical scale of the dome, times the radius.
    float domeHeight = 0.0f;
    D3DXVECTOR3 domeCentre;
    std::vector<CPSkyKeyframe> keyframes;
    int32_t colourPointCount = 0;
    int32_t ringsPerColourStep = 0;
    // Change per second of every interpolated value.
    CPSkyKeyframe rates;
    // The clear-sky state, and the state tinted for an overcast cloud state.
    CPSkyKeyframe current;
    CPSkyKeyframe display;
    int32_t keyframeIndex = 0;
    // Seconds spent in the current keyframe.
    float keyframeClock = 0.0f;
    float cloudTimeScale = kDefaultCloudTimeScale;
    std::vector<CPSkyMesh*> skyMeshes;
    std::map<std::string, CPCloudGroup*> cloudGroups;
    CPCloudSet cloudSet;
    // Copy of the cloud state in force, and its index in the set.
    CPCloudSetEntry cloudState;
    // Cloud time since the last change of cloud state, and when the next is due.
    float cloudClock = 0.0f;
    float cloudSwitchTime = 0.0f;
    int32_t cloudStateIndex = 0;
    // Cross-fade position between clear and tinted sky, 0 to the state's fade time.
    float fade = 0.0f;
    bool fadingIn = false;
    // The groups now shown (not owned): the outgoing and the incoming one.
    std::vector<CPCloudGroup*> activeGroups;
    CPVolumeCloud volumeCloud;

private:
    bool ReadKeyframe(class CPSkyFile& file, int32_t meshCount, CPSkyKeyframe& keyframe);
    CPSkyMesh* ReadSkyMesh(class CPSkyFile& file, const std::string& effect0, const std::string& effect1);
    CPCloudGroup* FindGroup(const std::string& name) const;
    // Cross-fade factor: fade over the state's fade time, 0 without one.
    float FadeFactor() const;
    void DrawCloudSwitchTime();
    // The next cloud state's index, or the current one when no other is
    // accepted within kMaxCloudDraws draws.
    int32_t ChooseCloudState() const;
    void ColourDome();
};

// The sun position of the last rendered frame, times 100; zero at start.
extern D3DXVECTOR3 g_SunPosition;

// The renderer's ambient light: the packed colour (alpha 255) and the
// components, 0 to 255, as fractions.
void SetSceneAmbient(float red, float green, float blue);
// The renderer's fog colour and the device's fog colour, start and end.
void SetSceneFog(float red, float green, float blue, float start, float end);
// The directional light of the sun: normalised direction, and as diffuse
// and specular the colour quantised to bytes over 256, alphas 0.
D3DLIGHT9 MakeSunLight(const D3DXVECTOR3& direction, const D3DXCOLOR& colour);
// Writes the sun light into the level's light (its direction and colours,
// the rest kept), queues it with the renderer's lights and applies them;
// does nothing without a level.
void SetSunLight(const D3DXVECTOR3& direction, const D3DXCOLOR& colour);
// Clears the sky device's depth buffer to 1; nothing without a sky device.
void ClearDepthBuffer();
