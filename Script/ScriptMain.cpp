// The main table: what menu and mission scripts call.
#include "Script/ScriptBinding.h"
#include "Script/ScriptCameraBindings.h"
#include "Script/ScriptDisplayBindings.h"
#include "Script/ScriptInterfaceBindings.h"
#include "Script/ScriptLevelBindings.h"
#include "Script/ScriptMediaBindings.h"
#include "Script/ScriptProfileBindings.h"
#include "Script/ScriptRecordBindings.h"
#include "Script/ScriptShopBindings.h"
#include "Script/ScriptSystemBindings.h"
#include "Script/ScriptTables.h"

#include "Core/PCommandTarget.h"
#include "Core/PGameObject.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayer.h"

#include <cmath>
#include <memory>

namespace
{
int StopScript(lua_State* L)
{
    if (CPCommandTarget* script = ScriptReadObject<CPCommandTarget>(L, 1))
        script->SetFinished(true);
    return 0;
}

int SetPosition(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0;
    object->SetPosition(D3DXVECTOR3(ScriptReadFloat(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4)));
    object->UpdateTransform();
    return 0;
}

int GetPosition(lua_State* L)
{
    const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0;
    const D3DXVECTOR3& position = object->GetPosition();
    lua_pushnumber(L, position.x);
    lua_pushnumber(L, position.y);
    lua_pushnumber(L, position.z);
    return 3;
}

int SetRotation(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0;
    // X first, then Y, then Z (row vectors: X x Y x Z).
    D3DXMATRIX aboutX;
    D3DXMATRIX aboutY;
    D3DXMATRIX aboutZ;
    D3DXMatrixRotationX(&aboutX, ScriptReadFloat(L, 2));
    D3DXMatrixRotationY(&aboutY, ScriptReadFloat(L, 3));
    D3DXMatrixRotationZ(&aboutZ, ScriptReadFloat(L, 4));
    D3DXMATRIX rotation;
    D3DXMatrixMultiply(&rotation, &aboutX, &aboutY);
    D3DXMatrixMultiply(&rotation, &rotation, &aboutZ);
    D3DXQUATERNION quaternion;
    D3DXQuaternionRotationMatrix(&quaternion, &rotation);
    object->SetRotation(quaternion);
    object->UpdateTransform();
    return 0;
}

int GetBBoxInfo(lua_State* L)
{
    const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0;
    const CPBounds& bounds = object->GetObjectBounds();
    for (const D3DXVECTOR3* corner : { &bounds.m_centre, &bounds.m_min, &bounds.m_max }) {
        lua_pushnumber(L, corner->x);
        lua_pushnumber(L, corner->y);
        lua_pushnumber(L, corner->z);
    }
    return 9;
}

// The impulse (x, y, z) at the vehicle's position; nothing for an object
// that is not a vehicle.
int ApplyImpulse(lua_State* L)
{
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    vehicle->ApplyImpulse(vehicle->GetPosition(),
                          D3DXVECTOR3(ScriptReadFloat(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4)));
    return 0;
}

// A plain game object made as a deep copy of the source, whatever the
// source's class; the script holds the one reference. A null source gives
// no result.
int Clone(lua_State* L)
{
    CPGameObject* source = ScriptReadObject<CPGameObject>(L, 1);
    if (!source)
        return 0;
    const CPSmartPtr<CPGameObject> held(source);
    auto clone = std::make_unique<CPGameObject>(source->GetName());
    clone->CopyFrom(held);
    clone->AddRef();
    ScriptPushObject(L, clone.release());
    return 1;
}

// The speed of the object's rigid body; 0 below 1e-3 and for an object
// without one.
int GetObjectSpeed(lua_State* L)
{
    const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    const CPPhysicData* data = object ? object->GetPhysicData().Get() : nullptr;
    float speed = 0.0f;
    if (data && data->m_rigidBody) {
        D3DXVECTOR4 velocity;
        data->m_rigidBody->GetVelocity(&velocity);
        const float squared = velocity.x * velocity.x + velocity.y * velocity.y + velocity.z * velocity.z;
        if (squared >= 1e-6f)
            speed = std::sqrt(squared);
    }
    lua_pushnumber(L, speed);
    return 1;
}
}

const luaL_reg g_ScriptMainTable[] = {
    { "SetPlayerName", ScriptGuard<ScriptApi::SetPlayerName> },
    { "ChangeGameCamera", ScriptGuard<ScriptApi::ChangeGameCamera> },
    { "GetPlayerName", ScriptGuard<ScriptApi::GetPlayerName> },
    { "SetTemp", ScriptGuard<ScriptApi::SetTemp> },
    { "SetFOV", ScriptGuard<ScriptApi::SetFOV> },
    { "SetMotionBlur", ScriptGuard<ScriptApi::SetMotionBlur> },
    { "SetCamera", ScriptGuard<ScriptApi::SetCamera> },
    { "SetKills", ScriptGuard<ScriptApi::SetKills> },
    { "GetAICount", ScriptGuard<ScriptApi::GetAICount> },
    { "InitPlayer", ScriptGuard<ScriptApi::InitPlayer> },
    { "GetEnemyData", ScriptGuard<ScriptApi::GetEnemyData> },
    { "StopScript", ScriptGuard<StopScript> },
    { "CrossPlayerRay", ScriptGuard<ScriptApi::CrossPlayerRay> },
    { "ClearTimer", ScriptGuard<ScriptApi::ClearTimer> },
    { "SetActions", ScriptGuard<ScriptApi::SetActions> },
    { "PlaySpecialSound3D", ScriptGuard<ScriptApi::PlaySpecialSound3D> },
    { "PlaySpecialSound", ScriptGuard<ScriptApi::PlaySpecialSound> },
    { "UpdateInterface", ScriptGuard<ScriptApi::UpdateInterface> },
    { "CreateInterface", ScriptGuard<ScriptApi::CreateInterface> },
    { "ActivateInterface", ScriptGuard<ScriptApi::ActivateInterface> },
    { "DeactivateInterface", ScriptGuard<ScriptApi::DeactivateObject> },
    { "SetDefaultCamera", ScriptGuard<ScriptApi::SetDefaultCamera> },
    { "InitLevel", ScriptGuard<ScriptApi::InitLevel> },
    { "StartLevel", ScriptGuard<ScriptApi::StartLevel> },
    { "StopLevel", ScriptGuard<ScriptApi::StopLevel> },
    { "DeleteLevel", ScriptGuard<ScriptApi::DeleteLevel> },
    { "SetCameraPos", ScriptGuard<ScriptApi::SetCameraPos> },
    { "SetCameraZAngle", ScriptGuard<ScriptApi::SetCameraZAngle> },
    { "CrossInterfaceRay", ScriptGuard<ScriptApi::CrossInterfaceRay> },
    { "GetWeaponInfo", ScriptGuard<ScriptApi::GetWeaponInfo> },
    { "GetMineInfo", ScriptGuard<ScriptApi::GetMineInfo> },
    { "GetSuperWeaponInfo", ScriptGuard<ScriptApi::GetSuperWeaponInfo> },
    { "GetBumperInfo", ScriptGuard<ScriptApi::GetBumperInfo> },
    { "GetEquipmentInfo", ScriptGuard<ScriptApi::GetEquipmentInfo> },
    { "GetArmorInfo", ScriptGuard<ScriptApi::GetArmorInfo> },
    { "GetEngineInfo", ScriptGuard<ScriptApi::GetEngineInfo> },
    { "GetWeaponNames", ScriptGuard<ScriptApi::GetWeaponNames> },
    { "GetMineNames", ScriptGuard<ScriptApi::GetMineNames> },
    { "GetSuperWeaponNames", ScriptGuard<ScriptApi::GetSuperWeaponNames> },
    { "GetBumperNames", ScriptGuard<ScriptApi::GetBumperNames> },
    { "GetEquipmentNames", ScriptGuard<ScriptApi::GetEquipmentNames> },
    { "GetArmorNames", ScriptGuard<ScriptApi::GetArmorNames> },
    { "GetEngineNames", ScriptGuard<ScriptApi::GetEngineNames> },
    { "SetWindowVisible", ScriptGuard<ScriptApi::SetWindowVisible> },
    { "SetWindowPosition", ScriptGuard<ScriptApi::SetWindowPosition> },
    { "GetWindowPosition", ScriptGuard<ScriptApi::GetWindowPosition> },
    { "SetText", ScriptGuard<ScriptApi::SetText> },
    { "SetTextString", ScriptGuard<ScriptApi::SetTextString> },
    { "SaveLog", ScriptGuard<ScriptApi::SaveLog> },
    { "GetCarInfo", ScriptGuard<ScriptApi::GetCarInfo> },
    { "SetCarInfo", ScriptGuard<ScriptApi::SetCarInfo> },
    { "SetMoney", ScriptGuard<ScriptApi::SetMoney> },
    { "GetMoney", ScriptGuard<ScriptApi::GetMoney> },
    { "IsValidGameDataName", ScriptGuard<ScriptApi::IsValidGameDataName> },
    { "AddEnemy", ScriptGuard<ScriptApi::AddEnemy> },
    { "GetPositionForEnemy", ScriptGuard<ScriptApi::GetPositionForEnemy> },
    { "GetEnemyType", ScriptGuard<ScriptApi::GetEnemyType> },
    { "LoadMissionInfo", ScriptGuard<ScriptApi::LoadMissionInfo> },
    { "GetCheckPointInfo", ScriptGuard<ScriptApi::GetCheckPointInfo> },
    { "IsEnemySourceNear", ScriptGuard<ScriptApi::IsEnemySourceNear> },
    { "GetCheckPointsCount", ScriptGuard<ScriptApi::GetCheckPointsCount> },
    { "UpdateInterfaceBuffers", ScriptGuard<ScriptApi::UpdateInterfaceBuffers> },
    { "SetLevelTime", ScriptGuard<ScriptApi::SetLevelTime> },
    { "SetBonus", ScriptGuard<ScriptApi::SetBonus> },
    { "CommitCarSettings", ScriptGuard<ScriptApi::CommitCarSettings> },
    { "SmartBomb", ScriptGuard<ScriptApi::SmartBomb> },
    { "SetWindowPositionShop", ScriptGuard<ScriptApi::SetWindowPositionShop> },
    { "StopSounds", ScriptGuard<ScriptApi::StopSounds> },
    { "PlayMusicNoLoop", ScriptGuard<ScriptApi::PlayMusicNoLoop> },
    { "GetSoundVolume", ScriptGuard<ScriptApi::GetSoundVolume> },
    { "SetSoundVolume", ScriptGuard<ScriptApi::SetSoundVolume> },
    { "GetMusicVolume", ScriptGuard<ScriptApi::GetMusicVolume> },
    { "SetMusicVolume", ScriptGuard<ScriptApi::SetMusicVolume> },
    { "GetMouse", ScriptGuard<ScriptApi::GetMouse> },
    { "SetMouse", ScriptGuard<ScriptApi::SetMouse> },
    { "GetBrightness", ScriptGuard<ScriptApi::GetBrightness> },
    { "SetBrightness", ScriptGuard<ScriptApi::SetBrightness> },
    { "GetMusicName", ScriptGuard<ScriptApi::GetMusicName> },
    { "GetActionNames", ScriptGuard<ScriptApi::GetActionNames> },
    { "SetCursor", ScriptGuard<ScriptApi::SetCursor> },
    { "SetAssignKey", ScriptGuard<ScriptApi::SetAssignKey> },
    { "SetAction", ScriptGuard<ScriptApi::SetAction> },
    { "GetCurrentMission", ScriptGuard<ScriptApi::GetCurrentMission> },
    { "SetCurrentMission", ScriptGuard<ScriptApi::SetCurrentMission> },
    { "SaveGame", ScriptGuard<ScriptApi::SaveGame> },
    { "LoadGame", ScriptGuard<ScriptApi::LoadGame> },
    { "GetSaves", ScriptGuard<ScriptApi::GetSaves> },
    { "DeleteSave", ScriptGuard<ScriptApi::DeleteSave> },
    { "ChangeCheckpointPosition", ScriptGuard<ScriptApi::ChangeCheckpointPosition> },
    { "AutoSetting", ScriptGuard<ScriptApi::AutoSetting> },
    { "GetCurrentResolution", ScriptGuard<ScriptApi::GetCurrentResolution> },
    { "DumpAIInfo", ScriptGuard<ScriptApi::SetBrightness> },
    { "SetDifficulty", ScriptGuard<ScriptApi::SetDifficulty> },
    { "GetDifficult", ScriptGuard<ScriptApi::GetDifficult> },
    { "GetActiveCar", ScriptGuard<ScriptApi::GetActiveCar> },
    { "SetPlayersPanel", ScriptGuard<ScriptApi::SetPlayersPanel> },
    { "NewPlayer", ScriptGuard<ScriptApi::NewPlayer> },
    { "IMenuRight", ScriptGuard<ScriptApi::IMenuRight> },
    { "IMenuLeft", ScriptGuard<ScriptApi::IMenuLeft> },
    { "GetRoundsNumber", ScriptGuard<ScriptApi::GetRoundsNumber> },
    { "GetCurrentRound", ScriptGuard<ScriptApi::GetCurrentRound> },
    { "SetNumRounds", ScriptGuard<ScriptApi::SetNumRounds> },
    { "SetEditBoxText", ScriptGuard<ScriptApi::SetEditBoxText> },
    { "EditBoxTextLength", ScriptGuard<ScriptApi::EditBoxTextLength> },
    { "EditBoxProcessKey", ScriptGuard<ScriptApi::EditBoxProcessKey> },
    { "GetEditBoxText", ScriptGuard<ScriptApi::GetEditBoxText> },
    { "UpdateRoundsTime", ScriptGuard<ScriptApi::UpdateRoundsTime> },
    { "GetTime", ScriptGuard<ScriptApi::GetTime> },
    { "CreateArrow", ScriptGuard<ScriptApi::CreateArrow> },
    { "DrawArrow", ScriptGuard<ScriptApi::DrawArrow> },
    { "GetAIPositions", ScriptGuard<ScriptApi::GetAIPositions> },
    { "SaveActions", ScriptGuard<ScriptApi::SaveActions> },
    { "LoadActions", ScriptGuard<ScriptApi::LoadActions> },
    { "SetPosition", ScriptGuard<SetPosition> },
    { "GetPosition", ScriptGuard<GetPosition> },
    { "SetRotation", ScriptGuard<SetRotation> },
    { "GetBBoxInfo", ScriptGuard<GetBBoxInfo> },
    { "GetLevelSize", ScriptGuard<ScriptApi::GetLevelSize> },
    { "CheckVisible", ScriptGuard<ScriptApi::CheckVisible> },
    { "SetFont", ScriptGuard<ScriptApi::SetFont> },
    { "SetFontString", ScriptGuard<ScriptApi::SetFontString> },
    { "DeselectCurrentButton", ScriptGuard<ScriptApi::DeselectCurrentButton> },
    { "GetCameraPositions", ScriptGuard<ScriptApi::GetCameraPositions> },
    { "GetCameraZAngle", ScriptGuard<ScriptApi::GetCameraZAngle> },
    { "GetLight", ScriptGuard<ScriptApi::GetLight> },
    { "SetLight", ScriptGuard<ScriptApi::SetLight> },
    { "SilentActivateInterface", ScriptGuard<ScriptApi::SilentActivateInterface> },
    { "GetPlayerSplineAngle", ScriptGuard<ScriptApi::GetPlayerSplineAngle> },
    { "SetProfileName", ScriptGuard<ScriptApi::SetProfileName> },
    { "GetProfileName", ScriptGuard<ScriptApi::GetProfileName> },
    { "UpdateSoundPosition", ScriptGuard<ScriptApi::UpdateSoundPosition> },
    { "GetSplineLinePoint", ScriptGuard<ScriptApi::GetSplineLinePoint> },
    { "GetSplineLineCount", ScriptGuard<ScriptApi::GetSplineLineCount> },
    { "AddBonus", ScriptGuard<ScriptApi::AddBonus> },
    { "EraseBonus", ScriptGuard<ScriptApi::EraseBonus> },
    { "GetBonusList", ScriptGuard<ScriptApi::GetBonusList> },
    { "GetClosestLineCenter", ScriptGuard<ScriptApi::GetClosestLineCenter> },
    { "ApplyImpulse", ScriptGuard<ApplyImpulse> },
    { "GetBonusesCount", ScriptGuard<ScriptApi::GetBonusesCount> },
    { "ClearBonuses", ScriptGuard<ScriptApi::ClearBonuses> },
    { "ClearLevelTimers", ScriptGuard<ScriptApi::ClearLevelTimers> },
    { "SetUpdateTime", ScriptGuard<ScriptApi::SetUpdateTime> },
    { "SetPlayerType", ScriptGuard<ScriptApi::SetPlayerType> },
    { "GetNumRacesPassed", ScriptGuard<ScriptApi::GetNumRacesPassed> },
    { "SetNumRacesPassed", ScriptGuard<ScriptApi::SetNumRacesPassed> },
    { "ClearGameData", ScriptGuard<ScriptApi::ClearGameData> },
    { "GetRecords", ScriptGuard<ScriptApi::GetRecords> },
    { "GetCurrentRace", ScriptGuard<ScriptApi::GetCurrentMission> },
    { "SetCurrentRace", ScriptGuard<ScriptApi::SetCurrentMission> },
    { "CheckPlayerRecords", ScriptGuard<ScriptApi::CheckPlayerRecords> },
    { "SaveScore", ScriptGuard<ScriptApi::SaveScore> },
    { "SetRoundTime", ScriptGuard<ScriptApi::SetRoundTime> },
    { "GetRoundTime", ScriptGuard<ScriptApi::GetRoundTime> },
    { "SetWindowSize", ScriptGuard<ScriptApi::SetWindowSize> },
    { "Clone", ScriptGuard<Clone> },
    { "GetHelthBarCoord", ScriptGuard<ScriptApi::GetHelthBarCoord> },
    { "SetLevelStarted", ScriptGuard<ScriptApi::SetLevelStarted> },
    { "SetLensFlare", ScriptGuard<ScriptApi::SetLensFlare> },
    { "SetTimeBonus", ScriptGuard<ScriptApi::SetTimeBonus> },
    { "GetFullTime", ScriptGuard<ScriptApi::GetFullTime> },
    { "Pup", ScriptGuard<ScriptApi::Pup> },
    { "Pdown", ScriptGuard<ScriptApi::Pdown> },
    { "Pleft", ScriptGuard<ScriptApi::Pleft> },
    { "Pright", ScriptGuard<ScriptApi::Pright> },
    { "GetObjectSpeed", ScriptGuard<GetObjectSpeed> },
    { "StopSpecialSound", ScriptGuard<ScriptApi::StopSpecialSound> },
    { "IsSpecialSoundPlaying", ScriptGuard<ScriptApi::IsSpecialSoundPlaying> },
    { "IsRaceStarted", ScriptGuard<ScriptApi::IsRaceStarted> },
    { "IsWeather", ScriptGuard<ScriptApi::IsWeather> },
    { "IsLightLeft", ScriptGuard<ScriptApi::IsLightLeft> },
    { "IsDarkLeft", ScriptGuard<ScriptApi::IsDarkLeft> },
    { "GetTemp", ScriptGuard<ScriptApi::GetTemp> },
    { "SetLevelTransportCount", ScriptGuard<ScriptApi::SetLevelTransportCount> },
    { "StopPlayingMusic", ScriptGuard<ScriptApi::StopMusic> },
    { "UpdateActions", ScriptGuard<ScriptApi::UpdateActions> },
    { "IsDamageMsg", ScriptGuard<ScriptApi::IsDamageMsg> },
    { "InitWarning", ScriptGuard<ScriptApi::InitWarning> },
    { "SetReversed", ScriptGuard<ScriptApi::SetReversed> },
    { "IsLevelStarted", ScriptGuard<ScriptApi::IsLevelStarted> },
    { "SetPlaceToFinish", ScriptGuard<ScriptApi::SetPlaceToFinish> },
    { "GetTimeBest", ScriptGuard<ScriptApi::GetTimeBest> },
    { "GetCheckpointTime", ScriptGuard<ScriptApi::GetCheckpointTime> },
    { "GetPoints", ScriptGuard<ScriptApi::GetPoints> },
    { "SetPoints", ScriptGuard<ScriptApi::SetPoints> },
    { "GetTextPosition", ScriptGuard<ScriptApi::GetTextPosition> },
    { "SetTextPosition", ScriptGuard<ScriptApi::SetTextPosition> },
    { "IsSingleMode", ScriptGuard<ScriptApi::IsSingleMode> },
    { "IsFileExists", ScriptGuard<ScriptApi::IsFileExists> },
    { "GetTextureSize", ScriptGuard<ScriptApi::GetTextureSize> },
    { "GoURL", ScriptGuard<ScriptApi::GoURL> },
    { "IsTimeMode", ScriptGuard<ScriptApi::IsTimeMode> },
    { "GetBestTimeAttack", ScriptGuard<ScriptApi::GetBestTimeAttack> },
    { "GetTimeAttack", ScriptGuard<ScriptApi::GetTimeAttack> },
    { "GoURLlink", ScriptGuard<ScriptApi::GoURLlink> },
    { "SetSingle", ScriptGuard<ScriptApi::SetSingle> },
    { "IsSingle", ScriptGuard<ScriptApi::IsSingle> },
    { "SetTimeAttack", ScriptGuard<ScriptApi::SetTimeAttack> },
    { "IsTimeAttack", ScriptGuard<ScriptApi::IsTimeAttack> },
    { "GetBestTimeAttack2", ScriptGuard<ScriptApi::GetBestTimeAttack2> },
    { "StopMusic", ScriptGuard<ScriptApi::StopMusic> },
    { "GetStats", ScriptGuard<ScriptApi::GetStats> },
    { "GetPlayerMapPosition", ScriptGuard<ScriptApi::GetPlayerMapPosition> },
    { "GetScreenSize", ScriptGuard<ScriptApi::GetScreenSize> },
    { nullptr, nullptr },
};
