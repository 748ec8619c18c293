// The physical description a game object may carry: collision shapes read
// from its mesh, mass and inertia parameters, the simulator bodies made from
// them (which belong to the world, not to this object), and the buffer the
// terrain query fills with the level triangles near the body.
//
// Life of a description: the mesh loader creates it and sets its shapes and
// inertia (AddBox, AddCylinder, SetBoxInertia); the physics manager makes
// its body (an animated body for a negative mass, else a rigid particle or a
// rigid body); vehicles then apply the mass and pose (ApplyMass). Masses are
// divided by the "weight_div" configuration value (1 when it is 0 or less).
// It is also a controller: registered on its rigid body, it pushes the
// stored velocity and angular momentum into the body each step while
// pushing is enabled.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Vehicles/PPhysicController.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;
class CPPhysicAnimatedBody;
class CPPhysicBody;
class CPPhysicControllerNode;
class CPPhysicShape;

// One collision shape, in the body's frame.
struct CPPhysicShapeRecord
{
    static constexpr int32_t kTypeBox = 0;
    static constexpr int32_t kTypeCylinder = 1;

    int32_t m_type = kTypeBox;
    // The geometry the physics manager made for this record; null until then.
    CPPhysicShape* m_geometry = nullptr;
    D3DXVECTOR3 m_position;
    D3DXQUATERNION m_rotation;
    // Box: the three sizes as given. Cylinder: 5.0, the height, 5.0.
    float m_sizes[3] = {};
    float m_diameter = 0.0f;
    // Divided by "weight_div"; kept, not used for the body.
    float m_mass = 0.0f;
};

// What the body's mass properties are built from; copied whole with the
// shapes when a game object is copied.
struct CPPhysicInertiaBlock
{
    static constexpr int32_t kTypeBox = 0;
    static constexpr int32_t kTypeCylinder = 1;

    int32_t m_type = kTypeBox;
    // In the order: SetBoxInertia's second, first and third size.
    float m_boxSizes[3] = {};
    float m_cylinderDiameter = 0.0f;
    // Divided by "weight_div". Negative: the body is an animated body.
    float m_mass = 0.0f;
};

class CPPhysicData : public CPManagedObject, public CPPhysicController
{
public:
    static constexpr int32_t kMaxTerrainTriangles = 1000;

    // Takes a body out of play for ReleaseBody; the physics manager installs
    // its RemoveBody here. The description is held for the call.
    typedef void (*RemoveBodyHandler)(CPSmartPtr<CPPhysicData> data);
    static void SetRemoveBodyHandler(RemoveBodyHandler handler);

    // No reference is held on the owner.
    explicit CPPhysicData(CPGameObject* owner);
    ~CPPhysicData() override;

    int32_t GetObjectSize() const override;
    std::string GetTypeName() const override;

    // Appends a box shape of sizes s1, s2, s3.
    void AddBox(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float s1, float s2, float s3,
                float mass);
    // Appends a cylinder shape of the given diameter and height.
    void AddCylinder(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float diameter, float height,
                     float mass);
    // Box inertia with the sizes stored as (b, a, c).
    void SetBoxInertia(float a, float b, float c, float mass);
    // Copies the inertia block and the shape records (their geometry
    // pointers as they stand) from another description; nothing else.
    void CopyFrom(const CPPhysicData& source);

    // Gives the rigid body its inertia (when the mass is above 0), its mass,
    // the owner's pose (the rotation normalised) and, when wanted, this
    // object as its controller; then refits its bounds. Nothing without a
    // rigid body.
    void ApplyMass(const D3DXVECTOR3& ownerPosition, const D3DXQUATERNION& ownerRotation);
    // The same with the owner's own position and rotation; nothing without
    // an owner.
    void ApplyMass();
    // Hands the description to the remove-body handler when it has a body.
    void ReleaseBody();
    // Moves the animated body when there is one, else the rigid body.
    void SetPosition(const D3DXVECTOR3& position);
    // Turns the rigid body; an animated body alone is not turned.
    void SetBodyRotation(const D3DXQUATERNION& rotation);

    // While pushing is enabled, sets the rigid body's angular momentum and
    // then its velocity to the pushed values.
    void OnStep(CPPhysicControllerNode* node, float dt) override;

    // The "weight_div" divisor: its value, or 1 when it is 0 or less.
    static float GetWeightDivisor();

    CPPhysicControllerNode* m_controllerNode = nullptr;
    CPPhysicAnimatedBody* m_animatedBody = nullptr;
    std::vector<CPPhysicShapeRecord> m_shapes;
    CPGameObject* m_owner = nullptr;
    uint8_t m_wantsController = 0;
    D3DXVECTOR4 m_pushedAngularMomentum;
    D3DXVECTOR4 m_pushedVelocity;
    uint8_t m_pushEnabled = 0;
    // In the physics manager's active set.
    uint8_t m_active = 0;
    int32_t m_terrainTriangles[kMaxTerrainTriangles] = {};
    int32_t m_terrainTriangleCount = 0;
    // What the physics manager made the terrain list from: the grid's stamp
    // (0 before the first query) and the query's sample cells, column and
    // row. The same grid and cells make the same list again.
    uint64_t m_terrainQueryStamp = 0;
    int32_t m_terrainQueryCells[5][2] = {};
    // A rigid body or a rigid particle.
    CPPhysicBody* m_rigidBody = nullptr;
    CPPhysicInertiaBlock m_inertia;
    // Make the body as a rigid particle.
    uint8_t m_particle = 0;

private:
    void AppendShape(int32_t type, const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float s1, float s2,
                     float s3, float diameter, float mass);

    static RemoveBodyHandler s_removeBodyHandler;
};
