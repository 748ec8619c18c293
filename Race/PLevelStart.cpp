#include "Race/PLevel.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Race/PAIVehicle.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PMiniMap.h"
#include "Race/PRaceLinks.h"
#include "Render/PRender.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayer.h"

#include <cstdio>

namespace
{
constexpr int32_t kUpdateOrder = 500;
constexpr int32_t kActivateOrder = 200;
constexpr float kStartTimeLimit = 600.0f;
// Draw-layer ids of the two chase cameras, the flat layer and the shadows.
constexpr int32_t kMainCameraLayer = 16;
constexpr int32_t kSecondCameraLayer = 120;
constexpr int32_t kFlatLayer = 17;
constexpr int32_t kShadowLayer = 16;
constexpr size_t kOpponentLapSlots = 5;

const char* const kMenuObject = "gamemenu";
const char* const kSetMoney = "set_money";
const char* const kInitGameInterface = "init_game_interface";
const char* const kMainCategory = "main";
const char* const kSayShow = "say_show";

void SendToMenu(const char* command, const std::string& params)
{
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(kMenuObject, command, params);
}
}

void CPLevel::StartLevelTasks()
{
    worstFinishingPlace = 0;
    ended = 0;
    firstPlace = secondPlace = thirdPlace = -1;
    stepAccumulator = 0.0f;
    g_FrameTime = 0.0f;

    CPTaskManager* tasks = GetTaskManager();
    CPAIVehicleManager* opponents = GetAIVehicleManager();
    if (opponents)
        opponents->SetOrder(CPAIVehicleManager::kOrder);
    if (CPTask* physics = GetPhysicManagerTask()) {
        physics->SetOrder(CPPhysicManager::kTaskOrder);
        if (tasks)
            tasks->AddTask(physics);
    }

    if (camera) {
        camera->AttachMainCamera(kMainCameraLayer);
        camera->AttachSecondCamera(kSecondCameraLayer);
    }

    if (CPRender* render = GetRender()) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        render->SetCameraTransform(identity, kFlatLayer);
        const D3DXVECTOR4 lightVector(light.Direction.x, light.Direction.y, light.Direction.z, 0.0f);
        const D3DXPLANE ground(0.0f, 0.0f, -1.0f, 0.0f);
        D3DXMATRIX shadow;
        D3DXMatrixShadow(&shadow, &lightVector, &ground);
        render->SetCameraTransform(shadow, kShadowLayer);
    }

    if (updateTask) {
        updateTask->Stop();
        updateTask->Unbind();
    }
    updaters.push_back(std::make_unique<CPObjUpdater>(this, &CPLevel::Update));
    updateTask = updaters.back().get();
    updateTask->SetOrder(kUpdateOrder);
    if (tasks)
        tasks->AddTask(updateTask.Get());

    if (opponents && tasks)
        tasks->AddTask(opponents);

    paused = 0;
    if (player)
        player->Activate(kActivateOrder);
    if (sceneObject)
        sceneObject->Activate(kActivateOrder);

    checkpointCursor = checkpoints.begin();
    timeLimit = kStartTimeLimit;

    CPGameData* gameData = GetGameData();
    if (gameData) {
        char money[64];
        std::snprintf(money, sizeof(money), "%.2f", gameData->m_money);
        SendToMenu(kSetMoney, money);
    }
    SendToMenu(kInitGameInterface, "");

    if (gameData) {
        // A lap number below 1 names no entry.
        const int32_t lap = gameData->m_currentLap;
        if (static_cast<int64_t>(gameData->m_lapTimes.size()) < lap)
            gameData->m_lapTimes.push_back(0.0f);
        else if (lap >= 1)
            gameData->m_lapTimes[static_cast<size_t>(lap - 1)] = 0.0f;
        for (auto& entry : gameData->m_opponentProgress) {
            std::vector<float>& times = entry.second.lapTimes;
            for (size_t i = 0; i < times.size() && i < kOpponentLapSlots; ++i)
                times[i] = gameData->m_roundTime;
        }
    }

    InitTrackProgress();
}

void CPLevel::ShowCheckPoint()
{
    if (!updateTask)
        return;
    if (checkpointCursor == checkpoints.end()) {
        currentCheckpoint = nullptr;
        if (miniMap)
            miniMap->SetTarget(nullptr);
        return;
    }
    currentCheckpoint = checkpointCursor->object;
    if (currentCheckpoint)
        currentCheckpoint->SetVisible(true);
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByCategory(kMainCategory, kSayShow, "");
    if (miniMap)
        miniMap->SetTarget(currentCheckpoint);
}
