// The level's queries and race operations: segment and sphere tests, the
// object grid, checkpoints, traffic activation, the backwards test and the
// stop of a race.
#include "Race/PLevel.h"

#include "Core/PObjUpdater.h"
#include "Core/PUtils.h"
#include "Race/PAIVehicle.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Core/PGlobals.h"
#include "Race/PLevelBranch.h"
#include "Race/PMiniMap.h"
#include "Race/PRaceLinks.h"
#include "Race/PSpline.h"
#include "Render/PLayerEntry.h"
#include "Render/PParticleManager.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "Sound/PSoundCache.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayer.h"

#include <cmath>
#include <cstdlib>

namespace
{
constexpr float kNearPlayer = 10.0f;
constexpr float kCellSize = 10.0f;
constexpr float kCellScale = 0.1f;
constexpr size_t kFirstTrafficReset = 5;
constexpr float kResetHeight = 3.0f;
constexpr size_t kCheckpointPrefix = 3;
const char* const kDescriptionSuffix = ".rdf";

// Stops every sound: the cached ones are also rewound.
void StopAllSounds()
{
    if (CNSoundManager* manager = GetSoundManager()) {
        if (CPSoundCache* cache = manager->GetCache()) {
            for (const CPSoundCacheEntry& entry : cache->GetEntries()) {
                if (entry.sound) {
                    entry.sound->Stop();
                    entry.sound->Rewind();
                }
            }
        }
    }
    for (CNSound* sound : g_SoundList)
        sound->Stop();
}
}

bool CPLevel::CrossPlayerRay(CPRayQuery& query)
{
    return CrossSegment(query, false);
}

bool CPLevel::CrossRay(CPRayQuery& query)
{
    return CrossSegment(query, true);
}

bool CPLevel::CrossSegment(CPRayQuery& query, bool pickPlayer)
{
    bool hit = false;
    if (g_CfgQuadLevels == 0 && tree)
        hit = tree->CrossRay(query);
    if (player) {
        const float half = query.distance * 0.5f;
        const D3DXVECTOR3 middle = query.origin + query.direction * half;
        const D3DXVECTOR3 away = player->GetPosition() - middle;
        const D3DXVECTOR3& d = query.direction;
        const bool near = std::fabs(away.x) <= half * std::fabs(d.x) + kNearPlayer
            && std::fabs(away.y) <= half * std::fabs(d.y) + kNearPlayer
            && std::fabs(d.y * away.x - away.y * d.x) <= (std::fabs(d.y) + std::fabs(d.x)) * kNearPlayer;
        if (near) {
            if (pickPlayer)
                hit = player->RayPick(query) || hit;
            for (const CPSmartPtr<CPGameObject>& object : objects)
                hit = object->RayPick(query) || hit;
        }
    }
    query.hitPoint = query.origin + query.direction * query.distance;
    return hit;
}

bool CPLevel::RayHitsVehicle(CPRayQuery& query)
{
    for (const CPSmartPtr<CPPlayer>& vehicle : vehicles)
        if (vehicle && vehicle->RayPick(query))
            return true;
    return followedVehicle && followedVehicle->RayPick(query);
}

void CPLevel::CollectObjectsNear(const D3DXVECTOR3& centre, float radius, CPGameObject::ObjectList& out)
{
    if (g_CfgQuadLevels == 0 && tree)
        tree->CollectObjectsNear(centre, radius, out);
    if (!player)
        return;
    if (player->GetObjectBounds().SphereTest(centre, radius))
        out.push_back(CPSmartPtr<CPGameObject>(player.Get()));
    const D3DXVECTOR3& at = player->GetPosition();
    if (std::fabs(at.x - centre.x) < radius + kNearPlayer && std::fabs(at.y - centre.y) < radius + kNearPlayer) {
        for (const CPSmartPtr<CPGameObject>& object : objects)
            if (object->GetObjectBounds().SphereTest(centre, radius))
                out.push_back(object);
    }
    if (gridCellsX <= 0 || gridCellsY <= 0 || grid.size() != static_cast<size_t>(gridCellsX) * gridCellsY)
        return;
    const int32_t firstX = std::max(0, TruncateToInt((worldWidth * 0.5f + at.x - kCellSize) * kCellScale));
    const int32_t lastX = std::min(gridCellsX - 1, TruncateToInt((worldWidth * 0.5f + at.x + kCellSize) * kCellScale));
    const int32_t firstY = std::max(0, TruncateToInt((worldDepth * 0.5f + at.y - kCellSize) * kCellScale));
    const int32_t lastY = std::min(gridCellsY - 1, TruncateToInt((worldDepth * 0.5f + at.y + kCellSize) * kCellScale));
    for (int32_t cx = firstX; cx <= lastX; ++cx) {
        for (int32_t cy = firstY; cy <= lastY; ++cy) {
            for (const CPSmartPtr<CPGameObject>& object : grid[static_cast<size_t>(cx) * gridCellsY + cy])
                if (object->GetObjectBounds().SphereTest(centre, radius))
                    out.push_back(object);
        }
    }
}

void CPLevel::AddToGrid(const CPSmartPtr<CPGameObject>& object)
{
    if (!object || gridCellsX <= 0 || gridCellsY <= 0)
        return;
    const D3DXVECTOR3& at = object->GetPosition();
    const float x = worldWidth * 0.5f + at.x;
    const float y = worldDepth * 0.5f + at.y;
    // Outside the world rectangle (or not a number): no cell.
    if (!(x >= 0.0f && x <= worldWidth && y >= 0.0f && y <= worldDepth))
        return;
    const int32_t cx = TruncateToInt(x * kCellScale);
    const int32_t cy = TruncateToInt(y * kCellScale);
    if (cx >= gridCellsX || cy >= gridCellsY)
        return;
    if (grid.size() != static_cast<size_t>(gridCellsX) * gridCellsY)
        grid.assign(static_cast<size_t>(gridCellsX) * gridCellsY, ObjectList());
    grid[static_cast<size_t>(cx) * gridCellsY + cy].push_back(object);
}

void CPLevel::CollectCollisionParts(std::vector<CPBoundingBox>& out)
{
    if (g_CfgQuadLevels != 0 || !tree)
        return;
    for (const CPGameObject::ObjectList* list : { &tree->GetStaticObjects(), &tree->GetDynamicObjects() }) {
        for (const CPSmartPtr<CPGameObject>& object : *list) {
            if (!object->HasCollision())
                continue;
            const std::vector<CPBoundingBox>& parts = object->GetPartBoxes();
            out.insert(out.end(), parts.begin(), parts.end());
        }
    }
}

void CPLevel::AddCheckpoint(const std::string& name, float x, float y, float z, float qx, float qy, float qz,
                            float qw)
{
    size_t cursor = std::min(name.size(), kCheckpointPrefix);
    const size_t digits = cursor;
    while (cursor < name.size() && name[cursor] >= '0' && name[cursor] <= '9')
        ++cursor;
    CPLevelCheckpoint checkpoint;
    checkpoint.indexText = name.substr(digits, cursor - digits);
    checkpoint.index = TruncateToInt(std::atof(checkpoint.indexText.c_str()));
    const std::string model = cursor + 1 < name.size() ? name.substr(cursor + 1) : std::string();
    checkpoint.object = LoadRaceObject(model + kDescriptionSuffix, kLayerSceneBase);
    if (!checkpoint.object)
        return;
    checkpoint.object->SetVisible(false);
    checkpoint.object->SetPosition(D3DXVECTOR3(x, y, z));
    checkpoint.object->SetRotation(D3DXQUATERNION(-qx, -qy, -qz, qw));
    checkpoint.object->UpdateTransform();
    checkpoints.push_back(checkpoint);
}

void CPLevel::ResetVehicleBodies()
{
    if (CPAIVehicleManager* manager = GetAIVehicleManager())
        manager->trafficEnabled = manager->trafficCount == 0 ? 0 : 1;
    trafficActive = 1;
    for (size_t i = kFirstTrafficReset; i < vehicles.size(); ++i) {
        CPPlayer* vehicle = vehicles[i].Get();
        if (!vehicle)
            continue;
        vehicle->SetCollision(true);
        vehicle->SetVisible(true);
        const D3DXVECTOR3 at = vehicle->GetPosition();
        const CPSmartPtr<CPPhysicData>& physics = vehicle->GetPhysicData();
        CPPhysicBody* body = physics ? physics->m_rigidBody : nullptr;
        if (body) {
            const D3DXVECTOR4 zero(0.0f, 0.0f, 0.0f, 0.0f);
            body->SetForceAtPoint(zero, D3DXVECTOR4(at.x, at.y, at.z, 0.0f));
            body->SetTorque(zero);
            body->SetAngularMomentum(zero);
            body->SetVelocity(zero);
        }
        // Moves the detail levels and the physics body with it, marks the
        // transform for update.
        vehicle->SetPosition(D3DXVECTOR3(at.x, at.y, kResetHeight));
        vehicle->UpdateTransform();
        if (body)
            body->SetEnabledFlag(1);
    }
}

void CPLevel::ClearVehicleReset()
{
    trafficActive = 0;
}

bool CPLevel::IsPlayerMovingBackwards() const
{
    constexpr float kTwoPi = 6.2831855f;
    constexpr float kTurn = 6.283f;
    float track = trackDirection + (reversed ? 3.1415927f : 0.0f);
    if (!std::isfinite(track) || !std::isfinite(playerHeading))
        return false;
    track = std::fmod(track, kTwoPi);
    while (track > kTwoPi)
        track -= kTwoPi;
    while (track < 0.0f)
        track += kTwoPi;
    float difference = std::fmod(playerHeading - track, kTurn);
    while (difference > kTurn)
        difference -= kTurn;
    while (difference < 0.0f)
        difference += kTurn;
    return 1.57f < difference && difference < 4.713f;
}

void CPLevel::Stop()
{
    ClearVehicleReset();
    if (sceneObject)
        sceneObject->Deactivate();
    g_ActiveCamera = nullptr;

    centrePath = nullptr;
    leftPath = nullptr;
    rightPath = nullptr;
    centreLineHint = leftLineHint = rightLineHint = nullptr;
    centreLines.clear();
    vehicleLine.clear();
    vehicleProgress.clear();
    for (const CPSmartPtr<CPGameObject>& object : objects)
        object->Deactivate();
    objects.clear();
    raceStarted = 0;

    for (const CPSmartPtr<CPPlayer>& vehicle : vehicles)
        if (vehicle)
            vehicle->Deactivate();
    vehicles.clear();
    if (player)
        player->Deactivate();

    if (CPAIVehicleManager* manager = GetAIVehicleManager()) {
        manager->ClearVehicles();
        manager->Stop();
    }
    if (CPTask* physics = GetPhysicManagerTask())
        physics->Stop();

    if (tree) {
        tree->DeactivateDynamicObjects();
        CPLevelBranch* root = tree.Get();
        tree = nullptr;
        delete root;
    }
    ghostObject = nullptr;
    miniMap = nullptr;
    if (updateTask) {
        updateTask->Stop();
        updateTask->Unbind();
        updateTask = nullptr;
    }

    paused = 1;
    grid.clear();
    gridCellsX = 0;
    gridCellsY = 0;
    followedVehicle = nullptr;
    player = nullptr;

    if (CPParticleManager* particles = GetParticleManager())
        particles->Reset();
    if (CPGameData* gameData = GetGameData())
        gameData->m_levelStarted = 0;
    StopAllSounds();
    if (CPRender* render = GetRender())
        render->ReleaseGeometryBuffers();
}

void BakeObjectTransform(CPSmartPtr<CPGameObject> object, const D3DXMATRIX& matrix)
{
    if (!object)
        return;
    auto bake = [&matrix](CPGameObject& target) {
        if (target.GetKind() != kBodyRenderObject)
            return;
        auto* body = dynamic_cast<CPRenderObject*>(target.GetBody().Get());
        if (!body)
            return;
        for (CPVertex& vertex : body->GetLocalVertices()) {
            D3DXVec3TransformCoord(&vertex.position, &vertex.position, &matrix);
            D3DXVec3TransformNormal(&vertex.normal, &vertex.normal, &matrix);
        }
    };
    bake(*object);
    if (object->GetKind() == kBodyRenderObject) {
        const std::vector<CPDetailLevel>& levels = object->GetDetailLevels();
        for (size_t i = 1; i < levels.size(); ++i)
            if (levels[i].object)
                bake(*levels[i].object);
    }
    for (const CPSmartPtr<CPGameObject>& child : object->GetChildren())
        BakeObjectTransform(child, matrix);
}
