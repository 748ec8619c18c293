// The race table: what a running race and its display call.
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
#include "Vehicles/PPhysicData.h"

namespace
{
int IsRigid(lua_State* L)
{
    const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0;
    const CPPhysicData* data = object->GetPhysicData().Get();
    lua_pushboolean(L, data && data->m_rigidBody);
    return 1;
}

int StartAnimation(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    const char* name = ScriptReadText(L, 2);
    const int32_t playCount = ScriptReadInt(L, 3);
    CPCommandTarget* reportTarget = ScriptReadObject<CPCommandTarget>(L, 4);
    if (object)
        ScriptApi::PlayAnimation(*object, name, 1.0f, playCount, -1, reportTarget);
    return 0;
}

int FindObject(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    const char* name = ScriptCheckText(L, 2);
    CPGameObject* found = nullptr;
    if (object) {
        const CPSmartPtr<CPGameObject> child = object->FindChild(name);
        found = child.Get();
    }
    // The script's reference.
    if (found)
        found->AddRef();
    ScriptPushObject(L, found);
    return 1;
}

int SetObjectVisible(lua_State* L)
{
    if (CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1))
        object->SetVisible(ScriptReadBool(L, 2));
    return 0;
}
}

const luaL_reg g_ScriptRaceTable[] = {
    { "SetRadialBlur", ScriptGuard<ScriptApi::SetRadialBlur> },
    { "SetCameraPlayer", ScriptGuard<ScriptApi::SetCameraPlayer> },
    { "AddScore", ScriptGuard<ScriptApi::AddScore> },
    { "GetScore", ScriptGuard<ScriptApi::GetScore> },
    { "IsInTable", ScriptGuard<ScriptApi::IsInTable> },
    { "SetScoreLine", ScriptGuard<ScriptApi::SetScoreLine> },
    { "GetScoreLine", ScriptGuard<ScriptApi::GetScoreLine> },
    { "SetCursor", ScriptGuard<ScriptApi::SetCursorRace> },
    { "EngineState", ScriptGuard<ScriptApi::EngineState> },
    { "GetCursor", ScriptGuard<ScriptApi::GetCursor> },
    { "PlayVideo", ScriptGuard<ScriptApi::PlayVideo> },
    { "PlayVideoNoSound", ScriptGuard<ScriptApi::PlayVideoNoSound> },
    { "PlayVideo1", ScriptGuard<ScriptApi::PlayVideo1> },
    { "StopVideo", ScriptGuard<ScriptApi::StopVideo> },
    { "StopVideo1", ScriptGuard<ScriptApi::StopVideo1> },
    { "UpdateScore", ScriptGuard<ScriptApi::UpdateScore> },
    { "UpdateTime", ScriptGuard<ScriptApi::UpdateTime> },
    { "ShowCheckPoint", ScriptGuard<ScriptApi::ShowCheckPoint> },
    { "IsRigid", ScriptGuard<IsRigid> },
    { "StartAnimation", ScriptGuard<StartAnimation> },
    { "FindObject", ScriptGuard<FindObject> },
    { "GetRealCarInfo", ScriptGuard<ScriptApi::GetRealCarInfo> },
    { "GetWindowPosition", ScriptGuard<ScriptApi::GetWindowPositionRace> },
    { "InitGameInterface", ScriptGuard<ScriptApi::InitGameInterface> },
    { "UpdateGameInterface", ScriptGuard<ScriptApi::UpdateGameInterface> },
    { "StopGlobalTimer", ScriptGuard<ScriptApi::StopGlobalTimer> },
    { "StartGlobalTimer", ScriptGuard<ScriptApi::StartGlobalTimer> },
    { "ClearGlobalTimer", ScriptGuard<ScriptApi::ClearTimer> },
    { "SetDifficult", ScriptGuard<ScriptApi::SetDifficult> },
    { "GetDifficulty", ScriptGuard<ScriptApi::GetDifficulty> },
    { "SetObjectVisible", ScriptGuard<SetObjectVisible> },
    { "SetLightCoeff", ScriptGuard<ScriptApi::SetLightCoeff> },
    { "GetCameraPlayer", ScriptGuard<ScriptApi::GetCameraPlayer> },
    { "GetFov1", ScriptGuard<ScriptApi::GetFov1> },
    { "GetFov2", ScriptGuard<ScriptApi::GetFov2> },
    { nullptr, nullptr },
};
