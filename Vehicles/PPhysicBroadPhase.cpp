#include "Vehicles/PPhysicBroadPhase.h"

#include "Vehicles/PPhysicAllocator.h"
#include "Vehicles/PPhysicBodyHeader.h"

namespace
{
// Puts an endpoint on the axis before the first one with a larger value.
void InsertInOrder(CPPhysicList<CPPhysicEndpoint>& used, CPPhysicEndpoint* endpoint)
{
    CPPhysicEndpoint* after = used.m_tail;
    while (after && after->m_value > endpoint->m_value)
        after = after->m_prev;
    if (!after) {
        used.PushHead(endpoint);
        return;
    }
    endpoint->m_prev = after;
    endpoint->m_next = after->m_next;
    if (after->m_next)
        after->m_next->m_prev = endpoint;
    else
        used.m_tail = endpoint;
    after->m_next = endpoint;
    ++used.m_count;
}

void FreeEndpoint(CPPhysicEndpointAxis& axis, CPPhysicEndpoint*& endpoint)
{
    if (!endpoint)
        return;
    axis.m_used.Unlink(endpoint);
    endpoint->m_body = nullptr;
    axis.m_free.PushHead(endpoint);
    endpoint = nullptr;
}
}

bool CPPhysicBroadPhase::Init(CPPhysicAllocator* allocator, int32_t bodyCount, int32_t particleCount,
                              int32_t pairCount, uint32_t axisMask)
{
    FreeTables();
    m_allocator = allocator;
    m_bodyCount = bodyCount > 0 ? bodyCount : 0;
    m_particleCount = particleCount > 0 ? particleCount : 0;
    m_axisMask = axisMask & kAllAxes;
    const int64_t n = m_bodyCount;
    const int64_t members = n + m_particleCount;

    m_pairTableSize = n * (n - 1) / 2;
    m_pairTable = PhysicAllocArray<uint8_t>(allocator, m_pairTableSize);
    m_particleTableSize = n * m_particleCount;
    m_particleTable = PhysicAllocArray<uint8_t>(allocator, m_particleTableSize);
    m_pendingCapacity = members;
    m_pending = PhysicAllocArray<CPPhysicPendingInsertion>(allocator, members);
    m_membershipCount = members;
    m_memberships = PhysicAllocArray<CPPhysicMembership>(allocator, members);
    m_pairCount = pairCount > 0 ? pairCount : 0;
    m_pairs = PhysicAllocArray<CPPhysicOverlapPair>(allocator, m_pairCount);
    m_endpointCount = 2 * members;
    bool ok = (m_pairTableSize == 0 || m_pairTable) && (m_particleTableSize == 0 || m_particleTable)
           && (members == 0 || (m_pending && m_memberships)) && (m_pairCount == 0 || m_pairs);
    for (int32_t axis = 0; axis < kAxisCount; ++axis) {
        if (!IsAxisSelected(axis) || m_endpointCount == 0)
            continue;
        m_axes[axis].m_endpoints = PhysicAllocArray<CPPhysicEndpoint>(allocator, m_endpointCount);
        ok = ok && m_axes[axis].m_endpoints;
    }
    if (!ok) {
        FreeTables();
        return false;
    }

    for (int64_t i = 0; i < m_membershipCount; ++i)
        m_freeMembers.PushTail(&m_memberships[i]);
    for (int64_t i = 0; i < m_pairCount; ++i)
        m_freePairs.PushTail(&m_pairs[i]);
    for (CPPhysicEndpointAxis& axis : m_axes) {
        for (int64_t i = 0; axis.m_endpoints && i < m_endpointCount; ++i)
            axis.m_free.PushTail(&axis.m_endpoints[i]);
    }
    m_initialised = true;
    return true;
}

void CPPhysicBroadPhase::FreeTables()
{
    PhysicFreeArray(m_allocator, m_pairTable, m_pairTableSize);
    PhysicFreeArray(m_allocator, m_particleTable, m_particleTableSize);
    PhysicFreeArray(m_allocator, m_pending, m_pendingCapacity);
    PhysicFreeArray(m_allocator, m_memberships, m_membershipCount);
    PhysicFreeArray(m_allocator, m_pairs, m_pairCount);
    for (CPPhysicEndpointAxis& axis : m_axes) {
        PhysicFreeArray(m_allocator, axis.m_endpoints, m_endpointCount);
        axis = CPPhysicEndpointAxis();
    }
    m_pairTable = m_particleTable = nullptr;
    m_pairTableSize = m_particleTableSize = 0;
    m_pending = nullptr;
    m_pendingCount = 0;
    m_pendingCapacity = 0;
    m_memberships = nullptr;
    m_membershipCount = 0;
    m_usedMembers = m_freeMembers = CPPhysicList<CPPhysicMembership>();
    m_pairs = nullptr;
    m_pairCount = 0;
    m_usedPairs = m_freePairs = CPPhysicList<CPPhysicOverlapPair>();
    m_endpointCount = 0;
    m_initialised = false;
}

void CPPhysicBroadPhase::Insert(CPPhysicBodyHeader* body, void* value)
{
    if (!body || body->m_membership || m_freeMembers.IsEmpty())
        return;
    if (body->m_registration == CPPhysicBodyHeader::kNeverRegistered && m_pendingCount < m_pendingCapacity)
        m_pending[m_pendingCount++] = CPPhysicPendingInsertion{ body, value };
    CPPhysicMembership* membership = m_freeMembers.PopHead();
    m_usedMembers.PushHead(membership);
    membership->m_body = body;
    body->m_membership = membership;
    body->m_registration = CPPhysicBodyHeader::kRegistered;
}

void CPPhysicBroadPhase::Remove(CPPhysicBodyHeader* body)
{
    if (!body || !body->m_membership)
        return;
    if (body->m_registration == CPPhysicBodyHeader::kRegistered)
        body->m_registration = CPPhysicBodyHeader::kRemoved;
    for (int32_t axis = 0; axis < kAxisCount; ++axis) {
        if (!IsAxisSelected(axis))
            continue;
        FreeEndpoint(m_axes[axis], body->m_minEndpoints[axis]);
        FreeEndpoint(m_axes[axis], body->m_maxEndpoints[axis]);
    }
    CPPhysicMembership* membership = body->m_membership;
    m_usedMembers.Unlink(membership);
    membership->m_body = nullptr;
    m_freeMembers.PushHead(membership);
    body->m_membership = nullptr;

    CPPhysicOverlapPair* pair = m_usedPairs.m_head;
    while (pair) {
        CPPhysicOverlapPair* next = pair->m_next;
        if (pair->m_body1 == body || pair->m_body2 == body) {
            m_usedPairs.Unlink(pair);
            pair->m_body1 = pair->m_body2 = nullptr;
            m_freePairs.PushHead(pair);
        }
        pair = next;
    }
}

bool CPPhysicBroadPhase::AttachEndpoints(CPPhysicBodyHeader* body)
{
    if (!body || !body->m_membership)
        return false;
    for (int32_t axis = 0; axis < kAxisCount; ++axis) {
        if (IsAxisSelected(axis) && (body->m_minEndpoints[axis] || m_axes[axis].m_free.m_count < 2))
            return false;
    }
    for (int32_t axis = 0; axis < kAxisCount; ++axis) {
        if (!IsAxisSelected(axis))
            continue;
        CPPhysicEndpointAxis& list = m_axes[axis];
        CPPhysicEndpoint* minimum = list.m_free.PopHead();
        CPPhysicEndpoint* maximum = list.m_free.PopHead();
        *minimum = CPPhysicEndpoint{ body->m_worldMin[axis], body, 0, nullptr, nullptr };
        *maximum = CPPhysicEndpoint{ body->m_worldMax[axis], body, 1, nullptr, nullptr };
        InsertInOrder(list.m_used, minimum);
        InsertInOrder(list.m_used, maximum);
        body->m_minEndpoints[axis] = minimum;
        body->m_maxEndpoints[axis] = maximum;
    }
    return true;
}

CPPhysicOverlapPair* CPPhysicBroadPhase::AddPair(CPPhysicBodyHeader* body1, CPPhysicBodyHeader* body2)
{
    CPPhysicOverlapPair* pair = m_freePairs.PopHead();
    if (!pair)
        return nullptr;
    pair->m_body1 = body1;
    pair->m_body2 = body2;
    m_usedPairs.PushHead(pair);
    return pair;
}

uint8_t* CPPhysicBroadPhase::GetPairEntry(int32_t body1, int32_t body2) const
{
    if (body1 == body2 || body1 < 0 || body2 < 0 || body1 >= m_bodyCount || body2 >= m_bodyCount || !m_pairTable)
        return nullptr;
    const int64_t low = body1 < body2 ? body1 : body2;
    const int64_t high = body1 < body2 ? body2 : body1;
    return m_pairTable + high * (high - 1) / 2 + low;
}

uint8_t* CPPhysicBroadPhase::GetParticleEntry(int32_t body, int32_t particle) const
{
    if (body < 0 || particle < 0 || body >= m_bodyCount || particle >= m_particleCount || !m_particleTable)
        return nullptr;
    return m_particleTable + static_cast<int64_t>(body) * m_particleCount + particle;
}
