// Game object: activation, animations, events, picking, damage, effects,
// materials, descriptions, deep copies and destruction.
#include "Core/PGameObject.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PHandle.h"
#include "Core/PTaskManager.h"
#include "Core/PXmlDocument.h"
#include "Race/PEnemyController.h"
#include "Render/PAnimatedObject.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PParticleManager.h"
#include "Render/PParticleSystem.h"
#include "Render/PPartAnimation.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicData.h"

#include <cstdio>

namespace
{
// Names exchanged with scripts and scene data.
constexpr char kCommandAddObject[] = "add_object";
constexpr char kCommandDeleteObject[] = "delete_object";
constexpr char kCommandAnimationEnd[] = "animation_end";
constexpr char kCommandDamage[] = "damage";
constexpr char kIdleAnimation[] = "idle";
constexpr char kFlameName[] = "flame";
}

CPGameObject::~CPGameObject()
{
    Deactivate();
    ++s_hierarchyVersion;

    if (m_parent)
        m_parent->ForgetChild(*this);
    for (const CPSmartPtr<CPGameObject>& child : m_children) {
        if (child && child->m_parent == this)
            child->m_parent = nullptr;
        // A child keeps the parent matrix it was last handed.
        if (child && child->m_parentSource == this) {
            child->m_parentMatrix = m_worldMatrix;
            child->m_parentSource = nullptr;
        }
    }
    if (m_kind == kBodyParticleSystem && m_body)
        static_cast<CPParticleSystem*>(m_body.Get())->Stop();
}

bool CPGameObject::LoadDescription()
{
    return LoadDescriptionDocument(m_description, m_descriptionName);
}

// --- Activation ------------------------------------------------------------

void CPGameObject::AddTaskWithOrder(CPTask* task, int32_t order) const
{
    // A running task keeps its order: moving it would break the list's order.
    if (!task->IsRunning())
        task->SetOrder(order);
    if (CPTaskManager* tasks = GetTaskManager())
        tasks->AddTask(CPSmartPtr<CPTask>(task));
}

void CPGameObject::SendToHandler(const char* command, const std::string& params) const
{
    if (!m_scriptHandler)
        return;
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByObject(CPSmartPtr<CPCommandTarget>(m_scriptHandler), command, params);
}

void CPGameObject::Activate(int32_t order)
{
    if (m_active)
        return;
    m_active = 1;

    if (m_currentAnimation)
        AddTaskWithOrder(m_currentAnimation.Get(), order);
    if (m_kind == kBodyParticleSystem && m_visible && m_body) {
        auto* particles = static_cast<CPParticleSystem*>(m_body.Get());
        if (!particles->IsRunning())
            AddTaskWithOrder(particles, order);
    }
    ForEachChild([order](CPGameObject& child) { child.Activate(order); });
    if (m_scriptHandler) {
        AddTaskWithOrder(m_scriptHandler, order);
        // The script holds the object by its handle from now on.
        AddRef();
        SendToHandler(kCommandAddObject, HandleToString(this));
    }
}

void CPGameObject::Deactivate()
{
    if (!m_active)
        return;
    if (m_kind == kBodyParticleSystem && m_body)
        static_cast<CPParticleSystem*>(m_body.Get())->Stop();
    m_active = 0;
    if (m_currentAnimation)
        m_currentAnimation->Stop();
    ForEachChild([](CPGameObject& child) { child.Deactivate(); });
    SendToHandler(kCommandDeleteObject, HandleToString(this));
}

// --- Animations ------------------------------------------------------------

void CPGameObject::AddAnimation(const std::string& name, const CPSmartPtr<CPPartAnimation>& animation)
{
    m_hasAnimations = 1;
    m_static = 0;
    m_animations[name] = animation;
    if (name != kIdleAnimation)
        return;
    if (m_currentAnimation && m_currentAnimation != animation && m_currentAnimation->IsRunning())
        m_currentAnimation->Stop();
    m_currentAnimation = animation;
    if (animation)
        animation->SetLoop(true);
}

void CPGameObject::OnAnimationEnd()
{
    SendToHandler(kCommandAnimationEnd, HandleToString(this));
}

void CPGameObject::SetAnimation(const CPAnimationRequest& request, bool restart)
{
    if (m_kind == kBodyAnimatedObject && m_body)
        static_cast<CPAnimatedObject*>(m_body.Get())->SetAnimation(request, restart);
    ForEachChild([&request, restart](CPGameObject& child) { child.SetAnimation(request, restart); });
}

// --- Events ----------------------------------------------------------------

void CPGameObject::ClearStaticBelow()
{
    m_static = 0;
    ForEachChild([](CPGameObject& child) { child.ClearStaticBelow(); });
}

void CPGameObject::SetScriptHandler(CPCommandTarget* handler)
{
    if (!handler)
        return;
    ClearStaticBelow();
    m_scriptHandler = handler;
}

CPSmartPtr<CPCommandTarget> CPGameObject::GetScriptHandler() const
{
    return CPSmartPtr<CPCommandTarget>(m_scriptHandler);
}

CPSmartPtr<CPGameObject> CPGameObject::GetHandlerOwner()
{
    CPGameObject* owner = this;
    while (!owner->m_scriptHandler && owner->m_parent)
        owner = owner->m_parent;
    return CPSmartPtr<CPGameObject>(owner);
}

bool CPGameObject::RayPick(CPRayQuery& query)
{
    if (!m_collision || query.excluded == this ||
        !m_partBounds.IntersectSegment(query.origin, query.direction, query.distance))
        return false;

    bool hit = false;
    BuildPartBoxes();
    for (const CPBoundingBox& box : m_partBoxes) {
        if (box.IntersectRay(query.origin, query.direction, query.distance, query.hitPlane))
            hit = true;
    }
    if (hit) {
        query.hitObject = this;
        query.hitOwner = GetHandlerOwner();
        query.hitPoint = query.origin + query.direction * query.distance;
    }
    ForEachChild([&query, &hit](CPGameObject& child) {
        if (child.RayPick(query))
            hit = true;
    });
    return hit;
}

void CPGameObject::Damage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                          uint8_t silent)
{
    if (m_scriptHandler && !silent) {
        char text[64];
        std::snprintf(text, sizeof(text), "%.2f", amount);
        SendToHandler(kCommandDamage, text);
    }
    if (m_enemyController)
        m_enemyController->OnDamage(point, direction, amount, noEffect, silent);
}

void CPGameObject::OnControllerAnimationEnd()
{
    if (m_enemyController)
        m_enemyController->OnAnimationEnd();
}

void CPGameObject::UpdateController()
{
    if (m_enemyController)
        m_enemyController->Update();
}

// --- Effects and materials -------------------------------------------------

void CPGameObject::AttachFlame()
{
    if (m_flameType >= 0) {
        CPSmartPtr<CPParticleSystem> system;
        if (CPParticleManager* particles = GetParticleManager())
            system = particles->CloneSystem(m_flameType);
        if (system) {
            AddTaskWithOrder(system.Get(), kFlameOrder);
            CPSmartPtr<CPGameObject> flame(new CPGameObject(kFlameName));
            flame->SetBody(system.Get(), kBodyParticleSystem);
            system->SetOwner(flame.Get());
            AddChild(flame);
            SetPosition(D3DXVECTOR3(m_position));
            UpdateTransform();
        }
        m_flameType = kNoFlame;
    }
    ForEachChild([](CPGameObject& child) { child.AttachFlame(); });
}

void CPGameObject::ApplyMaterial()
{
    if (m_material && m_body) {
        if (m_kind == kBodyRenderObject)
            static_cast<CPRenderObject*>(m_body.Get())->SetMaterial(m_material);
        else if (m_kind == kBodyAnimatedObject)
            static_cast<CPAnimatedObject*>(m_body.Get())->SetMaterial(m_material);
    }
    ForEachChild([](CPGameObject& child) { child.ApplyMaterial(); });
}

// --- Copying ---------------------------------------------------------------

void CPGameObject::CopyBodyFrom(const CPGameObject& source)
{
    m_body = nullptr;
    CPManagedObject* body = source.m_body.Get();
    if (!body)
        return;
    switch (m_kind) {
    case kBodyRenderObject: {
        auto* mesh = new CPRenderObject(this);
        mesh->CopyFrom(*static_cast<CPRenderObject*>(body));
        mesh->SetOwner(this);
        m_body = mesh;
        break;
    }
    case kBodyAnimatedObject: {
        auto* animated = new CPAnimatedObject();
        animated->CopyFrom(*static_cast<CPAnimatedObject*>(body));
        animated->SetOwner(this);
        m_body = animated;
        break;
    }
    case kBodyLight: {
        auto* light = new CPLight();
        light->GetLightData() = static_cast<CPLight*>(body)->GetLightData();
        light->SetOwner(this);
        m_body = light;
        break;
    }
    case kBodySprite: {
        const auto* original = static_cast<CPSprite*>(body);
        auto* sprite = new CPSprite(original->GetSize());
        sprite->CopySettings(*original);
        sprite->SetOwner(this);
        m_body = sprite;
        break;
    }
    case kBodyParticleSystem: {
        CPSmartPtr<CPParticleSystem> system = static_cast<CPParticleSystem*>(body)->CloneSystem();
        system->SetOwner(this);
        m_body = system.Get();
        break;
    }
    default:
        break;
    }
}

void CPGameObject::CopyFrom(const CPSmartPtr<CPGameObject>& sourcePtr)
{
    // Copying an object onto itself would walk lists while it grows them.
    if (!sourcePtr || sourcePtr == this)
        return;
    const CPGameObject& source = *sourcePtr;

    m_ownBox = source.m_ownBox;
    m_objectBounds = source.m_objectBounds;
    m_kind = source.m_kind;
    m_description = source.m_description;
    CopyBodyFrom(source);

    m_partBoxes.insert(m_partBoxes.end(), source.m_partBoxes.begin(), source.m_partBoxes.end());

    for (const auto& entry : source.m_animations) {
        CPSmartPtr<CPPartAnimation> animation(new CPPartAnimation());
        if (entry.second)
            animation->CopyFrom(*entry.second);
        animation->SetPart(this);
        AddAnimation(entry.first, animation);
    }

    source.ForEachChild([this](CPGameObject& sourceChild) {
        CPSmartPtr<CPGameObject> child(new CPGameObject(sourceChild.m_name));
        child->m_parent = this;
        child->CopyFrom(CPSmartPtr<CPGameObject>(&sourceChild));
        FileChild(child);
    });

    m_shadowMaterial = source.m_shadowMaterial;
    m_material = source.m_material;
    m_flameType = source.m_flameType;
    m_position = source.m_position;
    m_rotation = source.m_rotation;
    m_parentMatrix = source.GetParentMatrix();
    m_parentSource = nullptr;
    m_localMatrix = source.GetLocalMatrix();
    m_localStale = 0;
    m_worldMatrix = source.m_worldMatrix;
    m_pose = source.m_pose;
    m_hasPose = source.m_hasPose;
    m_transformUpdated = 0;
    m_dirty = 1;
    if (m_timesFiled > 0 && m_name != source.m_name)
        m_renamedSinceFiled = 1;
    m_name = source.m_name;
    m_visible = source.m_visible;
    m_static = source.m_static;
    m_shadow = source.m_shadow;
    m_scriptHandler = source.m_scriptHandler;

    if (source.m_physicData) {
        CPSmartPtr<CPPhysicData> physics(new CPPhysicData(this));
        physics->CopyFrom(*source.m_physicData);
        m_physicData = physics;
    }

    UpdateTransform();
}
