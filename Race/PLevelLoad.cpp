// Level loading: reads the level file and builds everything a race needs
// before it starts: placed objects, gates, checkpoints and enemy sources,
// the three paths, the terrain quad, the road collision and the physics
// world, the static-geometry tree, the chase camera, the minimap, one vehicle
// per opponent start and the player's vehicle.
#include "Race/PLevel.h"

#include "Core/PBounds.h"
#include "Core/PFileReader.h"
#include "Core/PGlobals.h"
#include "Core/PLog.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "Race/PAIVehicle.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevelBranch.h"
#include "Race/PLevelFile.h"
#include "Race/PMiniMap.h"
#include "Race/PRaceLinks.h"
#include "Race/PSpline.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PQuadNode.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCollisionGrid.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tinyxml.h>

namespace
{
// Material layer bases of what the level loads.
constexpr int32_t kLayerPlaced = 20;
constexpr int32_t kLayerLevelScene = 0;
constexpr int32_t kLayerTerrain = 17;
constexpr int32_t kLayerRoad = 19;
constexpr int32_t kActivationOrder = 200;
// Opponents take racer slots 0 to 10; slot 11 is the player's.
constexpr int32_t kMaxOpponents = CPAIVehicleManager::kPlayerSlot;
constexpr float kOpponentLift = 2.0f;
constexpr float kStartCameraDistance = 7.0f;
constexpr float kLookDown = -1.5707964f;
constexpr float kTerrainHeight = -0.6f;
// The detail texture repeats every 5 units.
constexpr float kDetailRepeat = 0.2f;
constexpr float kLightRange = 10000.0f;
constexpr float kLightColour = 0.99609375f;
constexpr D3DCOLOR kAmbientColour = 0xff7f7f7f;
constexpr float kAmbientLevel = 0.5f;
constexpr float kShadowPlaneHeight = 0.5f;
constexpr float kQuadTreeHalfHeight = 100.0f;
constexpr float kGridCellScale = 0.1f;
constexpr uint8_t kBlurAlphaNormal = 255;

const char* const kDescriptionSuffix = ".rdf";
const char* const kOpponentSuffix = "_enemy.rdf";
const char* const kGhostSuffix = "_.rdf";
const char* const kLeftPost = "stolb_start_left.rdf";
const char* const kRightPost = "stolb_start_right.rdf";
const char* const kGateDescriptions[] = { "checkpoint.rdf", "checkpoint_a.rdf" };
const char* const kCentrePathName = "c_path";
const char* const kLeftPathName = "left";
const char* const kRightPathName = "right";
const char* const kTerrainDescription = "land.rdf";
const char* const kTerrainEffect = "terrain2.fx";
const char* const kRoadFormat = "road_phys%d.rdf";
const char* const kLevelNamePrefix = "level";
const char* const kIdleAnimation = "idle";

// World extent and opponent model by level index 0 to 12.
const float kWorldSizes[] = { 1000.0f, 1000.0f, 1150.0f, 1200.0f, 3800.0f };
const char* const kOpponentModels[] = { "", "rallye", "sprinter", "racer", "falcon" };

float WorldSize(int32_t levelIndex)
{
    return levelIndex <= 0 ? kWorldSizes[0] : kWorldSizes[1 + (levelIndex - 1) % 4];
}

const char* OpponentModel(int32_t levelIndex)
{
    return levelIndex <= 0 ? kOpponentModels[0] : kOpponentModels[1 + (levelIndex - 1) / 3];
}

int32_t LevelIndexOf(const std::string& name)
{
    for (int32_t index = 1; index <= CPGameData::kLevelCount; ++index)
        if (name == kLevelNamePrefix + std::to_string(index))
            return index;
    return 0;
}

float Random()
{
    return static_cast<float>(crt::rand()) / static_cast<float>(crt::kRandMax);
}

struct OpponentStart
{
    std::string baseName;
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation;
};

// A double attribute into a float target; missing or not a number leaves it.
void ReadAttribute(const TiXmlElement* element, const char* name, float& target)
{
    double value;
    if (element && element->QueryDoubleAttribute(name, &value) == TIXML_SUCCESS)
        target = static_cast<float>(value);
}

void ReadLimit(const TiXmlElement* element, const char* name, int32_t& target)
{
    double value;
    if (element && element->QueryDoubleAttribute(name, &value) == TIXML_SUCCESS)
        target = TruncateToInt(value);
}

// Sets the chase camera's pitch from an "angle" attribute in degrees.
void ReadPitch(const TiXmlElement* element, CPCamera* camera)
{
    double value;
    if (camera && element && element->QueryDoubleAttribute("angle", &value) == TIXML_SUCCESS)
        camera->SetPitch(static_cast<float>(value) * kDegreesToRadians);
}

void ReadOpponentCamera(CPLevel& level, CPPlayer& vehicle)
{
    const TiXmlElement* camera = vehicle.GetDescription().FirstChildElement("camera");
    ReadAttribute(camera, "distance", level.camera2Distance);
    ReadAttribute(camera, "height", level.camera2Height);
    ReadAttribute(camera, "angle", level.camera2Angle);
    ReadLimit(camera, "min", vehicle.limitMin);
    ReadLimit(camera, "max", vehicle.limitMax);
}

// The player's camera settings: element, attribute, level field.
struct CameraKey
{
    const char* element;
    const char* attribute;
    float CPLevel::*target;
};

const CameraKey kPlayerCameraKeys[] = {
    { "camera", "distance", &CPLevel::camera1Distance },
    { "camera", "height", &CPLevel::camera1Height },
    { "camera", "angle", &CPLevel::camera1Angle },
    { "camera", "angle_div", &CPLevel::camera1AngleDiv },
    { "camera", "distance_div", &CPLevel::camera1DistanceDiv },
    { "camera", "blur", &CPLevel::camera1Blur },
    { "camera", "fov", &CPLevel::fov1 },
    { "camera2", "distance", &CPLevel::camera2Distance },
    { "camera2", "height", &CPLevel::camera2Height },
    { "camera2", "angle", &CPLevel::camera2Angle },
    { "camera2", "angle_div", &CPLevel::camera2AngleDiv },
    { "camera2", "distance_div", &CPLevel::camera2DistanceDiv },
    { "camera2", "blur", &CPLevel::camera2Blur },
    { "camera2", "fov", &CPLevel::fov2 },
    { "camera3", "distance", &CPLevel::camera3Distance },
    { "camera3", "height", &CPLevel::camera3Height },
    { "camera3", "blur", &CPLevel::camera3Blur },
};

// The angle of "camera" and of "camera2" also sets the chase camera's pitch.
const char* const kPitchElements[] = { "camera", "camera2" };

void ReadPlayerCameras(CPLevel& level, CPPlayer& vehicle)
{
    const TiXmlDocument& description = vehicle.GetDescription();
    for (const CameraKey& key : kPlayerCameraKeys)
        ReadAttribute(description.FirstChildElement(key.element), key.attribute, level.*key.target);
    for (const char* element : kPitchElements)
        ReadPitch(description.FirstChildElement(element), level.camera.Get());
}

CPLine* CurrentLine(const CPSmartPtr<CPSpline>& path)
{
    return path ? path->GetCurrentLine() : nullptr;
}

// The slot follows each path the level has; a missing path leaves its line.
void SetSlotPaths(const CPLevel& level, int32_t slot)
{
    CPAIVehicleManager* manager = GetAIVehicleManager();
    if (!manager)
        return;
    if (level.centrePath)
        manager->SetVehiclePath(slot, AI_Vehicle::kCentrePath, CurrentLine(level.centrePath));
    if (level.leftPath)
        manager->SetVehiclePath(slot, AI_Vehicle::kLeftPath, CurrentLine(level.leftPath));
    if (level.rightPath)
        manager->SetVehiclePath(slot, AI_Vehicle::kRightPath, CurrentLine(level.rightPath));
}

// Into the physics manager's world as a race car.
void RegisterCar(const CPSmartPtr<CPPlayer>& vehicle, uint8_t playerCar)
{
    CPPhysicManager* physics = GetPhysicManager();
    if (!physics)
        return;
    physics->ActivateObject(vehicle.Get());
    physics->AddObject(vehicle.Get(), 1, 1);
    physics->AddCar(vehicle.Get(), playerCar);
}

CPRenderObject* RenderBody(const CPSmartPtr<CPGameObject>& object)
{
    if (!object || object->GetKind() != kBodyRenderObject)
        return nullptr;
    return dynamic_cast<CPRenderObject*>(object->GetBody().Get());
}

void HideChild(const CPSmartPtr<CPGameObject>& object, const char* name)
{
    if (CPSmartPtr<CPGameObject> child = object->FindChild(name))
        child->SetVisible(false);
}

// One vertex of the terrain quad.
CPVertex TerrainVertex(float x, float y, float u1, float v1, float u2, float v2)
{
    CPVertex vertex;
    vertex.position = D3DXVECTOR3(x, y, kTerrainHeight);
    vertex.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    vertex.diffuse = 0xffffffff;
    vertex.specular = 0;
    vertex.u1 = u1;
    vertex.v1 = v1;
    vertex.u2 = u2;
    vertex.v2 = v2;
    return vertex;
}
}

bool CPLevel::Load(const std::string& name, bool singleModeFlag, bool timeModeFlag)
{
    CPGameData* gameData = GetGameData();
    CPRender* render = GetRender();
    CPPhysicManager* physics = GetPhysicManager();

    respawnTimer = 0.0f;
    ghostReplayIndex = 0;
    raceTime = 0.0f;
    ghostSampleTime = 0.0f;
    singleMode = singleModeFlag ? 1 : 0;
    timeMode = timeModeFlag ? 1 : 0;

    if (CPAIVehicleManager* manager = GetAIVehicleManager()) {
        const int32_t wanted = gameData ? gameData->m_trafficCount : 0;
        const int32_t trafficCount = std::clamp(wanted, 0, CPAIVehicleManager::kMaxTrafficSlots);
        if (wanted > trafficCount)
            GetLog().Print(0, "traffic count %d is more than %d: %d traffic slots made\n", wanted, trafficCount,
                           trafficCount);
        manager->trafficCount = trafficCount;
        if (trafficCount == 0)
            manager->trafficEnabled = 0;
        manager->ClearVehicles();
        for (int32_t i = 0; i < CPAIVehicleManager::kRacerSlots; ++i)
            manager->racers.emplace_back(new AI_Vehicle());
        for (int32_t i = 0; i < trafficCount; ++i)
            manager->traffic.emplace_back(new AI_Vehicle());
    }

    crt::srand(timeGetTime());
    levelIndex = LevelIndexOf(name);

    // Time mode races against the ghost of the level's best lap; a level
    // without an index has no record and so no ghost.
    if (timeMode && levelIndex > 0 && gameData) {
        const std::string& ghostModel = gameData->m_levelRecords[static_cast<size_t>(levelIndex - 1)].ghostModel;
        if (!ghostModel.empty())
            ghostObject = LoadRaceObject(ghostModel + kGhostSuffix, kLayerPlaced);
    }

    if (render)
        render->LoadSky(levelIndex);
    demo = g_CfgRolling != 0 ? 1 : 0;
    crt::srand(timeGetTime());
    timeLimitExpired = 0;

    CPFileReader reader(LevelFilePath(name));
    if (FAILED(reader.Load()))
        return false;

    enemySources.clear();
    if (CPRenderObjectManager* loader = GetRenderObjectManager())
        loader->m_vertexColour = CPRenderObjectManager::kDefaultVertexColour;
    camera = new CPCamera();
    camera->SetDistance(kStartCameraDistance);

    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Ambient = D3DCOLORVALUE{ 0.0f, 0.0f, 0.0f, 0.0f };
    light.Range = kLightRange;

    worldWidth = worldDepth = WorldSize(levelIndex);
    miniMap = new CPMiniMap();
    miniMap->Load(name, worldWidth, worldDepth, 0);

    // The header floats and the start cameras have no use.
    ReadLevelHeader(reader);

    light.Direction = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    light.Diffuse = D3DCOLORVALUE{ kLightColour, kLightColour, kLightColour, 0.0f };
    light.Specular = light.Diffuse;
    if (render) {
        render->SetAmbient(kAmbientColour, kAmbientLevel, kAmbientLevel, kAmbientLevel);
        render->InitRenderStates();
    }
    const D3DXVECTOR4 lightVector(light.Direction.x, light.Direction.y, light.Direction.z, 0.0f);
    const D3DXPLANE shadowPlane(0.0f, 0.0f, -1.0f, kShadowPlaneHeight);
    D3DXMatrixShadow(&g_ShadowMatrix, &lightVector, &shadowPlane);

    gridCellsX = TruncateToInt(worldWidth * kGridCellScale);
    gridCellsY = TruncateToInt(worldDepth * kGridCellScale);
    grid.assign(static_cast<size_t>(gridCellsX) * static_cast<size_t>(gridCellsY), ObjectList());

    // --- Objects ---------------------------------------------------------
    D3DXVECTOR3 playerPosition(0.0f, 0.0f, 0.0f);
    D3DXQUATERNION playerRotation(0.0f, 0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 leftPost(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 rightPost(0.0f, 0.0f, 0.0f);
    std::vector<OpponentStart> opponentStarts;
    CPGameObject::ObjectList staticGeometry;

    const int32_t objectCount = reader.ReadInt();
    CPLevelObjectRecord record;
    // The placed objects name a few descriptions many times over.
    CPRenderObjectManager* const objectLoader = GetRenderObjectManager();
    if (objectLoader)
        objectLoader->BeginBatch();
    for (int32_t i = 0; i < objectCount; ++i) {
        if (!ReadLevelObject(reader, record))
            break;
        std::string baseName = StripTrailingDigits(record.name);
        CPLevelObjectKind kind = ClassifyLevelObject(baseName);
        if (kind == CPLevelObjectKind::Player) {
            playerPosition = record.position;
            playerRotation = record.rotation;
            continue;
        }
        if (kind == CPLevelObjectKind::Opponent) {
            if (!timeMode)
                opponentStarts.push_back({ baseName, record.position, record.rotation });
            continue;
        }
        if (kind == CPLevelObjectKind::Gate) {
            if (singleMode)
                continue;
            baseName = GateBaseName(record.name);
            kind = ClassifyLevelObject(baseName);
            if (kind != CPLevelObjectKind::Checkpoint && kind != CPLevelObjectKind::EnemySource)
                kind = CPLevelObjectKind::Scene;
        }
        if (kind == CPLevelObjectKind::Checkpoint) {
            AddCheckpoint(baseName, record.position.x, record.position.y, record.position.z, record.rotation.x,
                          record.rotation.y, record.rotation.z, record.rotation.w);
            continue;
        }
        if (kind == CPLevelObjectKind::EnemySource) {
            enemySources[baseName.size() > 4 ? baseName.substr(4) : std::string()] = record.position;
            continue;
        }

        const std::string description = baseName + kDescriptionSuffix;
        if (description == kLeftPost) {
            leftPost = record.position;
            continue;
        }
        if (description == kRightPost) {
            rightPost = record.position;
            continue;
        }
        CPSmartPtr<CPGameObject> object = LoadRaceObject(description, kLayerPlaced);
        if (!object)
            continue;
        object->SetShadow(false);
        const D3DXQUATERNION turned(-record.rotation.x, -record.rotation.y, -record.rotation.z, record.rotation.w);
        if (!object->GetPhysicData()) {
            D3DXMATRIX scaling;
            D3DXMatrixScaling(&scaling, record.scale.x, record.scale.y, record.scale.z);
            BakeObjectTransform(object, scaling);
            object->SetPosition(record.position);
            object->SetRotation(turned);
            object->UpdateTransform();
            object->SetStatic(true);
        } else {
            object->SetPosition(record.position);
            object->SetRotation(turned);
            object->UpdateTransform();
            object->SetStatic(true);
            if (object->GetKind() == kBodyAnimatedObject) {
                const float r1 = Random();
                const float r2 = Random();
                CPAnimationRequest request;
                request.name = kIdleAnimation;
                request.speed = (r2 * 0.4f + 1.0f) - 0.2f;
                request.startOffset = r1;
                object->SetAnimation(request, false);
            }
        }
        staticGeometry.push_back(object);
        object->Activate(kActivationOrder);
        object->SetCollision(true);
        objects.push_back(object);
        for (const char* gateDescription : kGateDescriptions) {
            if (description == gateDescription) {
                gates.push_back(CPLevelGate{ object, GateTime(record.name) });
                break;
            }
        }
    }
    if (objectLoader)
        objectLoader->EndBatch();
    gateCountdown = 0.0f;
    currentGate = -1;
    gatesPassed = 0;

    // --- Paths -----------------------------------------------------------
    // A record that breaks off ends the paths: what follows it cannot be
    // found.
    const int32_t pathCount = reader.HasOverrun() ? 0 : reader.ReadInt();
    for (int32_t i = 0; i < pathCount && !reader.HasOverrun(); ++i) {
        // Held plainly: a path that is dropped or replaced is deleted here.
        auto* path = new CPSpline();
        if (!path->Load(reader)) {
            GetLog().Print(0, "cannot read %s: path record %d is cut short or out of range\n",
                           LevelFilePath(name).c_str(), i + 1);
            delete path;
            break;
        }
        CPSmartPtr<CPSpline>* slot = nullptr;
        if (path->GetName() == kCentrePathName)
            slot = &centrePath;
        else if (path->GetName() == kLeftPathName)
            slot = &leftPath;
        else if (path->GetName() == kRightPathName)
            slot = &rightPath;
        if (!slot) {
            delete path;
            continue;
        }
        CPSpline* replaced = slot->Get();
        *slot = path;
        delete replaced;
    }

    sceneObject = LoadRaceObject(name + kDescriptionSuffix, kLayerLevelScene);
    if (g_CfgQuadLevels != 0) {
        DeleteQuadTree(quadTree);
        quadTree = new CPQuadNode();
    } else {
        tree = new CPLevelBranch();
    }

    // --- Terrain and road collision -----------------------------------------
    if (g_CfgPlane != 0.0f) {
        ground = LoadRaceObject(kTerrainDescription, kLayerTerrain);
        if (CPRenderObject* body = RenderBody(ground)) {
            body->SetMaterial(GetRaceMaterial(kLayerTerrain, kTerrainEffect,
                                              { name + "\\color.dds", name + "\\detail1.dds" })
                                  .Get());
            ground->SetPhysicData(nullptr);
            ground->SetVisible(true);
            ground->SetStatic(true);
            const float w = worldWidth;
            const float d = worldDepth;
            const std::vector<CPVertex> quad = {
                TerrainVertex(-w / 2, -d / 2, 0, 0, 0, 0),
                TerrainVertex(w / 2, -d / 2, 1, 0, kDetailRepeat * w, 0),
                TerrainVertex(w / 2, d / 2, 1, 1, kDetailRepeat * w, kDetailRepeat * d),
                TerrainVertex(-w / 2, d / 2, 0, 1, 0, kDetailRepeat * d),
            };
            body->GetLocalVertices() = quad;
            body->GetWorldVertices() = quad;
            body->GetIndices() = { 0, 1, 2, 0, 2, 3 };
            if (physics)
                physics->AddGroundBody(body);
        }
    }

    char roadName[32];
    std::snprintf(roadName, sizeof(roadName), kRoadFormat, levelIndex);
    roadPhysics = LoadRaceObject(roadName, kLayerRoad);
    if (roadPhysics) {
        roadPhysics->SetShadow(false);
        if (!roadPhysics->GetPhysicData()) {
            D3DXMATRIX identity;
            D3DXMatrixScaling(&identity, 1.0f, 1.0f, 1.0f);
            BakeObjectTransform(roadPhysics, identity);
            roadPhysics->SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
            roadPhysics->SetRotation(D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
            roadPhysics->SetPhysicData(nullptr);
            roadPhysics->SetVisible(true);
            roadPhysics->SetStatic(true);
            roadPhysics->UpdateTransform();
        }
    }
    if (physics) {
        if (CPRenderObject* body = RenderBody(roadPhysics))
            physics->GetCollisionGrid().Build(body);
        physics->CreateWorld(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
    }

    // --- Vehicles ----------------------------------------------------------
    if (gameData)
        playerModel = *gameData->GetPlayerName();

    const std::string opponentModel = singleMode ? playerModel : std::string(OpponentModel(levelIndex));
    for (const OpponentStart& start : opponentStarts) {
        const int32_t slot = static_cast<int32_t>(vehicles.size());
        if (slot >= kMaxOpponents)
            break;
        CPSmartPtr<CPGameObject> loaded = LoadRaceObject(opponentModel + kOpponentSuffix, kLayerPlaced);
        if (!loaded)
            continue;
        const std::string modelName = opponentModel + std::to_string(slot + 1);
        vehicleModels.push_back(modelName);
        CPSmartPtr<CPPlayer> vehicle(new CPPlayer());
        vehicle->CopyFrom(loaded);
        vehicle->SetModelName(modelName);
        vehicle->SetPosition(start.position + D3DXVECTOR3(0.0f, 0.0f, kOpponentLift));
        vehicle->SetRotation(start.rotation);
        vehicle->UpdateTransform();
        vehicle->Activate(kActivationOrder);
        RegisterCar(vehicle, 0);
        vehicle->SetVisible(true);
        vehicle->CreateShadow();
        vehicles.push_back(vehicle);
        ReadOpponentCamera(*this, *vehicle);
        SetSlotPaths(*this, slot);
    }

    recordModel = playerModel;
    CPSmartPtr<CPGameObject> loaded =
        LoadRaceObject(playerModel + (demo ? kOpponentSuffix : kDescriptionSuffix), kLayerPlaced);
    if (!loaded)
        return false;
    if (playerModel == "scout") {
        HideChild(loaded, "light");
    } else if (playerModel == "tourer_suv") {
        HideChild(loaded, "halo");
        HideChild(loaded, "halo_blend");
    }
    player = new CPPlayer();
    player->CopyFrom(loaded);
    player->SetModelName(playerModel);
    player->Activate(kActivationOrder);
    player->SetPosition(playerPosition);
    player->SetRotation(playerRotation);
    player->UpdateTransform();
    player->SetVisible(true);
    if (demo) {
        vehicleModels.push_back(playerModel);
        vehicles.push_back(player);
    }

    camera->SetPitch(kLookDown);
    ReadPlayerCameras(*this, *player);
    camera->SetHeading(VehicleHeading(*player));
    RegisterCar(player, 1);
    SetCameraView(0);
    camera->SetDistance(cameraDistance);
    player->CreateShadow();

    // --- Common tail -----------------------------------------------------------
    followedVehicle = player.Get();
    if (gameData) {
        player->SetVehicleType(static_cast<uint32_t>(gameData->GetPlayerType()));
        gameData->SetLapTime(0.0f);
        gameData->SetCurrentLap(1);
    }
    centreLineHint = CurrentLine(centrePath);
    leftLineHint = CurrentLine(leftPath);
    rightLineHint = CurrentLine(rightPath);
    startLineVector = leftPost - rightPost;
    startLineCentre = (leftPost + rightPost) * 0.5f;
    if (render) {
        render->SetMotionBlur(0.0f);
        render->SetBlurAlpha(kBlurAlphaNormal);
    }
    for (CPSpline* path : { centrePath.Get(), leftPath.Get(), rightPath.Get() })
        if (path)
            path->DropToGround();

    CPDynamicIVBuffer* staticBuffer = nullptr;
    if (g_CfgStatic != 0 && render) {
        if (CPSmartPtr<CPRenderQueue> queue = render->GetStaticRenderQueue())
            staticBuffer = queue->GetDynamicBuffer().Get();
    }
    if (staticBuffer)
        staticBuffer->Lock(0, 0, true, -1);
    if (quadTree) {
        const float half = 0.5f * std::max(worldWidth, worldDepth);
        quadTree->SetBounds(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(half, half, kQuadTreeHalfHeight));
        quadTree->Build(staticGeometry, 0);
    } else if (tree) {
        tree->AddObjects(staticGeometry);
        tree->Build(0);
        camera->SetLevelTree(tree);
    }
    if (staticBuffer)
        staticBuffer->Unlock(true);

    player->m_arrows = 1;
    SetSlotPaths(*this, CPAIVehicleManager::kPlayerSlot);
    return true;
}
