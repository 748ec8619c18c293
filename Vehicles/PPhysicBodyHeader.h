// The part every simulator body shares: rigid bodies and rigid particles
// (CPPhysicBody), which the stepper moves, and animated bodies
// (CPPhysicAnimatedBody), which the game moves. It holds the game's user data,
// the geometries and their bounding record, the line sensors, activation and
// broad-phase registration. Bodies come from the world's pools and stay there
// for the life of the world; the stepper reads and writes the fields directly.
#pragma once

#include "Vehicles/PPhysicShape.h"

#include <cstdint>

class CPPhysicBodyHeader;
class CPPhysicLineSensor;
class CPPhysicWorld;
struct CPPhysicEndpoint;
struct CPPhysicMembership;

// A box in the body's frame that holds every geometry and sensor segment,
// followed by the body's geometry list.
struct CPPhysicBoundingRecord
{
    CPPhysicShape m_box;
    CPPhysicShape* m_geometries = nullptr;
    int32_t m_geometryCount = 0;
    float m_largestRadius = 0.0f;
};

// Bodies that wake together. Nothing in the game makes groups; a stepper may.
struct CPPhysicBodyGroup
{
    CPPhysicBodyHeader** m_members = nullptr;
    int32_t m_count = 0;
};

class CPPhysicBodyHeader
{
public:
    static constexpr int32_t kKindAnimated = 0;
    static constexpr int32_t kKindRigid = 1;

    // Broad-phase registration states.
    static constexpr int32_t kNeverRegistered = 0;
    static constexpr int32_t kRegistered = 1;
    static constexpr int32_t kRemoved = 2;

    CPPhysicBodyHeader() = default;
    CPPhysicBodyHeader(const CPPhysicBodyHeader&) = delete;
    CPPhysicBodyHeader& operator=(const CPPhysicBodyHeader&) = delete;

    // A new geometry (a unit box) at the end of the body's list, or null when
    // the world has none left. An active body gets registered in the broad
    // phase with its first geometry.
    CPPhysicShape* AddGeometry();
    // A new line sensor at the end of the body's list, or null.
    CPPhysicLineSensor* AddSensor();
    // Refits the bounding record and the box matrix to the geometries and the
    // sensor segments. Call it once a body's geometries and sensors are set.
    void UpdateBoundingInfo();
    // Moves the body between the active and inactive lists of its kind, out
    // of the broad phase when deactivated and back in (with `value`) when it
    // is activated with geometries. Asking for the current state does nothing.
    void SetActive(bool active, void* value);
    bool IsActive() const { return m_active != 0; }
    void SetUserData(void* data) { m_userData = data; }
    void* GetUserData() const { return m_userData; }
    // Velocity of the point at `offset` from the body's position:
    // v + (angular velocity x offset), w taken from v. Zero for an animated body.
    D3DXVECTOR4* GetVelocityAtPoint(D3DXVECTOR4* out, const D3DXVECTOR4& offset) const;

    // Back to creation state for a kind: active, no group, no geometries,
    // sensors or broad-phase membership, a unit box as bounding record. The
    // world, the index and the list links are left to the caller.
    void ResetHeader(int32_t kind);
    // Largest geometry radius, and the bounding record from the geometries:
    // a lone box is copied as it stands, anything else gets the axis-aligned
    // box around every geometry's bounds.
    void ComputeGeometryBounds();

    CPPhysicBodyHeader* m_self = nullptr;
    // The game's: its CPGameObject.
    void* m_userData = nullptr;
    CPPhysicBoundingRecord m_bounds;
    // Unique in the world across the three body pools.
    int32_t m_index = 0;
    CPPhysicBodyGroup* m_group = nullptr;
    int32_t m_kind = kKindRigid;
    int32_t m_active = 1;
    CPPhysicLineSensor* m_sensors = nullptr;
    CPPhysicMembership* m_membership = nullptr;
    CPPhysicWorld* m_world = nullptr;
    // Rows 0 to 2: the bounding record's axes scaled by its half sizes;
    // row 3: its centre.
    D3DXMATRIX m_boxMatrix;
    // World-axis bounds and, per axis, the body's broad-phase endpoints.
    D3DXVECTOR3 m_worldMin;
    D3DXVECTOR3 m_worldMax;
    CPPhysicEndpoint* m_maxEndpoints[3] = {};
    CPPhysicEndpoint* m_minEndpoints[3] = {};
    int32_t m_registration = kNeverRegistered;

    // The world's body lists (or the pool's free list) and the pool's byte.
    CPPhysicBodyHeader* m_prev = nullptr;
    CPPhysicBodyHeader* m_next = nullptr;
    uint8_t m_inUse = 0;
};
