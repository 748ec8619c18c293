// The level's per-frame race update: the race result and places, the gate
// countdown and the time limit, the attract-mode camera cuts, the player's
// fixed physics steps, the camera and the sound listener, the other vehicles,
// the road edge, the gates, the minimap, the time-mode ghost and the render
// queue, in that order.
#include "Race/PLevel.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "Race/PAIVehicle.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevelBranch.h"
#include "Race/PMiniMap.h"
#include "Race/PRaceLinks.h"
#include "Race/PSpline.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PQuadNode.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Sound/NSoundManager.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
// The player's physics runs in steps of exactly this many seconds.
constexpr float kPlayerStep = 0.016666668f;
constexpr float kHalfPi = 1.5707964f;
// The views keep their camera angle in degrees; the chase camera turns by radians.
constexpr float kDemoCutInterval = 1.5f;
constexpr float kGhostInterval = 0.05f;
constexpr float kMaxRespawnStep = 0.1f;
constexpr float kRoadSearchRadius = 40.0f;
constexpr int32_t kRacerSlots = 11;
constexpr int32_t kPlayerSlot = 11;

void Send(const char* target, const char* command, const std::string& params)
{
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(target, command, params);
}

float ClampedAcos(float x)
{
    return std::acos(std::min(1.0f, std::max(-1.0f, x)));
}

D3DXVECTOR3 Rotate(const D3DXQUATERNION& rotation, const D3DXVECTOR3& v)
{
    D3DXMATRIX matrix;
    D3DXMatrixRotationQuaternion(&matrix, &rotation);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &v, &matrix);
    return out;
}

D3DXVECTOR3 Forward(const CPGameObject& object)
{
    return Rotate(object.GetRotation(), D3DXVECTOR3(0.0f, -1.0f, 0.0f));
}

// The vehicle's car speed, negative unless the throttle is: the speed the
// opponent driver is handed.
float SignedSpeed(const CPPlayer& vehicle)
{
    const CPCar* car = vehicle.GetCarPtr();
    const float speed = car ? car->m_speed : 0.0f;
    return vehicle.m_throttle < 0.0f ? speed : -speed;
}

float Sign(float value)
{
    return value < 0.0f ? -1.0f : 1.0f;
}

void SetupDriver(int32_t slot, CPPlayer& vehicle)
{
    CPAIVehicleManager* manager = GetAIVehicleManager();
    if (!manager)
        return;
    manager->SetupVehicle(slot, &vehicle, Forward(vehicle), SignedSpeed(vehicle), &vehicle, vehicle.limitMin,
                          vehicle.limitMax);
}

// The followed vehicle's view of one frame, shared by the camera steps.
struct FollowedFrame
{
    D3DXVECTOR3 position;
    float heading = 0.0f;
};

D3DXQUATERNION ChildRotation(const CPGameObject& object, const char* name)
{
    CPSmartPtr<CPGameObject> child = object.FindChild(name);
    return child ? child->GetRotation() : D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
}

// Shows or hides the child (visible 1 or 0; -1 leaves it) and turns it
// when a rotation is given. A missing child is skipped.
void PoseChild(CPGameObject& object, const char* name, int visible, const D3DXQUATERNION* rotation)
{
    CPSmartPtr<CPGameObject> child = object.FindChild(name);
    if (!child)
        return;
    if (visible >= 0)
        child->SetVisible(visible != 0);
    if (rotation) {
        child->SetRotation(*rotation);
        child->UpdateTransform();
    }
}

// Records the player's pose every 0.05 s of race time and moves the ghost
// along the stored run of the level's record.
void UpdateGhost(CPLevel& level, CPGameData* data, const CPSmartPtr<CPRenderQueue>& queue)
{
    if (level.ghostSampleTime + kGhostInterval < level.raceTime && level.player) {
        level.ghostSampleTime = level.raceTime;
        const CPPlayer& player = *level.player;
        const CPCar* car = player.GetCarPtr();
        CPGhostSample sample;
        sample.position = player.GetPosition();
        sample.rotation = player.GetRotation();
        sample.bikePartFlag = car ? car->m_riderNormal : 0;
        sample.riderRotation = ChildRotation(player, sample.bikePartFlag ? "bike" : "bike01");
        sample.bodyRotation = ChildRotation(player, "car2");
        sample.sampleTime = level.ghostSampleTime;
        level.ghostSamples.push_back(sample);
    }

    CPGameObject* ghost = level.ghostObject.Get();
    if (!ghost)
        return;
    const std::vector<CPGhostSample>* stored = nullptr;
    if (data && level.levelIndex >= 1 && level.levelIndex <= CPGameData::kLevelCount)
        stored = &data->m_levelRecords[static_cast<size_t>(level.levelIndex - 1)].ghost;
    if (stored && !stored->empty()) {
        const std::vector<CPGhostSample>& samples = *stored;
        const int32_t last = static_cast<int32_t>(samples.size()) - 1;
        int32_t& index = level.ghostReplayIndex;
        index = std::max(0, std::min(index, last));
        while (samples[static_cast<size_t>(index)].sampleTime < level.raceTime && index < last)
            ++index;
        const CPGhostSample& next = samples[static_cast<size_t>(index)];
        if (next.sampleTime >= level.raceTime && index > 0) {
            const CPGhostSample& previous = samples[static_cast<size_t>(index - 1)];
            const float span = next.sampleTime - previous.sampleTime;
            const float t = span != 0.0f ? (level.raceTime - previous.sampleTime) / span : 1.0f;
            const bool bike = next.bikePartFlag != 0;
            PoseChild(*ghost, "bike", bike ? 1 : 0, bike ? &next.riderRotation : nullptr);
            PoseChild(*ghost, "bike01", bike ? 0 : 1, bike ? nullptr : &next.riderRotation);
            PoseChild(*ghost, "car2", -1, &next.bodyRotation);
            D3DXVECTOR3 position;
            D3DXVec3Lerp(&position, &previous.position, &next.position, t);
            ghost->SetPosition(position);
            ghost->SetRotation(next.rotation);
            ghost->UpdateTransform();
        }
    }
    if (queue)
        QueueObjectTree(*queue, level.ghostObject);
}
}

int32_t CPLevel::GetLevelIndex(int32_t) const
{
    return levelIndex;
}

void CPLevel::Update()
{
    const float dt = g_FrameTime;
    CPGameData* data = GetGameData();

    // 1. The race result from the places.
    if (!ended) {
        const int32_t lastLap = data ? data->m_currentLap - 2 : -1;
        if (IsPlayerPlace(0)) {
            if (timeMode) {
                if (data && levelIndex >= 1 && levelIndex <= CPGameData::kLevelCount) {
                    CPLevelRecord& record = data->m_levelRecords[static_cast<size_t>(levelIndex - 1)];
                    const float lapTime = lastLap >= 0 && static_cast<size_t>(lastLap) < data->m_lapTimes.size()
                                              ? data->m_lapTimes[static_cast<size_t>(lastLap)]
                                              : 0.0f;
                    if (record.bestTime != 0.0f && !(lapTime < record.bestTime)) {
                        Send("game_interface", "show_message", "lost!");
                    } else {
                        record.bestTime = lapTime;
                        record.ghostModel = recordModel;
                        record.ghost = ghostSamples;
                        Send("game_interface", "show_message", "finish!");
                    }
                } else {
                    // Index 0: no record to beat or keep.
                    Send("game_interface", "show_message", "finish!");
                }
                Send("jeep", "game_over", "");
                gameOver = 1;
                ended = 1;
            } else {
                Send("game_interface", "place", "1st");
                if (worstFinishingPlace < 0) {
                    ended = 1;
                } else {
                    Send("game_interface", "show_message", "finish!");
                    Send("jeep", "game_over", "");
                    gameOver = 1;
                    ended = 1;
                }
            }
        } else if (IsPlayerPlace(1) || IsPlayerPlace(2)) {
            const bool second = IsPlayerPlace(1);
            Send("game_interface", "place", second ? "2nd" : "3rd");
            ended = 1;
            Send("game_interface", "show_message", worstFinishingPlace < (second ? 1 : 2) ? "lost!" : "finish!");
            Send("jeep", "game_over", "");
            gameOver = 1;
        }
        if (firstPlace != -1 && secondPlace != -1 && thirdPlace != -1 && !IsPlayerPlace(0) && !IsPlayerPlace(1) &&
            !IsPlayerPlace(2) && !ended) {
            ended = 1;
            Send("game_interface", "show_message", "lost!");
            Send("jeep", "game_over", "");
            gameOver = 1;
        }
    }

    // 2. The gate countdown.
    if (data && data->m_levelStarted && currentGate != -1 && !gameOver && !ended && !singleMode) {
        gateCountdown -= dt;
        if (gateCountdown <= 0.0f) {
            Send("game_interface", "checkpoint", "timeout!,1");
            Send("game_interface", "show_message", "lost!");
            Send("jeep", "game_over", "");
            gameOver = 1;
            gateCountdown = 0.0f;
            ended = 1;
        }
    }

    // 3. Attract-mode cuts.
    if (demo) {
        demoCutTimer += dt;
        if (demoCutTimer > kDemoCutInterval) {
            demoCutTimer = 0.0f;
            if (crt::rand() % 2 != 0) {
                const int32_t style = crt::rand() % 3;
                if (style != orbitStyle) {
                    orbitStyle = style;
                    orbitAngle = 0.0f;
                    orbitDirection = crt::rand() % 2 != 0 ? 1.0f : -1.0f;
                }
            } else {
                SetCameraView(crt::rand() % 2);
            }
        }
    }

    // 4. Clocks and the time limit.
    raceTime += dt;
    timeLimit -= dt;
    clockTime = static_cast<float>(timeGetTime());
    UpdateRaceClock();
    orbitAngle += g_SecondTimeStep;
    if (timeLimit < 0.0f && !timeLimitExpired) {
        timeLimit = 0.0f;
        if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
            dispatcher->SendCommandByCategory("main", "level_failed", "");
        timeLimitExpired = 1;
    }

    // 5. The player's fixed steps.
    if (!demo) {
        stepAccumulator += dt;
        while (stepAccumulator >= kPlayerStep) {
            if (player)
                player->Update(kPlayerStep);
            stepAccumulator -= kPlayerStep;
        }
    }

    CPPlayer* followed = followedVehicle;
    FollowedFrame frame;

    // 6. The camera's inputs from the followed vehicle.
    if (followed) {
        frame.position = followed->GetPosition();
        const D3DXVECTOR3 forward = Forward(*followed);
        const CPCar* car = followed->GetCarPtr();
        playerSpeed = car ? car->m_speed : 0.0f;
        if (camera) {
            camera->vehiclePitch = std::fabs(ClampedAcos(forward.z)) - kHalfPi;
            camera->angleDiv = cameraAngleDiv;
            camera->pitchAngle = cameraAngle * kDegreesToRadians;
            const float k = car && car->m_crashed && g_CfgCamSpeed == 3 ? 1.5f : 1.0f;
            bool distanceSet = false;
            if (orbitStyle == 1) {
                camera->targetDistance = playerSpeed / (k * cameraDistance) + k * cameraDistance;
                camera->lookAt = D3DXVECTOR3(frame.position.x, frame.position.y,
                                             frame.position.z + cameraHeight * 0.6666667f);
                distanceSet = true;
            } else if (cameraMode == 0 || cameraMode == 1) {
                camera->distanceDiv = cameraDistanceDiv;
                camera->targetDistance = k * cameraDistance;
                camera->lookAt = D3DXVECTOR3(frame.position.x, frame.position.y, frame.position.z + cameraHeight);
                distanceSet = true;
            }
            if (distanceSet && camera->currentDistance == 0.0f)
                camera->currentDistance = camera->targetDistance;
            const D3DXVECTOR4 velocity = followed->GetVelocity();
            const D3DXVECTOR3 v(velocity.x, velocity.y, velocity.z);
            const float squared = D3DXVec3LengthSq(&v);
            camera->followSpeed = squared < 1e-6f ? 0.0f : std::sqrt(squared);
            camera->dirty = 1;
        }
        frame.heading = VehicleHeading(*followed);
    }

    // 7. The sound listener at the eye of the last frame.
    if (followed && camera && camera->mainCamera && g_SoundManager) {
        const D3DXVECTOR3 eye = *camera->GetEyePosition();
        D3DXVECTOR3 front(frame.position.x - eye.x, frame.position.y - eye.y, 0.0f);
        D3DXVec3Normalize(&front, &front);
        const D3DXVECTOR3 top(0.0f, 0.0f, 1.0f);
        g_SoundManager->SetListenerOrientation(front, top);
        const D3DXVECTOR4 velocity = followed->GetVelocity();
        g_SoundManager->SetListenerPosition(eye, D3DXVECTOR3(velocity.x, velocity.y, velocity.z));
    }

    // 8.
    respawnTimer += std::min(dt, kMaxRespawnStep);

    // 9. The other vehicles, each with its driver and its own update.
    for (size_t i = 0; i < vehicles.size(); ++i) {
        CPPlayer* vehicle = vehicles[i].Get();
        const int32_t index = static_cast<int32_t>(i);
        if (!vehicle || (!trafficActive && index >= kRacerSlots))
            continue;
        SetupDriver(index, *vehicle);
        vehicle->Update(dt);
        if (index < kRacerSlots && data) {
            const D3DXVECTOR3 at = vehicle->GetPosition();
            data->m_aiPositions[std::to_string(index)] = std::make_pair(at.x, at.y);
        }
    }

    // 10. The computer drives the followed vehicle once the race is over.
    if (gameOver && followed)
        SetupDriver(kPlayerSlot, *followed);

    // 11. Track direction and the player's distance beyond the road.
    if (player) {
        const D3DXVECTOR3 at = player->GetPosition();
        float centre = kRoadSearchRadius;
        float left = kRoadSearchRadius;
        float right = kRoadSearchRadius;
        if (centrePath)
            trackDirection = centrePath->FindNearestLine(at, centre, 1, centreLineHint);
        if (leftPath)
            leftPath->FindNearestLine(at, left, 1, leftLineHint);
        if (rightPath)
            rightPath->FindNearestLine(at, right, 1, rightLineHint);
        const float c = std::fabs(centre);
        const float a = std::fabs(left);
        const float r = std::fabs(right);
        const bool sameSide = Sign(left) == Sign(right);
        if (c > a && r > c && c + a > r - a && sameSide)
            roadEdgeDistance = a;
        else if (c > r && a > c && c + r > a - r && sameSide)
            roadEdgeDistance = r;
        else
            roadEdgeDistance = 0.0f;
    }

    // 12. Gates.
    if (!singleMode && player && !gameOver) {
        const D3DXVECTOR3 at = player->GetPosition();
        for (size_t i = 0; i < gates.size(); ++i) {
            const CPLevelGate& gate = gates[i];
            const int32_t index = static_cast<int32_t>(i);
            if (index == currentGate || !gate.object || !gate.object->GetObjectBounds().Contains(at))
                continue;
            gatesPassed += 1;
            std::string bonusText;
            if (data)
                bonusText = data->m_texts["bonus_time"];
            const float left = std::trunc(gateCountdown * 10.0f) * 0.1f;
            char text[512];
            std::snprintf(text, sizeof(text), "time,%s,%f", bonusText.c_str(), static_cast<double>(left));
            if (gateCountdown > 0.0f)
                Send("game_interface", "bonus_points", text);
            gateCountdown = gate.time;
            std::snprintf(text, sizeof(text), "checkpoint!,%d", currentGate != -1 ? 1 : 0);
            const int32_t gateCount = static_cast<int32_t>(gates.size());
            if (!(data && data->m_currentLap == 3 && gatesPassed == gateCount + 1))
                Send("game_interface", "checkpoint", text);
            currentGate = index;
            if (gatesPassed > gateCount)
                gatesPassed = 1;
            break;
        }
    }

    // 13. Camera placement and update.
    if (followed) {
        const D3DXVECTOR3 forward = Forward(*followed);
        if (camera && cameraMode != 0 && cameraMode != 1) {
            const D3DXVECTOR3 up = Rotate(followed->GetRotation(), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
            const D3DXVECTOR3 eye = frame.position + forward * camera3Distance + up * camera3Height;
            camera->SetFixedView(eye, eye + forward, up);
            camera->SetHeading(frame.heading);
        }
        followedForward = forward;
        playerHeading = frame.heading;
    }
    if (camera)
        camera->Update();

    CPRender* render = GetRender();
    CPSmartPtr<CPRenderQueue> queue = render ? render->GetRenderQueue() : nullptr;

    // 14. The minimap.
    if (miniMap && followed) {
        const float angle = cameraMode == 0 || cameraMode == 1 ? (camera ? camera->GetYaw() : 0.0f) : playerHeading;
        miniMap->UpdatePosition(followed->GetPosition(), angle);
        if (queue)
            queue->AddRenderable(miniMap.Get());
    }

    // 15. The time-mode ghost.
    if (timeMode)
        UpdateGhost(*this, data, queue);

    // 16. Terrain.
    if (queue && g_CfgPlane != 0.0f && ground)
        queue->AddObject(ground);

    // 17. Vehicles.
    CPPerspectiveCamera* mainCamera = camera ? camera->mainCamera.Get() : nullptr;
    if (queue) {
        for (const CPSmartPtr<CPPlayer>& vehicle : vehicles) {
            if (vehicle)
                vehicle->Draw(*queue, camera);
        }
        if (player && !demo)
            player->Draw(*queue, camera);
    }

    // 18. Static geometry.
    if (g_CfgQuadLevels != 0) {
        if (quadTree && mainCamera)
            quadTree->Draw(*mainCamera);
    } else if (tree) {
        tree->Draw(mainCamera);
    }
}
