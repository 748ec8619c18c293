#include "Vehicles/PPhysicManager.h"

#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Race/PLevel.h"
#include "Render/PRenderObject.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicAnimatedBody.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicStepper.h"
#include "Vehicles/PPhysicWorld.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>

CPPhysicManager* g_PhysicManager = nullptr;

CPPhysicManager* GetPhysicManager()
{
    return g_PhysicManager;
}

namespace
{
constexpr float kGravity = -9.8f;
// Difficulty from which cars collide with each other and crash.
constexpr int32_t kCarCrashDifficulty = 2;
constexpr int32_t kHardestDifficulty = 3;
constexpr int32_t kRespondAndReport = 3;
constexpr int32_t kPassThrough = 0;
constexpr int32_t kCarGroup = 0;
constexpr float kHalfTurn = 1.5708f;
constexpr float kImpactScale = 0.008f;
constexpr float kWallNormalZ = 0.5f;
constexpr float kWallCrashSpeed = 12.0f;
constexpr float kMinSquaredLength = 1e-6f;

CPPhysicPoolSizes GamePoolSizes()
{
    CPPhysicPoolSizes sizes;
    sizes.rigidBodiesCount = 500;
    sizes.animatedBodiesCount = 1000;
    sizes.rigidParticleCount = 500;
    sizes.constraintSetsCount = 50;
    sizes.overlappedPairsCount = 1500;
    sizes.geometriesCount = 5000;
    sizes.constraintsCount = 150;
    sizes.constraintGroupsCount = 150;
    sizes.constraintBufferSize = 10;
    sizes.sensorsCount = 1000;
    sizes.terrainNodesStart = 200;
    sizes.terrainNodesGrowBy = -1;
    return sizes;
}

void RemoveBodyHandler(CPSmartPtr<CPPhysicData> data)
{
    if (CPPhysicManager* manager = GetPhysicManager())
        manager->RemoveBody(data);
}

D3DXVECTOR3 Flat(const D3DXVECTOR3& v)
{
    return D3DXVECTOR3(v.x, v.y, 0.0f);
}

float Length(const D3DXVECTOR3& v)
{
    const float squared = v.x * v.x + v.y * v.y + v.z * v.z;
    return squared < kMinSquaredLength ? 0.0f : std::sqrt(squared);
}

CPGameObject* ObjectOf(const CPPhysicBodyHeader* body)
{
    if (!body)
        return nullptr;
    void* data = body->GetUserData();
    if (!CPManagedObject::IsLive(data))
        return nullptr;
    return static_cast<CPManagedObject*>(data)->AsGameObject();
}

// The race vehicle of a body and its car; null when either is missing.
CPPlayer* VehicleOf(const CPPhysicBodyHeader* body, CPCar** car)
{
    CPGameObject* object = ObjectOf(body);
    CPPlayer* vehicle = object ? object->AsPlayer() : nullptr;
    *car = vehicle ? vehicle->GetCarPtr() : nullptr;
    return *car ? vehicle : nullptr;
}

void CarAgainstCar(CPPhysicContact& contact)
{
    CPCar* firstCar = nullptr;
    CPCar* secondCar = nullptr;
    CPPlayer* first = VehicleOf(contact.m_body1, &firstCar);
    CPPlayer* second = VehicleOf(contact.m_body2, &secondCar);
    if (!first || !second || g_CfgCamSpeed < kCarCrashDifficulty || firstCar->m_crashed || secondCar->m_crashed)
        return;
    D3DXVECTOR3 apart = Flat(first->GetPosition() - second->GetPosition());
    D3DXVec3Normalize(&apart, &apart);
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &second->GetRotation());
    const D3DXVECTOR3 ahead(0.0f, -1.0f, 0.0f);
    D3DXVECTOR3 forward;
    D3DXVec3TransformCoord(&forward, &ahead, &rotation);
    forward = Flat(forward);
    D3DXVec3Normalize(&forward, &forward);
    const float angle = SafeAcos(D3DXVec3Dot(&apart, &forward));
    // The car whose front faces the other is the one that ran into it.
    if (std::fabs(angle) < kHalfTurn)
        secondCar->SetCrashed(1);
    else
        firstCar->SetCrashed(1);
}

void CarAgainstTerrain(CPPhysicContact& contact)
{
    CPCar* car = nullptr;
    CPPlayer* vehicle = VehicleOf(contact.m_body1, &car);
    if (!vehicle)
        return;
    const D3DXVECTOR4& normal = contact.m_normal;
    if (normal.x != 0.0f || normal.y != 0.0f || normal.z == 0.0f)
        vehicle->m_wallContact = 1;

    if (CPRenderObject* body = dynamic_cast<CPRenderObject*>(vehicle->GetBody().Get())) {
        D3DXVECTOR3 direction = vehicle->GetPosition() - contact.m_point;
        D3DXVec3Normalize(&direction, &direction);
        body->OnImpact(contact.m_point, direction, kImpactScale * Length(contact.m_impact));
    }

    const CPLevel* level = GetLevel();
    if (g_CfgCamSpeed == kHardestDifficulty && level && level->followedVehicle == vehicle
        && std::fabs(normal.z) < kWallNormalZ) {
        const D3DXVECTOR4 velocity = vehicle->GetVelocity();
        if (Length(D3DXVECTOR3(velocity.x, velocity.y, velocity.z)) > kWallCrashSpeed)
            car->SetCrashed(1);
    }
}
}

CPPhysicManager::CPPhysicManager()
{
    CPPhysicData::SetRemoveBodyHandler(RemoveBodyHandler);
}

CPPhysicManager::~CPPhysicManager()
{
    if (m_world && m_stepper)
        m_stepper->ForgetWorld(m_world);
    delete m_world;
    m_world = nullptr;
}

int32_t CPPhysicManager::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPPhysicManager));
}

std::string CPPhysicManager::GetTypeName() const
{
    return "CPPhysicManager";
}

int32_t CPPhysicManager::QueryFlag()
{
    return 0;
}

void CPPhysicManager::Update()
{
    if (m_world && m_stepper)
        m_stepper->Step(m_world, g_FrameTime);
    DisposeRemovals();
}

void CPPhysicManager::DisposeRemovals()
{
    for (const CPPhysicRemoval& removal : m_pendingRemovals) {
        if (m_stepper)
            m_stepper->ForgetBody(static_cast<CPPhysicBodyHeader*>(removal.m_body));
    }
    m_pendingRemovals.clear();
}

void CPPhysicManager::CreateWorld(const D3DXVECTOR3& /*minimum*/, const D3DXVECTOR3& /*maximum*/,
                                  int32_t /*count1*/, int32_t /*count2*/, int32_t /*count3*/)
{
    if (m_world) {
        if (m_stepper)
            m_stepper->ForgetWorld(m_world);
        delete m_world;
        m_world = nullptr;
        // The queued bodies belonged to the old world.
        m_pendingRemovals.clear();
    }
    const CPPhysicPoolSizes sizes = GamePoolSizes();
    const D3DXVECTOR4 gravity(0.0f, 0.0f, kGravity, 0.0f);
    m_world = CPPhysicWorld::Create(&sizes, m_worldAllocator, &gravity);
    if (!m_world)
        return;
    m_world->SetMaterial(1, g_CfgFriction, g_CfgRestitution);
    m_world->SetMaterial(0, g_CfgFriction, g_CfgRestitution);
    m_world->SetCollisionCallback(OnCollision);
    CPPhysicCollisionTable* table = m_world->GetCollisionTable();
    table->Set(kCarGroup, CPPhysicCollisionTable::kTerrainGroup, kRespondAndReport);
    table->Set(kCarGroup, kCarGroup, g_CfgCamSpeed >= kCarCrashDifficulty ? kRespondAndReport : kPassThrough);
    m_world->SetTerrainQueryCallback(QueryTerrainTriangles);
    if (m_stepper)
        m_stepper->PrepareWorld(m_world);
}

void CPPhysicManager::AddObject(CPSmartPtr<CPGameObject> object, uint8_t active, int32_t material)
{
    if (!object || !object->GetPhysicData())
        return;
    CPSmartPtr<CPPhysicData> data = object->GetPhysicData();
    CreateBody(data, object->GetPosition(), object->GetRotation(), active, material);
    if (data->m_animatedBody)
        data->m_animatedBody->SetUserData(object.Get());
    else if (data->m_rigidBody)
        data->m_rigidBody->SetUserData(object.Get());
}

void CPPhysicManager::CreateBody(CPSmartPtr<CPPhysicData> data, const D3DXVECTOR3& position,
                                 const D3DXQUATERNION& rotation, uint8_t active, int32_t material)
{
    if (!data || !m_world)
        return;
    CPPhysicBodyHeader* body = nullptr;
    CPPhysicAnimatedBody* animated = nullptr;
    if (!(data->m_inertia.m_mass >= 0.0f)) {
        animated = m_world->CreateAnimatedBody();
        data->m_animatedBody = animated;
        body = animated;
    } else {
        data->m_rigidBody = data->m_particle ? m_world->CreateRigidParticle() : m_world->CreateRigidBody();
        body = data->m_rigidBody;
    }
    if (!body)
        return;

    for (CPPhysicShapeRecord& shape : data->m_shapes) {
        CPPhysicShape* geometry = body->AddGeometry();
        shape.m_geometry = geometry;
        if (!geometry)
            continue;
        D3DXQUATERNION conjugate(-shape.m_rotation.x, -shape.m_rotation.y, -shape.m_rotation.z, shape.m_rotation.w);
        D3DXQuaternionNormalize(&conjugate, &conjugate);
        D3DXMATRIX transform;
        D3DXMatrixRotationQuaternion(&transform, &conjugate);
        transform._41 = shape.m_position.x;
        transform._42 = shape.m_position.y;
        transform._43 = shape.m_position.z;
        if (shape.m_type == CPPhysicShapeRecord::kTypeBox) {
            geometry->SetBoxSize(shape.m_sizes[0], shape.m_sizes[2], shape.m_sizes[1]);
        } else if (shape.m_type == CPPhysicShapeRecord::kTypeCylinder) {
            geometry->SetCylinder(shape.m_diameter, shape.m_sizes[1]);
        } else {
            continue;
        }
        geometry->SetTransform(transform);
        geometry->SetMaterialIndex(material);
    }
    body->UpdateBoundingInfo();

    if (animated) {
        animated->SetPosition(D3DXVECTOR4(position, 1.0f));
        D3DXQUATERNION unit;
        D3DXQuaternionNormalize(&unit, &rotation);
        animated->SetRotation(unit);
    } else {
        data->m_active = active;
    }
}

void CPPhysicManager::AddCar(CPSmartPtr<CPGameObject> object, uint8_t player)
{
    if (!object)
        return;
    CPCar* car = new CPCar(object.Get());
    object->SetCar(car);
    if (!car->Init(m_world, player)) {
        object->SetCar(nullptr);
        delete car;
        return;
    }
    car->LoadSounds(player);
}

void CPPhysicManager::AddGroundBody(CPSmartPtr<CPRenderObject> body)
{
    m_groundBodies.push_back(body);
}

bool CPPhysicManager::IsActiveObject(const CPGameObject* object) const
{
    return m_activeObjects.count(const_cast<CPGameObject*>(object)) != 0;
}

void CPPhysicManager::ActivateObject(CPSmartPtr<CPGameObject> object)
{
    if (!object || !object->GetPhysicData())
        return;
    m_activeObjects.reserve(m_activeObjects.size() + 1);
    m_activeObjects.insert(object.Get());
    object->GetPhysicData()->m_active = 1;
}

void CPPhysicManager::EraseEntry(CPGameObject* object)
{
    m_activeObjects.erase(object);
}

void CPPhysicManager::RemoveObject(CPSmartPtr<CPGameObject> object)
{
    if (!object || !object->GetPhysicData())
        return;
    CPPhysicData* data = object->GetPhysicData().Get();
    if (IsActiveObject(object.Get()))
        EraseEntry(object.Get());
    data->m_active = 0;
    CPPhysicBodyHeader* body = data->m_rigidBody;
    if (!body)
        body = data->m_animatedBody;
    if (body && body->IsActive() != (data->m_active != 0))
        body->SetActive(false, nullptr);
}

void CPPhysicManager::RemoveBody(CPSmartPtr<CPPhysicData> data)
{
    if (!data)
        return;
    const D3DXVECTOR4 parking(0.0f, 0.0f, m_parkingDepth, 1.0f);
    CPPhysicRemoval removal;
    if (data->m_rigidBody) {
        removal.m_body = data->m_rigidBody;
        m_pendingRemovals.push_back(removal);
        data->m_rigidBody->SetPosition(parking);
        data->m_rigidBody->SetActive(false, nullptr);
        data->m_rigidBody = nullptr;
    } else if (data->m_animatedBody) {
        removal.m_body = data->m_animatedBody;
        m_pendingRemovals.push_back(removal);
        data->m_animatedBody->SetPosition(parking);
        data->m_animatedBody->SetActive(false, nullptr);
        data->m_animatedBody = nullptr;
    }
    m_parkingDepth -= kParkingStep;
    if (m_parkingDepth < kParkingLimit)
        m_parkingDepth = kParkingRestart;
}

void CPPhysicManager::SetCarControls(CPSmartPtr<CPGameObject> object, float throttle, float steering)
{
    if (object && object->GetCarPtr())
        object->GetCarPtr()->SetControls(throttle, steering);
}

void CPPhysicManager::OnCollision(CPPhysicContact* contact)
{
    if (!contact || contact->m_kind1 != CPPhysicContact::kPartnerBody)
        return;
    if (contact->m_kind2 == CPPhysicContact::kPartnerBody)
        CarAgainstCar(*contact);
    else if (contact->m_kind2 == CPPhysicContact::kPartnerTerrain)
        CarAgainstTerrain(*contact);
}

void CPPhysicManager::QueryTerrainTriangles(const D3DXVECTOR4* minimum, const D3DXVECTOR4* maximum,
                                            int32_t** indices, const CPPhysicTerrainTriangle** triangles,
                                            const D3DXVECTOR3** vertices, int32_t* indexCount,
                                            int32_t* triangleCount, CPPhysicBodyHeader* body)
{
    CPPhysicManager* manager = GetPhysicManager();
    CPGameObject* object = ObjectOf(body);
    CPPhysicData* data = object ? object->GetPhysicData().Get() : nullptr;
    if (!manager || !data || !minimum || !maximum)
        return;
    const CPCollisionGrid& grid = manager->m_grid;

    // The cells of the box's corners and centre, then the window of cells
    // one wider each way round them (clamped to the grid), each cell once in
    // the order first met.
    const D3DXVECTOR4& lo = *minimum;
    const D3DXVECTOR4& hi = *maximum;
    const D3DXVECTOR4 samples[5] = {
        lo,
        hi,
        D3DXVECTOR4(lo.x, hi.y, lo.z, 0.0f),
        D3DXVECTOR4(hi.x, lo.y, hi.z, 0.0f),
        D3DXVECTOR4(lo.x + (hi.x - lo.x) * 0.5f, lo.y + (hi.y - lo.y) * 0.5f, lo.z + (hi.z - lo.z) * 0.5f, 0.0f),
    };
    QueryCell sampleCells[5];
    for (int i = 0; i < 5; ++i) {
        const D3DXVECTOR4 cell = grid.CellOf(samples[i]);
        sampleCells[i] = QueryCell{ static_cast<int32_t>(cell.x), static_cast<int32_t>(cell.y) };
    }
    // The same grid and sample cells make the same list: the one the data
    // already holds, as only this query writes it.
    bool same = data->m_terrainQueryStamp == grid.GetStamp();
    for (int i = 0; i < 5 && same; ++i)
        same = data->m_terrainQueryCells[i][0] == sampleCells[i].x
            && data->m_terrainQueryCells[i][1] == sampleCells[i].y;
    if (!same) {
        int32_t lowX = sampleCells[0].x;
        int32_t highX = sampleCells[0].x;
        int32_t lowY = sampleCells[0].y;
        int32_t highY = sampleCells[0].y;
        for (const QueryCell& cell : sampleCells) {
            lowX = std::min(lowX, cell.x);
            highX = std::max(highX, cell.x);
            lowY = std::min(lowY, cell.y);
            highY = std::max(highY, cell.y);
        }
        // Each cell's triangles are copied as the cell is taken, until one
        // does not fit.
        data->m_terrainTriangleCount = 0;
        bool full = false;
        auto take = [&](int32_t x, int32_t y) {
            const CPCollisionCell& list = grid.CellList(x, y);
            if (data->m_terrainTriangleCount + list.m_count >= CPPhysicData::kMaxTerrainTriangles) {
                full = true;
                return;
            }
            std::copy(list.m_triangles.begin(), list.m_triangles.end(),
                      data->m_terrainTriangles + data->m_terrainTriangleCount);
            data->m_terrainTriangleCount += list.m_count;
        };
        // Whether the cell is among the first `count` sample cells, so taken.
        auto sampled = [&](int32_t x, int32_t y, int count) {
            for (int i = 0; i < count; ++i) {
                if (sampleCells[i].x == x && sampleCells[i].y == y)
                    return true;
            }
            return false;
        };
        for (int i = 0; i < 5 && !full; ++i) {
            if (!sampled(sampleCells[i].x, sampleCells[i].y, i))
                take(sampleCells[i].x, sampleCells[i].y);
        }
        // The window clamped to the grid, column by column. The sample cells lie
        // in the grid (CellOf clamps), so the clamped window is never empty and
        // holds exactly the cells the clamped coordinates of the wider window
        // name, each once.
        const int32_t firstX = std::max(lowX - 1, 0);
        const int32_t lastX = std::min(highX + 1, std::max(grid.GetColumnCount() - 1, 0));
        const int32_t firstY = std::max(lowY - 1, 0);
        const int32_t lastY = std::min(highY + 1, std::max(grid.GetRowCount() - 1, 0));
        for (int32_t x = firstX; x <= lastX && !full; ++x) {
            for (int32_t y = firstY; y <= lastY && !full; ++y) {
                if (!sampled(x, y, 5))
                    take(x, y);
            }
        }
        data->m_terrainQueryStamp = grid.GetStamp();
        for (int i = 0; i < 5; ++i) {
            data->m_terrainQueryCells[i][0] = sampleCells[i].x;
            data->m_terrainQueryCells[i][1] = sampleCells[i].y;
        }
    }
    if (indices)
        *indices = data->m_terrainTriangles;
    if (triangles)
        *triangles = grid.GetTriangles();
    if (vertices)
        *vertices = grid.GetVertices();
    if (indexCount)
        *indexCount = data->m_terrainTriangleCount;
    if (triangleCount)
        *triangleCount = grid.GetTriangleCount();
}
