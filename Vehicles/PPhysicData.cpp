#include "Vehicles/PPhysicData.h"

#include "Core/PGameObject.h"

#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicAnimatedBody.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicMath.h"

namespace
{
// The sizes a cylinder record carries besides its height.
constexpr float kCylinderRecordSize = 5.0f;

D3DXVECTOR4 AsPoint(const D3DXVECTOR3& position)
{
    return D3DXVECTOR4(position, 1.0f);
}
}

CPPhysicData::RemoveBodyHandler CPPhysicData::s_removeBodyHandler = nullptr;

void CPPhysicData::SetRemoveBodyHandler(RemoveBodyHandler handler)
{
    s_removeBodyHandler = handler;
}

CPPhysicData::CPPhysicData(CPGameObject* owner)
    : m_owner(owner)
{
}

CPPhysicData::~CPPhysicData() = default;

int32_t CPPhysicData::GetObjectSize() const
{
    return sizeof(CPPhysicData);
}

std::string CPPhysicData::GetTypeName() const
{
    return "CPPhysicData";
}

float CPPhysicData::GetWeightDivisor()
{
    return g_CfgWeightDiv > 0 ? static_cast<float>(g_CfgWeightDiv) : 1.0f;
}

void CPPhysicData::AddBox(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float s1, float s2,
                          float s3, float mass)
{
    AppendShape(CPPhysicShapeRecord::kTypeBox, position, rotation, s1, s2, s3, 0.0f, mass);
}

void CPPhysicData::AddCylinder(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float diameter,
                               float height, float mass)
{
    AppendShape(CPPhysicShapeRecord::kTypeCylinder, position, rotation, kCylinderRecordSize, height,
                kCylinderRecordSize, diameter, mass);
}

void CPPhysicData::AppendShape(int32_t type, const D3DXVECTOR3& position, const D3DXQUATERNION& rotation,
                               float s1, float s2, float s3, float diameter, float mass)
{
    CPPhysicShapeRecord shape;
    shape.m_type = type;
    shape.m_position = position;
    shape.m_rotation = rotation;
    shape.m_sizes[0] = s1;
    shape.m_sizes[1] = s2;
    shape.m_sizes[2] = s3;
    shape.m_diameter = diameter;
    shape.m_mass = mass / GetWeightDivisor();
    m_shapes.push_back(shape);
}

void CPPhysicData::SetBoxInertia(float a, float b, float c, float mass)
{
    m_inertia.m_type = CPPhysicInertiaBlock::kTypeBox;
    m_inertia.m_boxSizes[0] = b;
    m_inertia.m_boxSizes[1] = a;
    m_inertia.m_boxSizes[2] = c;
    m_inertia.m_mass = mass / GetWeightDivisor();
}

void CPPhysicData::CopyFrom(const CPPhysicData& source)
{
    if (&source == this)
        return;
    m_inertia = source.m_inertia;
    m_shapes = source.m_shapes;
}

void CPPhysicData::ApplyMass(const D3DXVECTOR3& ownerPosition, const D3DXQUATERNION& ownerRotation)
{
    if (!m_rigidBody)
        return;
    const CPPhysicInertiaBlock& block = m_inertia;
    if (block.m_mass > 0.0f) {
        D3DXVECTOR4 inertia;
        bool known = true;
        if (block.m_type == CPPhysicInertiaBlock::kTypeBox) {
            const D3DXVECTOR4 sizes(block.m_boxSizes[0], block.m_boxSizes[2], block.m_boxSizes[1], 0.0f);
            BoxInertiaTensor(&inertia, sizes, block.m_mass);
        } else if (block.m_type == CPPhysicInertiaBlock::kTypeCylinder) {
            CylinderInertiaTensor(&inertia, block.m_cylinderDiameter, block.m_boxSizes[1], block.m_mass);
        } else {
            known = false;
        }
        if (known)
            m_rigidBody->SetInertiaTensor(inertia);
    }
    m_rigidBody->SetMass(block.m_mass);

    m_rigidBody->SetPosition(AsPoint(ownerPosition));
    D3DXQUATERNION rotation;
    D3DXQuaternionNormalize(&rotation, &ownerRotation);
    m_rigidBody->SetRotation(rotation);

    if (m_wantsController && !m_controllerNode)
        m_controllerNode = m_rigidBody->AddController(this, 1);
    m_rigidBody->UpdateBoundingInfo();
}

void CPPhysicData::ApplyMass()
{
    if (m_owner)
        ApplyMass(m_owner->GetPosition(), m_owner->GetRotation());
}

void CPPhysicData::ReleaseBody()
{
    if (!m_rigidBody && !m_animatedBody)
        return;
    CPSmartPtr<CPPhysicData> self(this);
    if (s_removeBodyHandler)
        s_removeBodyHandler(self);
}

void CPPhysicData::SetPosition(const D3DXVECTOR3& position)
{
    if (m_animatedBody)
        m_animatedBody->SetPosition(AsPoint(position));
    else if (m_rigidBody)
        m_rigidBody->SetPosition(AsPoint(position));
}

void CPPhysicData::SetBodyRotation(const D3DXQUATERNION& rotation)
{
    if (m_rigidBody)
        m_rigidBody->SetRotation(rotation);
}

void CPPhysicData::OnStep(CPPhysicControllerNode* /*node*/, float /*dt*/)
{
    if (!m_pushEnabled || !m_rigidBody)
        return;
    m_rigidBody->SetAngularMomentum(m_pushedAngularMomentum);
    m_rigidBody->SetVelocity(m_pushedVelocity);
}
