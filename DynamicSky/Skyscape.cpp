#include "DynamicSky/Skyscape.h"

#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "DynamicSky/SkyFile.h"
#include "Platform/CRand.h"
#include "Race/PLevel.h"
#include "Render/PRender.h"

#include <algorithm>
#include <climits>
#include <cmath>

D3DXVECTOR3 g_SunPosition(0.0f, 0.0f, 0.0f);

namespace
{
const char kLightEffect[] = "data/effects/skyscape_light.fx";
constexpr float kHalfPi = 1.5707964f;
constexpr float kFullTurn = 6.2831855f;
// The time of day does not advance: every frame moves the keyframe
// interpolation and the overcast cross-fade by this much.
constexpr float kDayStep = 0.0f;
constexpr float kColourToUnit = 0.00392157f;
constexpr float kSunGlow = 56.0f;

float Clamp(float value, float low, float high)
{
    return std::max(low, std::min(high, value));
}

D3DXVECTOR3 ClampColour(const D3DXVECTOR3& colour)
{
    return D3DXVECTOR3(Clamp(colour.x, 0.0f, 255.0f), Clamp(colour.y, 0.0f, 255.0f), Clamp(colour.z, 0.0f, 255.0f));
}

// The float's integer part (towards zero) as 32 bits; 0 where it has none.
int32_t IntegerPart(float value)
{
    if (!(std::fabs(value) < 2147483648.0f))
        return 0;
    return static_cast<int32_t>(value);
}

D3DCOLOR PackColour(float red, float green, float blue)
{
    return 0xFF000000 | static_cast<D3DCOLOR>(IntegerPart(red) & 0xFF) << 16
        | static_cast<D3DCOLOR>(IntegerPart(green) & 0xFF) << 8 | static_cast<D3DCOLOR>(IntegerPart(blue) & 0xFF);
}

float Rate(float from, float to, float duration)
{
    return duration != 0.0f ? (to - from) / duration : 0.0f;
}

D3DXVECTOR3 Rate(const D3DXVECTOR3& from, const D3DXVECTOR3& to, float duration)
{
    return D3DXVECTOR3(Rate(from.x, to.x, duration), Rate(from.y, to.y, duration), Rate(from.z, to.z, duration));
}

float Component(const D3DXVECTOR3& colour, int32_t index)
{
    return index == 0 ? colour.x : index == 1 ? colour.y : colour.z;
}
}

CPSkyscape::CPSkyscape() = default;

CPSkyscape::~CPSkyscape()
{
    for (CPSkyMesh* mesh : skyMeshes)
        delete mesh;
    for (auto& entry : cloudGroups)
        delete entry.second;
}

void CPSkyscape::Load(const std::string& name)
{
    CPSkyFile file(name);
    if (file.IsOpen()) {
        cloudTimeScale = file.NextFloat();
        const int32_t startKeyframe = file.NextInt();
        const float radius = file.NextFloat();
        const float height = file.NextFloat();
        const int32_t segments = file.NextInt();
        const D3DXVECTOR3 centre = file.NextVector();
        BuildDome(radius, segments, centre, height);
        LoadTexture(file.NextString());
        LoadEffect(file.NextString());
        colourPointCount = std::max(2, file.NextInt());
        const int64_t ringsPerStep = static_cast<int64_t>(domeSegments) / (4 * static_cast<int64_t>(colourPointCount) - 4);
        ringsPerColourStep = static_cast<int32_t>(std::max<int64_t>(1, ringsPerStep));
        const int32_t keyframeCount = file.NextInt();
        const int32_t meshCount = file.NextInt();
        const std::string meshEffect0 = file.NextString();
        const std::string meshEffect1 = file.NextString();
        const int32_t groupCount = file.NextInt();
        const std::string cloudSetName = file.NextString();

        for (int32_t i = 0; i < keyframeCount && !file.Ended(); ++i) {
            CPSkyKeyframe keyframe;
            if (ReadKeyframe(file, meshCount, keyframe))
                keyframes.push_back(std::move(keyframe));
        }
        for (int32_t i = 0; i < meshCount && !file.Ended(); ++i) {
            if (CPSkyMesh* mesh = ReadSkyMesh(file, meshEffect0, meshEffect1))
                skyMeshes.push_back(mesh);
        }
        for (int32_t i = 0; i < groupCount && file.Next(); ++i) {
            const std::string groupName = file.String();
            CPCloudGroup* group = new CPCloudGroup();
            group->Load(groupName);
            CPCloudGroup*& slot = cloudGroups[groupName];
            delete slot; // a group named twice: the last one loaded stays
            slot = group;
        }
        cloudSet.Load(cloudSetName);

        if (!cloudSet.entries.empty()) {
            cloudStateIndex = 0;
            cloudState = cloudSet.entries[0];
            cloudClock = 0.0f;
            fade = 0.0f;
            fadingIn = true;
            activeGroups.clear();
            if (CPCloudGroup* group = FindGroup(cloudState.groupName)) {
                activeGroups.push_back(group);
                group->started = false;
            }
            DrawCloudSwitchTime();
        }
        const bool startKept = startKeyframe >= 0 && startKeyframe < keyframeCount
            && static_cast<size_t>(startKeyframe) < keyframes.size();
        keyframeIndex = startKept ? startKeyframe : 0;
        if (!keyframes.empty()) {
            rates = keyframes[0];
            UpdateKeyframes();
        }
    }
    LoadSecondEffect(kLightEffect);
}

bool CPSkyscape::ReadKeyframe(CPSkyFile& file, int32_t meshCount, CPSkyKeyframe& keyframe)
{
    keyframe.duration = file.NextFloat();
    keyframe.alpha = file.NextFloat();
    keyframe.angle = file.NextFloat() * kDegreesToRadians;
    keyframe.tintComponent = std::max(0, std::min(2, file.NextInt() - 1));
    for (int32_t i = 0; i < colourPointCount && !file.Ended(); ++i)
        keyframe.colourPoints.push_back(file.NextVector());
    keyframe.sunColour = file.NextVector();
    keyframe.ambient = file.NextVector();
    keyframe.skyColourB = file.NextVector();
    keyframe.skyColourA = file.NextVector();
    keyframe.fogColour = file.NextVector();
    keyframe.fogStart = file.NextFloat();
    keyframe.fogEnd = file.NextFloat();
    keyframe.spareValue = file.NextFloat();
    keyframe.lightBoost = file.NextInt();
    if (keyframe.lightBoost != 0) {
        keyframe.sunColour *= 2.0f;
        keyframe.ambient *= 2.0f;
    }
    for (int32_t i = 0; i < meshCount && !file.Ended(); ++i) {
        keyframe.meshAngles.push_back(file.NextFloat() * kDegreesToRadians);
        keyframe.meshEffects.push_back(file.NextInt());
        keyframe.meshScales.push_back(file.NextFloat());
        keyframe.meshTextureSteps.push_back(file.NextInt());
    }
    return !file.Ended();
}

CPSkyMesh* CPSkyscape::ReadSkyMesh(CPSkyFile& file, const std::string& effect0, const std::string& effect1)
{
    D3DXVECTOR3 axis;
    const D3DXVECTOR3 direction = file.NextVector();
    D3DXVec3Normalize(&axis, &direction);
    const float halfSize = file.NextFloat();
    const float distance = file.NextFloat();
    const float baseAngle = file.NextFloat() * kDegreesToRadians;
    const int32_t textureCount = file.NextInt();
    std::vector<std::string> textures;
    for (int32_t i = 0; i < textureCount && file.Next(); ++i)
        textures.push_back(file.String());
    if (file.Ended())
        return nullptr;
    CPSkyMesh* mesh = new CPSkyMesh();
    mesh->SetNames(effect0, effect1);
    mesh->axis = axis;
    mesh->orientation = SkyTurnOnto(D3DXVECTOR3(0.0f, 0.0f, 1.0f), axis);
    mesh->distance = distance;
    mesh->baseAngle = baseAngle;
    for (const std::string& texture : textures)
        mesh->AddTextureName(texture);
    mesh->Build(halfSize);
    return mesh;
}

void CPSkyscape::BuildDome(float radius, int32_t segments, const D3DXVECTOR3& centre, float height)
{
    domeRadius = radius;
    domeSegments = segments;
    domeCentre = centre;
    domeHeight = height;
    if (segments <= 0 || segments > kMaxDomeSegments)
        return;
    const int32_t n = segments;
    const float step = (360.0f / static_cast<float>(n)) * kDegreesToRadians;
    const int32_t rings = n / 4 + 1;
    std::vector<CPVertex> vertices;
    vertices.reserve(static_cast<size_t>(rings) * static_cast<size_t>(n + 1));
    for (int32_t r = 0; r < rings; ++r) {
        const float a = kHalfPi - static_cast<float>(r) * step;
        for (int32_t j = 0; j <= n; ++j) {
            CPVertex vertex;
            const float around = static_cast<float>(j) * step;
            vertex.position = D3DXVECTOR3(std::cos(around) * radius * std::sin(a) + centre.x,
                                          std::sin(around) * radius * std::sin(a) + centre.y,
                                          std::cos(a) * height * radius + centre.z);
            const D3DXVECTOR3 inward = -vertex.position;
            D3DXVec3Normalize(&vertex.normal, &inward);
            vertex.diffuse = 0x80FFFFFF;
            vertex.u1 = 2.0f * static_cast<float>(j) / static_cast<float>(n);
            vertex.v1 = 1.5f * static_cast<float>(r) / static_cast<float>(rings);
            vertices.push_back(vertex);
        }
    }
    std::vector<uint16_t> triangles;
    for (int32_t r = 0; r < n / 4; ++r) {
        for (int32_t j = 0; j < n; ++j) {
            const int32_t a = r * (n + 1) + j;
            for (int32_t index : { a, a + n + 1, a + n + 2, a, a + n + 2, a + 1 })
                triangles.push_back(static_cast<uint16_t>(index));
        }
    }
    UploadGeometry(vertices, triangles, false);
}

void CPSkyscape::UpdateKeyframes()
{
    if (keyframes.empty())
        return;
    const size_t a = static_cast<size_t>(keyframeIndex);
    const bool last = a + 1 >= keyframes.size();
    const CPSkyKeyframe& from = keyframes[a];
    const CPSkyKeyframe& to = keyframes[last ? 0 : a + 1];
    current = from;
    display = from;
    const float t = from.duration;
    rates.colourPoints.resize(from.colourPoints.size());
    for (size_t i = 0; i < from.colourPoints.size() && i < to.colourPoints.size(); ++i)
        rates.colourPoints[i] = Rate(from.colourPoints[i], to.colourPoints[i], t);
    rates.alpha = Rate(from.alpha, to.alpha, t);
    rates.angle = Rate(from.angle, to.angle, t);
    rates.fogStart = Rate(from.fogStart, to.fogStart, t);
    rates.fogEnd = Rate(from.fogEnd, to.fogEnd, t);
    rates.spareValue = Rate(from.spareValue, to.spareValue, t);
    rates.sunColour = Rate(from.sunColour, to.sunColour, t);
    rates.ambient = Rate(from.ambient, to.ambient, t);
    rates.skyColourB = Rate(from.skyColourB, to.skyColourB, t);
    rates.skyColourA = Rate(from.skyColourA, to.skyColourA, t);
    rates.fogColour = Rate(from.fogColour, to.fogColour, t);
    const size_t meshValues = std::min(from.meshAngles.size(), to.meshAngles.size());
    rates.meshAngles.resize(from.meshAngles.size());
    rates.meshScales.resize(from.meshScales.size());
    for (size_t i = 0; i < meshValues; ++i) {
        // Across the wrap the meshes keep turning the same way.
        const float wrap = last ? kFullTurn : 0.0f;
        rates.meshAngles[i] = Rate(from.meshAngles[i], to.meshAngles[i] + wrap, t);
        rates.meshScales[i] = Rate(from.meshScales[i], to.meshScales[i], t);
    }
    for (size_t i = 0; i < skyMeshes.size() && i < current.meshEffects.size(); ++i) {
        skyMeshes[i]->SetEffect(current.meshEffects[i]);
        if (current.meshTextureSteps[i] == 1)
            skyMeshes[i]->NextTexture();
    }
}

CPCloudGroup* CPSkyscape::FindGroup(const std::string& name) const
{
    const auto found = cloudGroups.find(name);
    return found != cloudGroups.end() ? found->second : nullptr;
}

float CPSkyscape::FadeFactor() const
{
    return cloudState.fadeTime > 0.0f ? fade / cloudState.fadeTime : 0.0f;
}

void CPSkyscape::DrawCloudSwitchTime()
{
    const float base = cloudState.baseDuration;
    const float jitter = cloudState.jitter;
    const int32_t spread = std::max(0, IntegerPart(base * jitter * 20.0f));
    const int32_t random = spread > 0 ? crt::rand() % spread : 0;
    cloudSwitchTime = base - base * jitter + 0.1f * static_cast<float>(random);
}

int32_t CPSkyscape::ChooseCloudState() const
{
    const int32_t count = static_cast<int32_t>(cloudSet.entries.size());
    for (int32_t draws = 0; draws < kMaxCloudDraws; ++draws) {
        const int32_t r = crt::rand() % count;
        if (r == cloudStateIndex)
            continue;
        const float q = static_cast<float>(crt::rand() % 100) * 0.01f;
        if (q > cloudSet.entries[static_cast<size_t>(r)].probability)
            continue;
        return r;
    }
    return cloudStateIndex;
}

void CPSkyscape::CycleCloudSet()
{
    fade = 0.0f;
    fadingIn = true;
    CPCloudGroup* outgoing = nullptr;
    if (activeGroups.size() >= 2) {
        outgoing = activeGroups[1];
        activeGroups.clear();
    } else if (!activeGroups.empty()) {
        outgoing = activeGroups[0];
    }
    CPCloudGroup* incoming = FindGroup(cloudState.groupName);
    if (outgoing == incoming)
        return;
    activeGroups.clear();
    if (outgoing) {
        outgoing->Show(false, false);
        activeGroups.push_back(outgoing);
    }
    if (incoming) {
        incoming->started = false;
        for (auto& entry : incoming->entries)
            entry.first->position = entry.first->basePosition + incoming->offset;
        incoming->Show(true, true);
        activeGroups.push_back(incoming);
    }
}

void CPSkyscape::ColourDome()
{
    const bool overcast = cloudState.overcast != 0;
    const float f = FadeFactor();
    const size_t points = std::min(static_cast<size_t>(std::max(colourPointCount, 0)), current.colourPoints.size());
    std::vector<D3DXVECTOR3> colours(points);
    for (size_t k = 0; k < points; ++k) {
        const D3DXVECTOR3& b = current.colourPoints[k];
        colours[k] = overcast && k < display.colourPoints.size() ? b + (display.colourPoints[k] - b) * f : b;
    }
    const float rings = static_cast<float>(std::max(ringsPerColourStep, 1));
    D3DXVECTOR3 sun;
    D3DXVec3Normalize(&sun, &g_SunPosition);
    const int32_t alpha = IntegerPart(current.alpha) & 0xFF;
    const size_t perRing = static_cast<size_t>(std::max(domeSegments, 0)) + 1;
    size_t vertex = 0;
    for (size_t k = 0; k + 1 < points && vertex < sourceVertices.size(); ++k) {
        const D3DXVECTOR3 step = (colours[k + 1] - colours[k]) / rings;
        const int64_t ringsHere = static_cast<int64_t>(rings) + (k + 2 == points ? 1 : 0);
        for (int64_t ring = 0; ring < ringsHere && vertex < sourceVertices.size(); ++ring) {
            colours[k] = ClampColour(colours[k] + step);
            for (size_t i = 0; i < perRing && vertex < sourceVertices.size(); ++i, ++vertex) {
                CPVertex& v = sourceVertices[vertex];
                const float glow = std::min(255.0f, kSunGlow * std::max(0.0f, -D3DXVec3Dot(&sun, &v.normal)));
                const auto part = [glow](float c) {
                    return static_cast<D3DCOLOR>(IntegerPart(std::min(c + glow, 255.0f)) & 0xFF);
                };
                v.diffuse = static_cast<D3DCOLOR>(alpha) << 24 | part(colours[k].x) << 16 | part(colours[k].y) << 8
                    | part(colours[k].z);
            }
        }
    }
    workVertices = sourceVertices;
}

void CPSkyscape::Render(float frameTime)
{
    if (keyframes.empty() || cloudSet.entries.empty())
        return;
    const float cloudStep = frameTime * cloudTimeScale;
    const float s = kDayStep;
    const bool overcast = cloudState.overcast != 0;

    if (fadingIn)
        fade = std::min(fade + s, cloudState.fadeTime);
    else
        fade = std::max(fade - s, 0.0f);
    const float f = FadeFactor();
    const int32_t tint = std::max(0, std::min(2, current.tintComponent));
    const auto tinted = [tint](const D3DXVECTOR3& colour) {
        const float v = Component(colour, tint);
        const float m = v > 20.0f ? v - 20.0f : 0.0f;
        return D3DXVECTOR3(m, m, v);
    };
    const auto blend = [overcast, f](const D3DXVECTOR3& b, const D3DXVECTOR3& d) {
        return overcast ? b + (d - b) * f : b;
    };

    for (size_t i = 0; i < current.colourPoints.size() && i < rates.colourPoints.size(); ++i) {
        current.colourPoints[i] += rates.colourPoints[i] * s;
        if (overcast && i < display.colourPoints.size())
            display.colourPoints[i] = tinted(current.colourPoints[i]);
    }
    D3DXVECTOR3 CPSkyKeyframe::*const colours[] = { &CPSkyKeyframe::sunColour, &CPSkyKeyframe::ambient,
                                                    &CPSkyKeyframe::skyColourB, &CPSkyKeyframe::skyColourA,
                                                    &CPSkyKeyframe::fogColour };
    for (auto colour : colours) {
        current.*colour = ClampColour(current.*colour + rates.*colour * s);
        if (overcast)
            display.*colour = tinted(current.*colour);
    }
    current.alpha = Clamp(current.alpha + rates.alpha * s, 0.0f, 255.0f);
    current.angle += rates.angle * s;
    current.fogStart += rates.fogStart * s;
    current.fogEnd += rates.fogEnd * s;
    current.spareValue += rates.spareValue * s;

    const D3DXVECTOR3 fog = blend(current.fogColour, display.fogColour);
    SetSceneFog(fog.x, fog.y, fog.z, current.fogStart, current.fogEnd);

    for (size_t i = 0; i < current.meshAngles.size() && i < rates.meshAngles.size(); ++i) {
        current.meshAngles[i] += rates.meshAngles[i] * s;
        current.meshScales[i] += rates.meshScales[i] * s;
    }

    ColourDome();
    D3DXMATRIX toOrigin;
    D3DXMATRIX turn;
    D3DXMATRIX back;
    D3DXMatrixTranslation(&toOrigin, -domeCentre.x, -domeCentre.y, -domeCentre.z);
    D3DXMatrixRotationY(&turn, -current.angle);
    D3DXMatrixTranslation(&back, domeCentre.x, domeCentre.y, domeCentre.z);
    TransformVertices(toOrigin * turn * back);

    keyframeClock += s;
    cloudClock += cloudStep;

    const D3DXVECTOR3 ambient = blend(current.ambient, display.ambient);
    SetSceneAmbient(ambient.x, ambient.y, ambient.z);

    useSecondEffect = false;
    UploadGeometry(sourceVertices, indices, true);
    CPVertexObject::Draw(frameTime);

    for (size_t i = 0; i < skyMeshes.size() && i < current.meshAngles.size(); ++i) {
        CPSkyMesh* mesh = skyMeshes[i];
        mesh->pathAngle = current.meshAngles[i];
        mesh->scale = current.meshScales[i];
        if (i == 0) {
            if (overcast)
                mesh->SetAlpha(IntegerPart(255.0f - 200.0f * f));
            g_SunPosition = mesh->position * 100.0f;
            const D3DXVECTOR3 sun = blend(current.sunColour, display.sunColour) * kColourToUnit;
            SetSunLight(-mesh->position, D3DXCOLOR(sun.x, sun.y, sun.z, 1.0f));
        } else if (overcast) {
            mesh->SetAlpha(IntegerPart(255.0f - 255.0f * f));
        }
        mesh->Draw(frameTime);
    }

    ClearDepthBuffer();

    if (keyframeClock > keyframes[static_cast<size_t>(keyframeIndex)].duration) {
        keyframeClock = 0.0f;
        keyframeIndex += 1;
        if (static_cast<size_t>(keyframeIndex) >= keyframes.size())
            keyframeIndex = 0;
        UpdateKeyframes();
    }

    if (cloudClock > cloudSwitchTime) {
        // With a single state there is nothing to change to.
        if (cloudSet.entries.size() >= 2) {
            const int32_t next = ChooseCloudState();
            if (next != cloudStateIndex) {
                cloudState = cloudSet.entries[static_cast<size_t>(next)];
                cloudStateIndex = next;
                CycleCloudSet();
            }
            cloudClock = 0.0f;
            DrawCloudSwitchTime();
        }
    } else if (cloudSwitchTime - cloudClock <= cloudState.fadeTime) {
        fadingIn = false;
    }
}

void SetSceneAmbient(float red, float green, float blue)
{
    if (CPRender* render = GetRender())
        render->SetAmbient(PackColour(red, green, blue), red / 255.0f, green / 255.0f, blue / 255.0f);
}

void SetSceneFog(float red, float green, float blue, float start, float end)
{
    CPRender* render = GetRender();
    if (!render)
        return;
    render->m_fogColour = PackColour(red, green, blue);
    if (IDirect3DDevice9* device = render->m_device) {
        device->SetRenderState(D3DRS_FOGCOLOR, render->m_fogColour);
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(start));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(end));
    }
}

D3DLIGHT9 MakeSunLight(const D3DXVECTOR3& direction, const D3DXCOLOR& colour)
{
    const auto quantised = [](float v) {
        const int32_t byte = v >= 1.0f ? 255 : !(v > 0.0f) ? 0 : static_cast<int32_t>(v * 255.0f + 0.5f);
        return static_cast<float>(byte) / 256.0f;
    };
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &direction);
    light.Direction = unit;
    light.Diffuse.r = light.Specular.r = quantised(colour.r);
    light.Diffuse.g = light.Specular.g = quantised(colour.g);
    light.Diffuse.b = light.Specular.b = quantised(colour.b);
    return light;
}

void SetSunLight(const D3DXVECTOR3& direction, const D3DXCOLOR& colour)
{
    // The sun is the level's directional light: without a level there is
    // none to write.
    CPLevel* level = GetLevel();
    if (!level)
        return;
    const D3DLIGHT9 sun = MakeSunLight(direction, colour);
    level->light.Type = sun.Type;
    level->light.Direction = sun.Direction;
    level->light.Diffuse = sun.Diffuse;
    level->light.Specular = sun.Specular;
    level->SubmitLight();
    if (CPRender* render = GetRender())
        render->ApplyLights();
}

void ClearDepthBuffer()
{
    if (IDirect3DDevice9* device = GetSkyDevice().device)
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}
