#include "Host/PHostPhysics.h"

#include "Core/PGameObject.h"
#include "Host/PHostTerrain.h"
#include "Vehicles/PCollisionGrid.h"
#include "Vehicles/PPhysicAnimatedBody.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicController.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPhysicWorld.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace
{
constexpr int32_t kGroup = 0;
constexpr int32_t kRespondBit = 1;
constexpr int32_t kReportBit = 2;
// Bullet's contact manifolds and pair algorithms come from pools of this
// many entries, and from the heap past them. A race keeps a few dozen; the
// default pools of 4,096 cost milliseconds to make.
constexpr int kPoolEntries = 256;

btDefaultCollisionConstructionInfo PoolSizes()
{
    btDefaultCollisionConstructionInfo info;
    info.m_defaultMaxPersistentManifoldPoolSize = kPoolEntries;
    info.m_defaultMaxCollisionAlgorithmPoolSize = kPoolEntries;
    return info;
}

btVector3 ToBullet(const D3DXVECTOR4& v)
{
    return btVector3(v.x, v.y, v.z);
}

D3DXVECTOR4 FromBullet(const btVector3& v, float w)
{
    return D3DXVECTOR4(v.x(), v.y(), v.z(), w);
}

// Rows 0 to 2 of a row-vector matrix as a Bullet basis (its transpose).
btMatrix3x3 BasisFromRows(const float rows[3][4])
{
    return btMatrix3x3(rows[0][0], rows[1][0], rows[2][0], rows[0][1], rows[1][1], rows[2][1], rows[0][2],
                       rows[1][2], rows[2][2]);
}

btQuaternion UnitQuaternion(const D3DXQUATERNION& q)
{
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(length > 0.0f) || !std::isfinite(length))
        return btQuaternion(0.0f, 0.0f, 0.0f, 1.0f);
    return btQuaternion(q.x / length, q.y / length, q.z / length, q.w / length);
}

// What Bullet keeps for one game body.
struct BodyRecord
{
    CPPhysicBodyHeader* m_source = nullptr;
    btCompoundShape* m_shape = nullptr;
    std::vector<btCollisionShape*> m_children;
    btRigidBody* m_body = nullptr;
    bool m_inWorld = false;
    uint32_t m_seenStep = 0;
    float m_mass = -1.0f;
    btVector3 m_inertia;
};

// Bullet's dynamics world, less a pass whose result goes unused: before
// each step Bullet predicts every moving body's motion for the continuous
// collision test, which only a body with a motion threshold takes, and none
// of ours has one. Without such a body the step only resets the bodies' hit
// fractions there, as Bullet does.
class DynamicsWorld : public btDiscreteDynamicsWorld
{
public:
    using btDiscreteDynamicsWorld::btDiscreteDynamicsWorld;

protected:
    void createPredictiveContacts(btScalar timeStep) override
    {
        for (int i = 0; i < m_nonStaticRigidBodies.size(); ++i) {
            if (m_nonStaticRigidBodies[i]->getCcdSquareMotionThreshold() != btScalar(0.0)) {
                btDiscreteDynamicsWorld::createPredictiveContacts(timeStep);
                return;
            }
        }
        releasePredictiveContacts();
        for (int i = 0; i < m_nonStaticRigidBodies.size(); ++i)
            m_nonStaticRigidBodies[i]->setHitFraction(btScalar(1.0));
    }
};

// The collision table decides which pairs collide at all.
struct TableFilter : public btOverlapFilterCallback
{
    const CPPhysicCollisionTable* m_table = nullptr;
    const btCollisionObject* m_terrain = nullptr;

    bool needBroadphaseCollision(btBroadphaseProxy* a, btBroadphaseProxy* b) const override
    {
        if (!m_table)
            return true;
        const auto* first = static_cast<const btCollisionObject*>(a->m_clientObject);
        const auto* second = static_cast<const btCollisionObject*>(b->m_clientObject);
        if (first == m_terrain || second == m_terrain)
            return (m_table->m_terrain[kGroup] & kRespondBit) != 0;
        return (m_table->m_pairs[kGroup][kGroup] & kRespondBit) != 0;
    }
};
}

// The Bullet world of one game world.
struct CPHostPhysics::Impl
{
    explicit Impl(CPPhysicWorld* source)
        : m_configuration(PoolSizes())
        , m_dispatcher(&m_configuration)
        , m_dynamics(&m_dispatcher, &m_broadphase, &m_solver, &m_configuration)
        , m_source(source)
    {
        m_dynamics.getPairCache()->setOverlapFilterCallback(&m_filter);
        m_filter.m_table = &source->m_collisionTable;
    }

    ~Impl()
    {
        Reset();
    }

    void Reset()
    {
        for (BodyRecord& record : m_records)
            DestroyRecord(record);
        m_records.clear();
        m_index.clear();
        DestroyTerrain();
    }

    void DestroyRecord(BodyRecord& record)
    {
        if (record.m_body) {
            if (record.m_inWorld)
                m_dynamics.removeRigidBody(record.m_body);
            delete record.m_body;
        }
        for (btCollisionShape* child : record.m_children)
            delete child;
        delete record.m_shape;
        record = BodyRecord();
    }

    void DestroyTerrain()
    {
        if (btCollisionObject* terrain = m_terrain.GetObject())
            m_dynamics.removeCollisionObject(terrain);
        m_terrain.Clear();
        m_filter.m_terrain = nullptr;
    }

    // The terrain as the physics manager's grid is now (the empty grid
    // without a manager).
    void SyncTerrain()
    {
        const CPCollisionGrid& grid = GetPhysicManager() ? GetPhysicManager()->GetCollisionGrid() : m_emptyGrid;
        if (m_terrain.IsBuiltFrom(grid))
            return;
        DestroyTerrain();
        m_terrain.Build(grid);
        btCollisionObject* terrain = m_terrain.GetObject();
        if (!terrain)
            return;
        const CPPhysicMaterial* material = m_source->m_materialTable.Get(0);
        if (material) {
            terrain->setFriction(material->m_friction);
            terrain->setRestitution(material->m_restitution);
        }
        m_filter.m_terrain = terrain;
        m_dynamics.addCollisionObject(terrain);
    }

    BodyRecord& RecordOf(CPPhysicBodyHeader* source)
    {
        const auto found = m_index.find(source);
        if (found != m_index.end())
            return m_records[found->second];
        m_index.emplace(source, m_records.size());
        m_records.emplace_back();
        BodyRecord& record = m_records.back();
        record.m_source = source;
        record.m_shape = new btCompoundShape(false);
        for (CPPhysicShape* geometry = source->m_bounds.m_geometries; geometry; geometry = geometry->m_next) {
            btCollisionShape* child = nullptr;
            if (geometry->GetType() == CPPhysicShape::kTypeBox)
                child = new btBoxShape(btVector3(geometry->m_size.x, geometry->m_size.y, geometry->m_size.z));
            else if (geometry->GetType() == CPPhysicShape::kTypeCylinder)
                child = new btCylinderShape(btVector3(geometry->m_size.x, geometry->m_size.z, geometry->m_size.x));
            if (!child)
                continue;
            record.m_children.push_back(child);
            const D3DXMATRIX& m = geometry->m_transform;
            btTransform local(BasisFromRows(m.m), btVector3(m._41, m._42, m._43));
            record.m_shape->addChildShape(local, child);
        }
        btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, record.m_shape);
        record.m_body = new btRigidBody(info);
        record.m_body->setUserPointer(source);
        record.m_body->setActivationState(DISABLE_DEACTIVATION);
        const CPPhysicMaterial* material = nullptr;
        if (source->m_bounds.m_geometries)
            material = m_source->m_materialTable.Get(source->m_bounds.m_geometries->m_materialIndex);
        if (material) {
            record.m_body->setFriction(material->m_friction);
            record.m_body->setRestitution(material->m_restitution);
        }
        if (source->m_kind == CPPhysicBodyHeader::kKindAnimated) {
            record.m_body->setCollisionFlags(record.m_body->getCollisionFlags()
                                             | btCollisionObject::CF_KINEMATIC_OBJECT);
        }
        return record;
    }

    void Leave(BodyRecord& record)
    {
        if (record.m_inWorld) {
            m_dynamics.removeRigidBody(record.m_body);
            record.m_inWorld = false;
        }
    }

    void Enter(BodyRecord& record)
    {
        record.m_seenStep = m_stepCount;
        if (!record.m_inWorld) {
            m_dynamics.addRigidBody(record.m_body);
            record.m_inWorld = true;
        }
    }

    // The game's record of a rigid body into Bullet.
    void SyncIn(CPPhysicBody& source, BodyRecord& record)
    {
        btRigidBody& body = *record.m_body;
        const btVector3 inertia(source.m_inertia.m_rows[0].x, source.m_inertia.m_rows[1].y,
                                source.m_inertia.m_rows[2].z);
        const float mass = source.m_inverseMass > 0.0f ? source.m_mass : 0.0f;
        if (mass != record.m_mass || inertia != record.m_inertia) {
            // Bullet files a body as static or moving when it enters the
            // world: a body that changes between the two enters again.
            if (record.m_inWorld && (mass > 0.0f) != (record.m_mass > 0.0f))
                Leave(record);
            btVector3 local = inertia;
            if (mass > 0.0f && local.isZero())
                record.m_shape->calculateLocalInertia(mass, local);
            body.setMassProps(mass, local);
            body.updateInertiaTensor();
            record.m_mass = mass;
            record.m_inertia = inertia;
        }
        Enter(record);
        const D3DXMATRIX& pose = source.m_pose.m_matrix;
        body.setWorldTransform(btTransform(UnitQuaternion(source.m_pose.m_orientation),
                                           btVector3(pose._41, pose._42, pose._43)));
        body.updateInertiaTensor();
        body.setDamping(source.m_stepperFactor, 0.0f);
        body.setGravity(m_dynamics.getGravity());
        SyncMotionIn(source, body);
    }

    static void SyncMotionIn(const CPPhysicBody& source, btRigidBody& body)
    {
        body.setLinearVelocity(ToBullet(source.m_velocity));
        body.setAngularVelocity(body.getInvInertiaTensorWorld() * ToBullet(source.m_pose.m_angularMomentum));
    }

    // Bullet's motion back into the game's record.
    static void SyncOut(CPPhysicBody& source, const btRigidBody& body)
    {
        const btTransform& transform = body.getWorldTransform();
        const btQuaternion q = transform.getRotation();
        source.m_pose.m_orientation = D3DXQUATERNION(q.x(), q.y(), q.z(), q.w());
        const btMatrix3x3& basis = transform.getBasis();
        D3DXMATRIX& pose = source.m_pose.m_matrix;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                pose.m[r][c] = basis[c][r];
            pose.m[r][3] = 0.0f;
        }
        const btVector3& origin = transform.getOrigin();
        pose._41 = origin.x();
        pose._42 = origin.y();
        pose._43 = origin.z();
        pose._44 = 1.0f;
        source.m_velocity = FromBullet(body.getLinearVelocity(), source.m_velocity.w);
        const btVector3 omega = body.getAngularVelocity();
        source.m_angularVelocity = FromBullet(omega, 0.0f);
        // L = R I R^T w, with I the body-axis inertia.
        const btVector3 inertia(source.m_inertia.m_rows[0].x, source.m_inertia.m_rows[1].y,
                                source.m_inertia.m_rows[2].z);
        const btVector3 local = (basis.transpose() * omega) * inertia;
        source.m_pose.m_angularMomentum = FromBullet(basis * local, 0.0f);
        const btMatrix3x3& inverse = body.getInvInertiaTensorWorld();
        for (int r = 0; r < 3; ++r)
            source.m_worldInverseInertia.m_rows[r] = FromBullet(inverse.getRow(r), 0.0f);
        btVector3 minimum;
        btVector3 maximum;
        body.getAabb(minimum, maximum);
        source.m_worldMin = D3DXVECTOR3(minimum.x(), minimum.y(), minimum.z());
        source.m_worldMax = D3DXVECTOR3(maximum.x(), maximum.y(), maximum.z());
    }

    void QueryTerrain(CPPhysicBody& source, const btRigidBody& body)
    {
        if (!m_source->m_terrainQueryCallback)
            return;
        btVector3 minimum;
        btVector3 maximum;
        body.getAabb(minimum, maximum);
        const D3DXVECTOR4 low = FromBullet(minimum, 0.0f);
        const D3DXVECTOR4 high = FromBullet(maximum, 0.0f);
        int32_t* indices = nullptr;
        const CPPhysicTerrainTriangle* triangles = nullptr;
        const D3DXVECTOR3* vertices = nullptr;
        int32_t indexCount = 0;
        int32_t triangleCount = 0;
        m_source->m_terrainQueryCallback(&low, &high, &indices, &triangles, &vertices, &indexCount, &triangleCount,
                                         &source);
    }

    void CastSensors(CPPhysicBody& source, const btRigidBody& body)
    {
        const btTransform& transform = body.getWorldTransform();
        for (CPPhysicLineSensor* sensor = source.m_sensors; sensor; sensor = sensor->m_next) {
            sensor->m_detectDepth = 0.0f;
            if (!m_terrain.GetObject() || !(sensor->m_length > 0.0f))
                continue;
            const btVector3 from = transform * ToBullet(sensor->m_start);
            const btVector3 to = transform * (ToBullet(sensor->m_start) + ToBullet(sensor->m_direction));
            btCollisionWorld::ClosestRayResultCallback hit(from, to);
            m_terrain.CastRay(from, to, hit);
            if (!hit.hasHit())
                continue;
            const float length = (to - from).length();
            sensor->m_detectDepth = length - hit.m_closestHitFraction * length;
            btVector3 normal = hit.m_hitNormalWorld;
            normal.safeNormalize();
            sensor->m_detectNormal = FromBullet(normal, 0.0f);
            sensor->m_detectContactPoint = FromBullet(hit.m_hitPointWorld, 1.0f);
        }
    }

    void RunControllers(CPPhysicBody& source, btRigidBody& body, float dt)
    {
        for (CPPhysicControllerNode* node = source.m_controllers; node; node = node->m_next) {
            if (!node->m_controller)
                continue;
            if (node->CountStep())
                node->m_controller->OnStep(node, dt);
            body.applyCentralForce(ToBullet(node->m_force));
            body.applyTorque(ToBullet(node->m_torque));
        }
        body.applyCentralForce(ToBullet(source.m_force));
        body.applyTorque(ToBullet(source.m_torque));
        // A controller may have pushed the body's motion.
        SyncMotionIn(source, body);
    }

    void ReportContacts()
    {
        const CPPhysicCollisionCallback callback = m_source->m_collisionCallback;
        if (!callback)
            return;
        const CPPhysicCollisionTable& table = m_source->m_collisionTable;
        const int32_t manifolds = m_dispatcher.getNumManifolds();
        for (int32_t m = 0; m < manifolds; ++m) {
            btPersistentManifold* manifold = m_dispatcher.getManifoldByIndexInternal(m);
            const btCollisionObject* a = manifold->getBody0();
            const btCollisionObject* b = manifold->getBody1();
            const bool terrainA = a == m_terrain.GetObject();
            const bool terrainB = b == m_terrain.GetObject();
            const int32_t value = terrainA || terrainB ? table.m_terrain[kGroup] : table.m_pairs[kGroup][kGroup];
            if (!(value & kReportBit))
                continue;
            for (int32_t p = 0; p < manifold->getNumContacts(); ++p) {
                const btManifoldPoint& point = manifold->getContactPoint(p);
                if (point.getDistance() > 0.0f && point.getAppliedImpulse() <= 0.0f)
                    continue;
                CPPhysicContact contact;
                btVector3 normal = point.m_normalWorldOnB;
                if (terrainA) {
                    contact.m_body1 = static_cast<CPPhysicBodyHeader*>(b->getUserPointer());
                    contact.m_kind2 = CPPhysicContact::kPartnerTerrain;
                    normal = -normal;
                } else if (terrainB) {
                    contact.m_body1 = static_cast<CPPhysicBodyHeader*>(a->getUserPointer());
                    contact.m_kind2 = CPPhysicContact::kPartnerTerrain;
                } else {
                    contact.m_body1 = static_cast<CPPhysicBodyHeader*>(a->getUserPointer());
                    contact.m_body2 = static_cast<CPPhysicBodyHeader*>(b->getUserPointer());
                }
                const btVector3& at = point.getPositionWorldOnB();
                contact.m_point = D3DXVECTOR3(at.x(), at.y(), at.z());
                const btVector3 impact = normal * point.getAppliedImpulse();
                contact.m_impact = D3DXVECTOR3(impact.x(), impact.y(), impact.z());
                contact.m_normal = FromBullet(normal, 0.0f);
                callback(&contact);
            }
        }
    }

    void Substep(float dt)
    {
        ++m_stepCount;
        m_dynamics.setGravity(ToBullet(m_source->m_gravity));
        SyncTerrain();

        // Rigid bodies and particles in list order, so the run is repeatable.
        m_stepped.clear();
        for (auto* list : { &m_source->m_activeRigidBodies, &m_source->m_activeParticles }) {
            for (CPPhysicBodyHeader* header = list->m_head; header; header = header->m_next) {
                BodyRecord& record = RecordOf(header);
                m_stepped.push_back({ static_cast<CPPhysicBody*>(header), record.m_body });
                SyncIn(*static_cast<CPPhysicBody*>(header), record);
            }
        }
        for (CPPhysicBodyHeader* header = m_source->m_activeAnimatedBodies.m_head; header; header = header->m_next) {
            BodyRecord& record = RecordOf(header);
            Enter(record);
            const auto* animated = static_cast<CPPhysicAnimatedBody*>(header);
            float rows[3][4];
            for (int r = 0; r < 3; ++r) {
                const D3DXVECTOR4& row = animated->m_rotation.m_rows[r];
                rows[r][0] = row.x;
                rows[r][1] = row.y;
                rows[r][2] = row.z;
                rows[r][3] = 0.0f;
            }
            const btTransform pose(BasisFromRows(rows), ToBullet(animated->m_position));
            record.m_body->setWorldTransform(pose);
            record.m_body->setInterpolationWorldTransform(pose);
        }
        // Bodies that left play leave Bullet until they come back.
        for (BodyRecord& record : m_records) {
            if (record.m_seenStep != m_stepCount)
                Leave(record);
        }

        for (const Stepped& stepped : m_stepped)
            QueryTerrain(*stepped.m_source, *stepped.m_body);
        for (const Stepped& stepped : m_stepped)
            CastSensors(*stepped.m_source, *stepped.m_body);
        for (const Stepped& stepped : m_stepped)
            RunControllers(*stepped.m_source, *stepped.m_body, dt);

        m_dynamics.stepSimulation(dt, 0, dt);

        for (const Stepped& stepped : m_stepped)
            SyncOut(*stepped.m_source, *stepped.m_body);
        ReportContacts();
        for (const Stepped& stepped : m_stepped) {
            const CPPhysicBody& body = *stepped.m_source;
            if (!body.IsActive())
                continue;
            void* user = body.GetUserData();
            if (!CPManagedObject::IsLive(user))
                continue;
            CPGameObject* object = static_cast<CPManagedObject*>(user)->AsGameObject();
            if (!object)
                continue;
            const D3DXMATRIX& pose = body.m_pose.m_matrix;
            object->SetSimulatedPose(D3DXVECTOR3(pose._41, pose._42, pose._43), body.m_pose.m_orientation);
            // Its matrices, boxes and bounds follow at once: the game draws,
            // aims, takes pickups and places the health bar by them.
            object->UpdateTransform();
        }
    }

    btDefaultCollisionConfiguration m_configuration;
    btCollisionDispatcher m_dispatcher;
    btDbvtBroadphase m_broadphase;
    btSequentialImpulseConstraintSolver m_solver;
    DynamicsWorld m_dynamics;
    TableFilter m_filter;

    CPPhysicWorld* m_source = nullptr;
    std::vector<BodyRecord> m_records;
    std::unordered_map<CPPhysicBodyHeader*, size_t> m_index;
    // The bodies of the substep in list order, with their Bullet bodies.
    struct Stepped
    {
        CPPhysicBody* m_source;
        btRigidBody* m_body;
    };
    std::vector<Stepped> m_stepped;
    uint32_t m_stepCount = 0;

    CPHostTerrain m_terrain;
    CPCollisionGrid m_emptyGrid;
};

CPHostPhysics::CPHostPhysics() = default;

CPHostPhysics::~CPHostPhysics() = default;

int32_t CPHostPhysics::SubstepCount(float frameTime)
{
    const float wanted = std::ceil(kSubstepRate * frameTime);
    if (!(wanted > 1.0f))
        return 1;
    return wanted >= static_cast<float>(kMaxSubsteps) ? kMaxSubsteps : static_cast<int32_t>(wanted);
}

void CPHostPhysics::Step(CPPhysicWorld* world, float frameTime)
{
    if (!world || !(frameTime > 0.0f) || !std::isfinite(frameTime))
        return;
    // A fresh Bullet world for each game world, so that a run repeats.
    if (!m_impl || m_impl->m_source != world)
        m_impl = std::make_unique<Impl>(world);
    Impl& impl = *m_impl;
    const int32_t substeps = SubstepCount(frameTime);
    const float dt = frameTime / static_cast<float>(substeps);
    for (int32_t i = 0; i < substeps; ++i)
        impl.Substep(dt);
}

void CPHostPhysics::PrepareWorld(CPPhysicWorld* world)
{
    if (!world)
        return;
    m_impl = std::make_unique<Impl>(world);
    m_impl->SyncTerrain();
}

void CPHostPhysics::ForgetBody(CPPhysicBodyHeader* body)
{
    if (!m_impl)
        return;
    Impl& impl = *m_impl;
    const auto found = impl.m_index.find(body);
    if (found == impl.m_index.end())
        return;
    impl.Leave(impl.m_records[found->second]);
}

void CPHostPhysics::ForgetWorld(CPPhysicWorld* world)
{
    if (m_impl && m_impl->m_source == world)
        m_impl.reset();
}
