// The registry through which the stepper finds candidate pairs of bodies. A
// registered body holds a membership record and, once the stepper has placed
// it, a minimum and a maximum endpoint on each selected axis. New bodies are
// queued for the stepper once, on their first registration; the membership
// records, not the queue, say which bodies are registered. Tables of pair
// and body-particle entries and the overlapping-pair records are kept for
// the stepper, which decides what goes in them.
#pragma once

#include "Vehicles/PPhysicList.h"

#include <cstdint>

class CPPhysicAllocator;
class CPPhysicBodyHeader;

struct CPPhysicMembership
{
    CPPhysicBodyHeader* m_body = nullptr;
    CPPhysicMembership* m_prev = nullptr;
    CPPhysicMembership* m_next = nullptr;
};

struct CPPhysicEndpoint
{
    float m_value = 0.0f;
    CPPhysicBodyHeader* m_body = nullptr;
    int32_t m_maximum = 0;
    CPPhysicEndpoint* m_prev = nullptr;
    CPPhysicEndpoint* m_next = nullptr;
};

struct CPPhysicOverlapPair
{
    CPPhysicBodyHeader* m_body1 = nullptr;
    CPPhysicBodyHeader* m_body2 = nullptr;
    CPPhysicOverlapPair* m_prev = nullptr;
    CPPhysicOverlapPair* m_next = nullptr;
};

struct CPPhysicPendingInsertion
{
    CPPhysicBodyHeader* m_body = nullptr;
    void* m_value = nullptr;
};

// The endpoints of one axis: those in use, in ascending order, and the free ones.
struct CPPhysicEndpointAxis
{
    CPPhysicEndpoint* m_endpoints = nullptr;
    CPPhysicList<CPPhysicEndpoint> m_used;
    CPPhysicList<CPPhysicEndpoint> m_free;
};

class CPPhysicBroadPhase
{
public:
    static constexpr int32_t kAxisCount = 3;
    static constexpr uint32_t kAllAxes = 7;

    CPPhysicBroadPhase() = default;
    CPPhysicBroadPhase(const CPPhysicBroadPhase&) = delete;
    CPPhysicBroadPhase& operator=(const CPPhysicBroadPhase&) = delete;
    ~CPPhysicBroadPhase() { FreeTables(); }

    // Sizes every table for `bodyCount` bodies (rigid and animated) and
    // `particleCount` rigid particles. False, leaving the registry empty,
    // when any table cannot be had.
    bool Init(CPPhysicAllocator* allocator, int32_t bodyCount, int32_t particleCount, int32_t pairCount,
              uint32_t axisMask);
    bool IsInitialised() const { return m_initialised; }

    // Registers a body that holds no membership record; a body never
    // registered before is also queued with `value`. No effect on a member.
    void Insert(CPPhysicBodyHeader* body, void* value);
    // Takes a member's endpoints out of their axes, frees its membership
    // record and every overlapping-pair record that names it.
    void Remove(CPPhysicBodyHeader* body);

    // For the stepper: places a member's endpoints, in order, at its world
    // bounds. False when the body is not a member or already placed.
    bool AttachEndpoints(CPPhysicBodyHeader* body);
    // For the stepper: a used overlapping-pair record naming both, or null
    // when none is free.
    CPPhysicOverlapPair* AddPair(CPPhysicBodyHeader* body1, CPPhysicBodyHeader* body2);
    // For the stepper: the entry of an unordered pair of distinct body
    // indices below bodyCount, and of a body and a particle (particle index
    // counted from 0). Null outside the tables.
    uint8_t* GetPairEntry(int32_t body1, int32_t body2) const;
    uint8_t* GetParticleEntry(int32_t body, int32_t particle) const;

    bool IsAxisSelected(int32_t axis) const { return (m_axisMask >> axis) & 1u; }

    CPPhysicAllocator* m_allocator = nullptr;
    bool m_initialised = false;
    uint32_t m_axisMask = 0;
    int32_t m_bodyCount = 0;
    int32_t m_particleCount = 0;

    uint8_t* m_pairTable = nullptr;
    int64_t m_pairTableSize = 0;
    uint8_t* m_particleTable = nullptr;
    int64_t m_particleTableSize = 0;

    // Does not grow: every body is queued at most once.
    CPPhysicPendingInsertion* m_pending = nullptr;
    int32_t m_pendingCount = 0;
    int64_t m_pendingCapacity = 0;

    CPPhysicMembership* m_memberships = nullptr;
    int64_t m_membershipCount = 0;
    CPPhysicList<CPPhysicMembership> m_usedMembers;
    CPPhysicList<CPPhysicMembership> m_freeMembers;

    CPPhysicOverlapPair* m_pairs = nullptr;
    int64_t m_pairCount = 0;
    CPPhysicList<CPPhysicOverlapPair> m_usedPairs;
    CPPhysicList<CPPhysicOverlapPair> m_freePairs;

    CPPhysicEndpointAxis m_axes[kAxisCount];
    int64_t m_endpointCount = 0;

private:
    void FreeTables();
};
