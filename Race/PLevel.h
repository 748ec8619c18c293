// The level: one loaded race track and the race played on it. It owns the
// placed scene objects, the three paths, the terrain, the road collision
// object, the static-geometry tree, the chase camera, the minimap and every
// vehicle, and holds the whole state of the race (clocks, time limit,
// places, gates, ghost, camera views). One level exists at a time, reached
// through GetLevel: the constructor publishes it and the destructor clears
// it. Scripts create it, load it, start it, stop it and delete it in turn.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3D9.h"
#include "Platform/D3DX9Math.h"
#include "Race/PRaceRecords.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CPCamera;
class CPLevelBranch;
class CPLine;
class CPMiniMap;
class CPObjUpdater;
class CPPlayer;
class CPQuadNode;
class CPSpline;

// A checkpoint gate and the seconds it grants.
struct CPLevelGate
{
    CPSmartPtr<CPGameObject> object;
    float time = 0.0f;
};

// A mission checkpoint of the level file ("chk<index>_<model>").
struct CPLevelCheckpoint
{
    std::string indexText;
    int32_t index = 0;
    CPSmartPtr<CPGameObject> object;
};

class CPLevel
{
public:
    using ObjectList = std::list<CPSmartPtr<CPGameObject>>;

    // Publishes the level, then sets the defaults.
    CPLevel();
    // Drops everything the level holds, stops its update task and frees its
    // grid; clears the singleton when it still points here.
    virtual ~CPLevel();
    CPLevel(const CPLevel&) = delete;
    CPLevel& operator=(const CPLevel&) = delete;

    // "CPLevel".
    virtual std::string GetTypeName() const;

    // Reads "Data\Levels\<name>.lvl" and builds the race on it: the placed
    // objects, gates, checkpoints and enemy sources, the paths, the terrain,
    // the road collision and physics world, the tree, the camera, the
    // minimap, the opponents and the player. False when the file cannot be
    // read or the player's vehicle cannot be built; true otherwise.
    bool Load(const std::string& name, bool singleMode, bool timeMode);
    // Makes view 0, 1 or 2 the active one (presets, the camera's fixed-view
    // flag, the blur centre, the heading and the engine volume); any other
    // value only stores the view number.
    void SetCameraView(int32_t view);
    // Adds the level's light to the renderer's lights while it holds fewer
    // than 30.
    void SubmitLight();
    // A new reference to the chase camera, null when unset.
    CPSmartPtr<CPCamera> GetCamera() const;
    // Each a new reference, null when the path is missing.
    CPSmartPtr<CPSpline> GetSpline() const;
    CPSmartPtr<CPSpline> GetLeftPath() const;
    CPSmartPtr<CPSpline> GetRightPath() const;

    // --- Queries and race operations ---------------------------------------

    // Segment tests against the tree, and near the player against the
    // level's objects; the hit point is always written. CrossRay also picks
    // the player's vehicle.
    bool CrossPlayerRay(CPRayQuery& query);
    bool CrossRay(CPRayQuery& query);
    // The computer vehicles in order, then the followed vehicle.
    bool RayHitsVehicle(CPRayQuery& query);
    // Appends (with a reference each, possibly repeated) the objects near
    // the point: tree, player, the level's objects near the player, and the
    // grid cells around the player.
    void CollectObjectsNear(const D3DXVECTOR3& centre, float radius, CPGameObject::ObjectList& out);
    // Files the object in the grid cell of its position; positions outside
    // the world rectangle are ignored.
    void AddToGrid(const CPSmartPtr<CPGameObject>& object);
    // The part boxes of the tree root's objects that have collision.
    void CollectCollisionParts(std::vector<CPBoundingBox>& out);
    // Loads "<model>.rdf" for an object named "chk<digits><any><model>" and
    // appends it, hidden and placed, to the checkpoints.
    void AddCheckpoint(const std::string& name, float x, float y, float z, float qx, float qy, float qz, float qw);
    // Turns the traffic on and puts the vehicles from the sixth on back onto
    // their spots, visible and at rest.
    void ResetVehicleBodies();
    void ClearVehicleReset();
    // True when the followed heading points against the track.
    bool IsPlayerMovingBackwards() const;
    // Ends the race and takes the level apart, leaving an empty level.
    void Stop();
    // The player's weapon step toward the point (and the object aimed at);
    // nothing without a player.
    void SetPlayerWeaponPos(const D3DXVECTOR3& position, const CPSmartPtr<CPGameObject>& object);

    // --- Starting the race and showing checkpoints -------------------------

    // Resets the race state and puts the computer vehicles, the physics and
    // the race update to work (orders 100, 400 and 500); safe on a stopped
    // level.
    void StartLevelTasks();
    // Shows the checkpoint at the cursor and points the minimap at it, or
    // clears the minimap's target when the level has no checkpoints. Nothing
    // before the level has been started.
    void ShowCheckPoint();

    // --- Race update ---------------------------------------------------------

    // One frame of the race: result and places, gate countdown, attract-mode
    // cuts, clocks and time limit, the player's fixed steps, camera and
    // listener, the other vehicles, road edge, gates, minimap, ghost and the
    // render queue. Reports through commands only.
    void Update();
    // levelIndex; the argument is not used.
    int32_t GetLevelIndex(int32_t unused) const;
    // Builds the ring of centre lines and every vehicle's starting line.
    void InitTrackProgress();
    // UpdateLaps, then the lap and race clocks while the race runs.
    void UpdateRaceClock();
    // Follows every counted vehicle along the ring: progress, laps, places
    // and the lap messages.
    void UpdateLaps();
    // The index in centreLines of the line whose centre is nearest the
    // point in the ground plane (the later one on a tie), -1 when none lies
    // within about 316 units.
    int32_t FindNearestCentreLine(const D3DXVECTOR3& position) const;
    // The signed line steps from one ring index to another: a jump of 15 or
    // more either way is taken as crossing the seam.
    int32_t ProgressStep(int32_t from, int32_t to) const;
    // Whether place slot 0, 1 or 2 was taken by the followed vehicle (the
    // slot then holds 10, which an opponent's index may also be).
    bool IsPlayerPlace(int32_t slot) const;

private:
    bool CrossSegment(CPRayQuery& query, bool pickPlayer);

public:
    // --- Fields, in the order the race code knows them ---------------------

    float raceTime = 0.0f;
    float ghostSampleTime = 0.0f;
    int32_t ghostReplayIndex = 0;
    int32_t cameraMode = 0;
    float camera2Angle = 0.0f;
    float camera1Angle = 0.0f;
    float cameraAngle = 0.0f;
    float orbitDirection = 1.0f;
    uint8_t demo = 1;
    std::string playerModel = "truck_130_";
    std::vector<std::string> vehicleModels;
    float clockTime = 0.0f;
    CPSmartPtr<CPSpline> centrePath;
    CPSmartPtr<CPSpline> leftPath;
    CPSmartPtr<CPSpline> rightPath;
    uint8_t timeLimitExpired = 0;
    std::unordered_map<std::string, D3DXVECTOR3> enemySources;
    std::list<CPLevelCheckpoint> checkpoints;
    std::list<CPLevelCheckpoint>::iterator checkpointCursor;
    CPSmartPtr<CPGameObject> currentCheckpoint;
    CPSmartPtr<CPObjUpdater> updateTask;
    CPSmartPtr<CPGameObject> sceneObject;
    CPSmartPtr<CPGameObject> roadPhysics;
    CPSmartPtr<CPGameObject> ground;
    CPSmartPtr<CPLevelBranch> tree;
    CPQuadNode* quadTree = nullptr;
    ObjectList objects;
    // gridCellsX x gridCellsY cells of 10 units, cell (cx, cy) at cx *
    // gridCellsY + cy; empty until filled.
    std::vector<ObjectList> grid;
    CPSmartPtr<CPCamera> camera;
    D3DLIGHT9 light = {};
    float worldWidth = 10.0f;
    float worldDepth = 10.0f;
    float timeLimit = 0.0f;
    float playerSpeed = 0.0f;
    float cameraDistance = 7.0f;
    float cameraHeight = 2.0f;
    float camera2Distance = 7.0f;
    float camera2Height = 2.0f;
    float camera1Distance = 7.0f;
    float camera1Height = 2.0f;
    float camera3Distance = 7.0f;
    float camera3Height = 2.0f;
    float camera2Blur = 0.0f;
    float camera1Blur = 0.0f;
    float camera3Blur = 0.0f;
    float cameraAngleDiv = 0.0f;
    float cameraDistanceDiv = 0.0f;
    float camera2AngleDiv = 0.0f;
    float camera2DistanceDiv = 0.0f;
    float camera1AngleDiv = 0.0f;
    float camera1DistanceDiv = 0.0f;
    int32_t gridCellsX = 0;
    int32_t gridCellsY = 0;
    int32_t levelIndex = 0;
    CPSmartPtr<CPPlayer> player;
    CPPlayer* followedVehicle = nullptr;
    std::vector<CPSmartPtr<CPPlayer>> vehicles;
    uint8_t playerShotRequest = 0;
    float playerHeading = 0.0f;
    D3DXVECTOR3 followedForward;
    int32_t orbitStyle = 0;
    float demoCutTimer = 0.0f;
    CPLine* centreLineHint = nullptr;
    CPLine* leftLineHint = nullptr;
    CPLine* rightLineHint = nullptr;
    uint8_t trafficActive = 1;
    std::vector<CPLine*> centreLines;
    std::vector<int32_t> vehicleLine;
    std::vector<int32_t> vehicleProgress;
    uint8_t raceStarted = 0;
    int32_t playerLine = -1;
    int32_t playerProgress = 0;
    int32_t startLine = -1;
    D3DXVECTOR3 startLineVector;
    D3DXVECTOR3 startLineCentre;
    int32_t firstPlace = -1;
    int32_t secondPlace = -1;
    int32_t thirdPlace = -1;
    uint8_t ended = 0;
    float roadEdgeDistance = 0.0f;
    CPSmartPtr<CPGameObject> ghostObject;
    CPSmartPtr<CPMiniMap> miniMap;
    uint8_t timeMode = 0;
    std::string recordModel;
    std::vector<CPGhostSample> ghostSamples;
    uint8_t singleMode = 0;
    float orbitAngle = 0.0f;
    uint8_t gameOver = 0;
    float trackDirection = 0.0f;
    uint8_t reversed = 0;
    int32_t worstFinishingPlace = 0;
    std::vector<CPLevelGate> gates;
    float gateCountdown = 0.0f;
    int32_t currentGate = -1;
    int32_t gatesPassed = 0;
    float fov1 = 50.0f;
    float fov2 = 50.0f;
    uint8_t paused = 0;
    float respawnTimer = 0.0f;
    float stepAccumulator = 0.0f;
    // Per place slot: set when the followed vehicle took it.
    uint8_t playerPlaces[3] = {};

    // Every race-update task the level has made, the current one included;
    // they live as long as the level, so a stopped task can still leave the
    // task list on its own.
    std::vector<std::unique_ptr<CPObjUpdater>> updaters;
};

// Transforms the vertices (positions and normals) of a render object's body,
// of its later detail levels' bodies and of every descendant's by the matrix.
void BakeObjectTransform(CPSmartPtr<CPGameObject> object, const D3DXMATRIX& matrix);
// The camera heading of a vehicle: the angle of its forward direction (its
// rotation applied to (0, -1, 0)) from the x axis, negative toward -y.
float VehicleHeading(const CPGameObject& vehicle);
