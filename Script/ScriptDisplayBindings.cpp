#include "Script/ScriptDisplayBindings.h"

#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Interface/PInterface.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PMiniMap.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PRenderQueue.h"
#include "Script/ScriptBinding.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace
{
// Every element the weapon refresh hides before it shows the current ones.
const char* const kWeaponPanelWindows[] = {
    "lgun", "lgun2x", "gauss", "shotgun", "mgun", "mgun2x", "hmgun", "rlauncher", "ssrlauncher", "plasma",
    "firethrower", "autoshotgun", "lgun_off", "lgun2x_off", "gauss_off", "shotgun_off", "mgun_off",
    "mgun2x_off", "hmgun_off", "rlauncher_off", "ssrlauncher_off", "plasma_off", "firethrower_off",
    "autoshotgun_off", "contact", "emcontact", "timer", "nocontact", "emnocontact", "cassette", "no_mina",
    "mines", "slot1", "slot2", "slot3", "nosuper1", "nosuper2", "nosuper3", "super1", "super2", "super3",
};

// The equipment panel's elements, all hidden before the set-up shows some.
const char* const kEquipmentPanelWindows[] = {
    "krest", "steel", "steelfibre", "titan", "energy", "engine1", "engine2", "engine3", "analyzer",
    "repair", "laser", "bullets", "firerate", "damage", "regeneration", "analyzer2", "repair2", "laser2",
    "bullets2", "firerate2", "damage2", "regeneration2", "noequipment1", "noequipment2",
};

const char kOffSuffix[] = "_off";
const char kNoArmourWindow[] = "krest";
const char kNoMinesWindow[] = "no_mina";
const char kMinesWindow[] = "mines";
const char kLifeText[] = "life";
const char kMinesText[] = "mines";
const char kTimeText[] = "time";
const char kKillsText[] = "kills";
const char kScoreText[] = "score";
// Cursors by weapon kind; the two shotguns (kind 6) take "bullet".
const char* const kKindCursors[] = { "bullet", "bullet", "bullet", "rocket", "rocket",
                                     "plazma", "bullet", "plazma", "shotgun" };

constexpr int32_t kSlots = 3;
constexpr int32_t kGaugeWindows = 17;
constexpr int32_t kHeatWindows = 12;
// Opponent keys "0" to "10" in the standings; the player is key "11".
constexpr int32_t kOpponentKeys = 11;
const char kPlayerKey[] = "11";
// The radar: its radius and its centre's distance from the screen's
// bottom-left corner, in pixels; the player's own symbol sits a little off.
constexpr float kRadarRadius = 100.0f;
constexpr float kRadarCentre = 140.0f;
constexpr int32_t kRadarRise = 140;
constexpr float kPlayerSymbolX = 132.0f;
constexpr int32_t kPlayerSymbolRise = 148;
constexpr int32_t kArrowLayerBase = 205;
constexpr float kBarOutside = -100.0f;
constexpr float kBarScale = 0.47001317f;

CPInterface* ReadInterface(lua_State* L, int index)
{
    return ScriptReadObject<CPInterface>(L, index);
}

std::string Format(const char* format, int32_t value)
{
    char text[32];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string Numbered(const char* prefix, int32_t i)
{
    return prefix + std::to_string(i);
}

// The count of gauge windows a level from 0 to 1 lights: level x windows,
// rounded half up.
int32_t GaugeCount(float level, int32_t windows)
{
    const float scaled = level * static_cast<float>(windows);
    const int32_t whole = TruncateToInt(scaled);
    return scaled - static_cast<float>(whole) >= 0.5f ? whole + 1 : whole;
}

void ShowGauge(CPInterface& screen, const char* prefix, int32_t lit, int32_t windows)
{
    for (int32_t i = 1; i <= windows; ++i)
        screen.ShowWindow(Numbered(prefix, i), i <= lit);
}

void ShowWeaponSlots(CPInterface& screen, const CPCarRecord& car, const CPPlayer& vehicle)
{
    for (int32_t n = 1; n <= kSlots; ++n) {
        const std::string slot = Numbered("slot", n);
        const std::string& weapon = car.weapons[n - 1];
        if (weapon.empty()) {
            screen.ShowWindow(slot, true);
            continue;
        }
        const std::string icon = vehicle.m_currentSlot == n - 1 ? weapon : weapon + kOffSuffix;
        float x = 0.0f;
        float y = 0.0f;
        screen.GetWindowPos(slot, x, y);
        screen.SetWindowPos(icon, x, y);
        screen.ShowWindow(icon, true);
    }
}

void ShowMines(CPInterface& screen, const CPPlayer& vehicle)
{
    if (!vehicle.m_hasMines) {
        screen.ShowWindow(kNoMinesWindow, true);
        screen.SetTextValue(kMinesText, "00");
        return;
    }
    screen.ShowWindow(kMinesWindow, true);
    const float mines = static_cast<float>(vehicle.m_mineCount) * vehicle.m_mineFactor;
    screen.SetTextValue(kMinesText, Format("%02d", TruncateToInt(mines)));
    float x = 0.0f;
    float y = 0.0f;
    screen.GetWindowPos(kNoMinesWindow, x, y);
    screen.SetWindowPos(vehicle.m_mineIcon, x, y);
    screen.ShowWindow(vehicle.m_mineIcon, true);
    screen.ShowWindow(kMinesWindow, true);
}

// The race's player vehicle, or null without a level or a vehicle.
CPPlayer* RacePlayer()
{
    CPLevel* level = GetLevel();
    return level ? level->player.Get() : nullptr;
}

// 32-bit products, wrapping as the engine's integers do.
int32_t WrappingProduct(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
}

int ScriptApi::UpdateGameInterface(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    CPPlayer* vehicle = RacePlayer();
    CPGameData* data = GetGameData();
    if (!screen || !vehicle || !data)
        return 0;
    const CPCarRecord& car = data->m_activeCar;
    for (const char* name : kWeaponPanelWindows)
        screen->ShowWindow(name, false);
    for (int32_t i = 1; i <= kSlots; ++i)
        screen->ShowWindow(Numbered(i <= car.superWeaponCount ? "super" : "nosuper", i), true);
    screen->SetTextValue(kLifeText, Format("%03d", TruncateToInt(vehicle->m_health)));
    ShowWeaponSlots(*screen, car, *vehicle);
    ShowMines(*screen, *vehicle);
    ShowGauge(*screen, "bullet", GaugeCount(vehicle->GetCurrentAmmo(), kGaugeWindows), kGaugeWindows);
    const int32_t kind = vehicle->m_weaponKind;
    if (kind >= 0 && kind < static_cast<int32_t>(sizeof(kKindCursors) / sizeof(kKindCursors[0])))
        screen->SelectCursor(kKindCursors[kind]);
    screen->UpdateBuffers();
    return 0;
}

int ScriptApi::InitGameInterface(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    const CPGameData* data = GetGameData();
    if (!screen || !data)
        return 0;
    const CPCarRecord& car = data->m_activeCar;
    for (const char* name : kEquipmentPanelWindows)
        screen->ShowWindow(name, false);
    screen->ShowWindow(car.armor.empty() ? std::string(kNoArmourWindow) : car.armor, true);
    if (!car.engine.empty())
        screen->ShowWindow(car.engine, true);
    screen->ShowWindow(car.equipment[0].empty() ? std::string("noequipment1") : car.equipment[0], true);
    screen->ShowWindow(car.equipment[1].empty() ? std::string("noequipment2") : car.equipment[1] + "2", true);
    return 0;
}

int ScriptApi::UpdateTime(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    const CPLevel* level = GetLevel();
    const CPPlayer* vehicle = RacePlayer();
    const CPGameData* data = GetGameData();
    if (!screen || !level || !vehicle || !data)
        return 0;
    const float left = level->timeLimit;
    const int32_t minutes = TruncateToInt(left * 0.016666668f);
    const int32_t seconds = TruncateToInt(left - static_cast<float>(minutes) * 60.0f);
    char clock[32];
    std::snprintf(clock, sizeof(clock), "%02d:%02d", minutes, seconds);
    screen->SetTextValue(kTimeText, clock);
    ShowGauge(*screen, "overheat", GaugeCount(vehicle->m_engineTemperature, kHeatWindows), kHeatWindows);
    screen->SetTextValue(kKillsText, Format("%05d", data->m_kills));
    screen->UpdateBuffers();
    return 0;
}

int ScriptApi::UpdateScore(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    const int32_t score = ScriptReadInt(L, 2);
    if (screen)
        screen->SetTextValue(kScoreText, Format("%05d", score));
    return 0;
}

int ScriptApi::EngineState(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    const bool shown = ScriptReadBool(L, 2);
    const CPGameData* data = GetGameData();
    if (screen && data && !data->m_activeCar.engine.empty())
        screen->ShowWindow(data->m_activeCar.engine, shown);
    return 0;
}

int ScriptApi::SetPlayersPanel(lua_State* L)
{
    CPGameData* data = GetGameData();
    if (!GetLevel() || !data)
        return 0;
    // Ascending by score; equal scores keep their insertion order.
    std::multimap<int32_t, std::string> standings;
    for (int32_t i = 0; i < kOpponentKeys; ++i) {
        const std::string key = std::to_string(i);
        const CPRaceRecord& record = data->m_opponentProgress[key];
        standings.emplace(WrappingProduct(record.progress, record.lapCount), key);
    }
    standings.emplace(WrappingProduct(data->m_currentLap, data->m_trackProgress), kPlayerKey);
    std::vector<ScriptValue> keys;
    for (const auto& entry : standings)
        keys.emplace_back(entry.second);
    return ScriptPushList(L, keys, false);
}

int ScriptApi::GetAIPositions(lua_State* L)
{
    CPLevel* level = GetLevel();
    const CPGameData* data = GetGameData();
    if (!level || !level->player || !level->camera || !data)
        return 0;
    const std::unordered_map<std::string, std::pair<float, float>> positions = data->m_aiPositions;
    const float extent = std::max(level->worldWidth, level->worldDepth);
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, -level->camera->GetYaw() - 1.5707964f);
    const D3DXVECTOR3 centre = level->player->GetPosition();
    const float bottom = static_cast<float>(g_CfgScreenHeight - kRadarRise);

    // The radar point of a world point, and whether it lies on the radar.
    const auto place = [&](float x, float y, float& sx, float& sy) {
        const D3DXVECTOR3 away(x - centre.x, y - centre.y, 0.0f);
        D3DXVECTOR3 d;
        D3DXVec3TransformCoord(&d, &away, &turn);
        if (level->miniMap) {
            d *= 1.0f / extent;
            d *= 100.0f;
            d *= 1.0f / level->miniMap->zoom;
        }
        sx = d.x + kRadarCentre;
        sy = bottom + d.y;
        return std::sqrt(d.x * d.x + d.y * d.y) < kRadarRadius;
    };

    std::vector<ScriptValue> items;
    if (level->ghostObject) {
        const D3DXVECTOR3& ghost = level->ghostObject->GetPosition();
        float sx = 0.0f;
        float sy = 0.0f;
        if (place(ghost.x, ghost.y, sx, sy))
            items = { ScriptValue(static_cast<double>(sx)), ScriptValue(static_cast<double>(sy)), ScriptValue(false) };
    } else {
        for (const auto& entry : positions) {
            float sx = 0.0f;
            float sy = 0.0f;
            if (!place(entry.second.first, entry.second.second, sx, sy))
                continue;
            items.emplace_back(static_cast<double>(sx));
            items.emplace_back(static_cast<double>(sy));
            items.emplace_back(false);
        }
    }
    return ScriptPushList(L, items, true);
}

int ScriptApi::GetPlayerMapPosition(lua_State* L)
{
    if (!GetLevel())
        return 0;
    lua_pushnumber(L, kPlayerSymbolX);
    lua_pushnumber(L, g_CfgScreenHeight - kPlayerSymbolRise);
    return 2;
}

int ScriptApi::CreateArrow(lua_State* L)
{
    const std::string name = ScriptReadText(L, 1);
    const int32_t n = ScriptReadInt(L, 2);
    CPRenderObjectManager* loader = GetRenderObjectManager();
    const CPSmartPtr<CPGameObject> object = loader ? loader->LoadRenderObject(name, AddWrapping(kArrowLayerBase, n))
                                                   : CPSmartPtr<CPGameObject>();
    if (object)
        object->AddRef();
    ScriptPushObject(L, object.Get());
    return 1;
}

int ScriptApi::DrawArrow(lua_State* L)
{
    CPGameObject* needle = ScriptReadObject<CPGameObject>(L, 1);
    if (!needle)
        return 0;
    const float x = ScriptReadFloat(L, 2) * static_cast<float>(g_CfgScreenWidth) * 0.0009765625f;
    const float y = ScriptReadFloat(L, 3) * static_cast<float>(g_CfgScreenHeight) * 0.0013020834f;
    // 45 degrees at rest, 7.2 degrees more per unit of speed.
    float angle = 0.7853982f;
    if (const CPLevel* level = GetLevel())
        angle += level->playerSpeed * 7.2f * 3.1415927f * 0.0055555557f;
    D3DXMATRIX turn;
    D3DXMATRIX move;
    D3DXMatrixRotationZ(&turn, angle);
    D3DXMatrixTranslation(&move, x, y, 0.0f);
    D3DXMATRIX pose;
    D3DXMatrixMultiply(&pose, &turn, &move);
    needle->SetPose(pose);
    needle->UpdateTransform();
    CPRender* render = GetRender();
    if (const CPSmartPtr<CPRenderQueue> queue = render ? render->GetRenderQueue() : CPSmartPtr<CPRenderQueue>())
        queue->AddObject(needle);
    return 0;
}

int ScriptApi::GetHelthBarCoord(lua_State* L)
{
    const CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    const auto push = [L](float x, float y, float length) {
        lua_pushnumber(L, x);
        lua_pushnumber(L, y);
        lua_pushnumber(L, length);
        return 3;
    };
    const CPSmartPtr<CPCamera> chase = level->GetCamera();
    const CPSmartPtr<CPPerspectiveCamera> camera = chase ? chase->GetMainCamera() : CPSmartPtr<CPPerspectiveCamera>();
    if (!vehicle || !camera)
        return push(kBarOutside, kBarOutside, 0.0f);

    D3DXVECTOR3 view = camera->m_target - camera->m_eye;
    D3DXVECTOR3 toVehicle = vehicle->GetPosition() - camera->m_eye;
    D3DXVec3Normalize(&view, &view);
    D3DXVec3Normalize(&toVehicle, &toVehicle);
    if (SafeAcos(D3DXVec3Dot(&view, &toVehicle)) > camera->m_fieldOfView)
        return push(kBarOutside, kBarOutside, 0.0f);

    // The box's corners are in world space: halve them toward the box's
    // centre, so the bar sits over the vehicle wherever it is.
    const CPBoundingBox& box = vehicle->GetBoundingBox();
    D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    for (const D3DXVECTOR3& corner : box.m_corners)
        centre += corner;
    centre *= 0.125f;
    float minX = 0.0f;
    float minY = 0.0f;
    for (int32_t i = 0; i < 8; ++i) {
        const D3DXVECTOR3 half = centre + (box.m_corners[i] - centre) * 0.5f;
        const D3DXVECTOR4 corner(half.x, half.y, half.z, 1.0f);
        D3DXVECTOR4 clip;
        D3DXVec4Transform(&clip, &corner, &camera->GetViewProjection());
        const float sx = clip.x / clip.w;
        const float sy = -(clip.y / clip.w);
        minX = i == 0 ? sx : std::min(minX, sx);
        minY = i == 0 ? sy : std::min(minY, sy);
    }
    return push((minX + 1.0f) * static_cast<float>(g_CfgScreenWidth) * 0.5f,
                (minY + 1.0f) * static_cast<float>(g_CfgScreenHeight) * 0.5f,
                (100.0f - vehicle->m_damage) * kBarScale);
}
