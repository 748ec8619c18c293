// Game object behaviour through the real task list and command queues:
// activation, events, animations, picking, damage, flames, materials,
// descriptions and deep copies.
#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PHandle.h"
#include "Core/PTaskManager.h"
#include "GameObjectTrees.h"
#include "Host/PScriptObject.h"
#include "Race/PEnemyController.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PParticleManager.h"
#include "Render/PParticleSystem.h"
#include "Render/PPartAnimation.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "ScratchRoot.h"
#include "Vehicles/PPhysicData.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
struct Received
{
    std::string name;
    std::vector<std::string> params;
    bool operator==(const Received& other) const { return name == other.name && params == other.params; }
};

std::ostream& operator<<(std::ostream& out, const Received& command)
{
    out << command.name << "(";
    for (const std::string& param : command.params)
        out << param << ";";
    return out << ")";
}

// A handler sends "damage" and the like with the object's handle text.
Received Event(const char* name, const CPGameObject* object)
{
    return { name, { HandleToString(object) } };
}

// Three keys along x, one second apart.
CPSmartPtr<CPPartAnimation> MakeTrack()
{
    std::vector<D3DXMATRIX> keys(3);
    for (int k = 0; k < 3; ++k)
        D3DXMatrixTranslation(&keys[k], static_cast<float>(k), 0, 0);
    CPSmartPtr<CPPartAnimation> track(new CPPartAnimation());
    track->SetKeys(keys, { 1.0f, 1.0f, 1.0f });
    return track;
}

CPBoundingBox UnitPart(const D3DXVECTOR3& at)
{
    CPBoundingBox box(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    D3DXMatrixTranslation(&box.m_local, at.x, at.y, at.z);
    return box;
}

class CountingBehaviour : public CPEnemyBehaviour
{
public:
    void Restart() override { ++restarts; }
    int restarts = 0;
};
}

class GameObjectBehaviour : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_TaskManager = &m_tasks;
        g_CommandDispatcher = &m_dispatcher;
    }
    void TearDown() override
    {
        g_TaskManager = nullptr;
        g_CommandDispatcher = nullptr;
    }

    // A registered script object; it takes commands once it runs.
    CPScriptObject* MakeHandler(const std::string& name)
    {
        m_handlers.push_back(std::make_unique<CPScriptObject>(name));
        m_handlers.back()->Register(m_dispatcher);
        return m_handlers.back().get();
    }

    // Every command waiting at the handler, oldest first; the queue is emptied.
    static std::vector<Received> Drain(CPCommandTarget* handler)
    {
        std::vector<Received> received;
        while (handler->SetNextCommand())
            received.push_back({ handler->GetCurrentCommand()->name, *handler->GetCurrentParams() });
        return received;
    }

    std::vector<const CPTask*> Tasks() const
    {
        std::vector<const CPTask*> tasks;
        for (const auto& task : m_tasks.GetTasks())
            tasks.push_back(task.Get());
        return tasks;
    }

    CPTaskManager m_tasks;
    CPCommandDispatcher m_dispatcher;
    std::vector<std::unique_ptr<CPScriptObject>> m_handlers;
    ObjectPool m_pool;
};

TEST_F(GameObjectBehaviour, ActivationAddsTasksWithTheOrderAndReportsTheHandle)
{
    CPTask* earlier = new CPPartAnimation();
    earlier->SetOrder(300);
    m_tasks.AddTask(earlier);

    CPScriptObject* handler = MakeHandler("vehicle");
    CPGameObject* root = m_pool.Make("root");
    CPGameObject* wheel = m_pool.Make("wheel", root);
    CPGameObject* smoke = m_pool.Make("smoke", root);
    CPGameObject* hidden = m_pool.Make("hidden", root);
    root->SetScriptHandler(handler);
    wheel->AddAnimation("idle", MakeTrack());
    CPParticleSystem* particles = new CPParticleSystem(smoke, {});
    smoke->SetBody(particles, kBodyParticleSystem);
    CPParticleSystem* unseen = new CPParticleSystem(hidden, {});
    hidden->SetBody(unseen, kBodyParticleSystem);
    hidden->SetVisible(false);

    root->Activate(300);
    EXPECT_TRUE(root->IsActive() && wheel->IsActive() && hidden->IsActive());
    // Children first, then the handler; equal orders keep arrival order.
    EXPECT_EQ(Tasks(), (std::vector<const CPTask*>{ earlier, wheel->GetCurrentAnimation().Get(), particles, handler }));
    for (const CPTask* task : Tasks())
        EXPECT_EQ(task->GetOrder(), 300);
    EXPECT_FALSE(unseen->IsRunning());
    EXPECT_EQ(Drain(handler), (std::vector<Received>{ Event("add_object", root) }));
    EXPECT_EQ(CPManagedObject::FindLive(StringToHandle(HandleToString(root))), root);

    // A second activation adds nothing and says nothing.
    root->Activate(100);
    EXPECT_EQ(Tasks().size(), 4u);
    EXPECT_TRUE(Drain(handler).empty());

    // Deactivation stops the particle body and the animation; the handler runs on.
    root->Deactivate();
    EXPECT_FALSE(root->IsActive() || wheel->IsActive());
    EXPECT_TRUE(particles->IsFinished());
    EXPECT_TRUE(wheel->GetCurrentAnimation()->IsFinished());
    EXPECT_TRUE(handler->IsRunning());
    EXPECT_EQ(Drain(handler), (std::vector<Received>{ Event("delete_object", root) }));
    root->Deactivate();
    EXPECT_TRUE(Drain(handler).empty());
}

TEST_F(GameObjectBehaviour, RunningTasksKeepTheirOrderOnActivation)
{
    CPScriptObject* handler = MakeHandler("shared");
    m_tasks.AddTask(handler); // already running at the default order
    CPGameObject* first = m_pool.Make("first");
    CPGameObject* second = m_pool.Make("second");
    first->SetScriptHandler(handler);
    second->SetScriptHandler(handler);
    first->Activate(10);
    second->Activate(20);
    EXPECT_EQ(handler->GetOrder(), CPTask::kDefaultOrder);
    EXPECT_EQ(Tasks().size(), 1u);
    EXPECT_EQ(Drain(handler), (std::vector<Received>{ Event("add_object", first), Event("add_object", second) }));
}

TEST_F(GameObjectBehaviour, ObjectsWithoutHandlerSendNothing)
{
    CPScriptObject* bystander = MakeHandler("bystander");
    m_tasks.AddTask(bystander);
    CPGameObject* object = m_pool.Make("object");
    CPSmartPtr<CPPartAnimation> track = MakeTrack();
    track->SetPart(object);
    object->AddAnimation("idle", track);
    object->Activate(5);
    object->OnAnimationEnd();
    object->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 5, false, 0);
    object->Deactivate();
    EXPECT_TRUE(Drain(bystander).empty());
}

TEST_F(GameObjectBehaviour, DamageAndAnimationEndReachTheHandler)
{
    CPScriptObject* handler = MakeHandler("enemy");
    CPGameObject* object = m_pool.Make("object");
    object->SetScriptHandler(handler);
    object->Activate(1);
    Drain(handler);

    object->Damage(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 0, 1), 12.5f, false, 0);
    object->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 99, false, 1); // silent
    object->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 1.0f / 3.0f, true, 0);
    object->OnAnimationEnd();
    EXPECT_EQ(Drain(handler), (std::vector<Received>{
                                  { "damage", { "12.50" } },
                                  { "damage", { "0.33" } },
                                  Event("animation_end", object),
                              }));
}

TEST_F(GameObjectBehaviour, DamageReachesAnAttachedEnemyController)
{
    CPScriptObject* level = new CPScriptObject("level_logic", { "level" });
    m_handlers.emplace_back(level);
    level->Register(m_dispatcher);
    m_tasks.AddTask(level);

    CPGameObject* enemy = m_pool.Make("enemy");
    enemy->SetPosition(D3DXVECTOR3(1, 2.5f, -3));
    CountingBehaviour behaviour;
    behaviour.m_states[4] = 77;
    CPEnemyController controller(enemy, &behaviour, nullptr);
    controller.m_health = 20;
    controller.m_name = "orc";
    enemy->SetEnemyController(&controller);

    enemy->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 5, false, 1); // quiet: no harm unless "oil1"
    EXPECT_EQ(controller.m_health, 20);
    EXPECT_EQ(controller.m_hit, 1);
    enemy->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 30, false, 0);
    enemy->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 30, false, 0);
    EXPECT_EQ(controller.m_health, -40);
    EXPECT_EQ(behaviour.m_state, 77);
    EXPECT_EQ(Drain(level), (std::vector<Received>{ { "enemy_death", { "orc", "1.00", "2.50", "-3.00" } } }));

    controller.m_dead = 1;
    enemy->Damage(D3DXVECTOR3(), D3DXVECTOR3(), 30, false, 0);
    EXPECT_EQ(controller.m_health, -40);
}

TEST_F(GameObjectBehaviour, IdleAnimationBecomesCurrentAndLoops)
{
    CPGameObject* object = m_pool.Make("object");
    CPSmartPtr<CPPartAnimation> walk = MakeTrack();
    object->AddAnimation("walk", walk);
    EXPECT_TRUE(object->HasAnimations());
    EXPECT_FALSE(object->IsStatic());
    EXPECT_FALSE(object->GetCurrentAnimation());
    EXPECT_FALSE(walk->IsLooping());

    CPSmartPtr<CPPartAnimation> idle = MakeTrack();
    object->AddAnimation("idle", idle);
    EXPECT_EQ(object->GetCurrentAnimation(), idle);
    EXPECT_TRUE(idle->IsLooping());

    // A running idle animation that is replaced stops.
    object->Activate(7);
    CPSmartPtr<CPPartAnimation> other = MakeTrack();
    object->AddAnimation("idle", other);
    EXPECT_TRUE(idle->IsFinished());
    EXPECT_EQ(object->GetAnimations().at("idle"), other);
}

TEST_F(GameObjectBehaviour, PartAnimationEndIsReportedAsAnEvent)
{
    CPScriptObject* handler = MakeHandler("door");
    CPGameObject* door = m_pool.Make("door");
    door->SetScriptHandler(handler);
    CPSmartPtr<CPPartAnimation> track = MakeTrack();
    track->SetPart(door);
    door->AddAnimation("open", track);
    door->Activate(1);
    Drain(handler);
    m_tasks.AddTask(track);

    g_FrameTime = 0.5f;
    track->Update();
    EXPECT_NEAR(door->GetWorldMatrix()._41, 0.5f, 1e-6f);
    EXPECT_TRUE(Drain(handler).empty());
    g_FrameTime = 1.0f;
    track->Update(); // 1.5 s: past the last segment
    EXPECT_TRUE(track->IsFinished());
    EXPECT_EQ(Drain(handler), (std::vector<Received>{ Event("animation_end", door) }));
    g_FrameTime = 0;
}

TEST_F(GameObjectBehaviour, SetAnimationPlaysOnAnimatedBodiesOfTheSubtree)
{
    CPScriptObject* reports = MakeHandler("reports");
    CPGameObject* root = m_pool.Make("root");
    CPGameObject* body = m_pool.Make("body", root);
    CPAnimatedObject* animated = new CPAnimatedObject();
    animated->SetOwner(body);
    CPSmartPtr<CPAnimation> run(new CPAnimation("run"));
    animated->GetClips()["run"] = run;
    body->SetBody(animated, kBodyAnimatedObject);

    g_FullTime = 10.0;
    CPAnimationRequest request;
    request.name = "run";
    request.speed = 2;
    request.loopLimit = 3;
    request.reportTarget = reports;
    request.reportFrame = 4;
    request.startOffset = 0.5f;
    root->SetAnimation(request, false);
    EXPECT_EQ(animated->GetClipName(), "run");
    EXPECT_EQ(animated->GetCurrentClip(), run);
    EXPECT_FLOAT_EQ(animated->GetStartTime(), 10.5f);
    EXPECT_EQ(animated->GetLoopLimit(), 3);
    EXPECT_EQ(animated->GetSpeed(), 2);
    EXPECT_EQ(animated->GetReportFrame(), 4);
    EXPECT_EQ(animated->GetTarget(), reports);

    // The same clip again without restart changes nothing; with restart it starts over.
    g_FullTime = 20.0;
    root->SetAnimation(request, false);
    EXPECT_FLOAT_EQ(animated->GetStartTime(), 10.5f);
    root->SetAnimation(request, true);
    EXPECT_FLOAT_EQ(animated->GetStartTime(), 20.5f);
    // An unknown clip changes nothing.
    request.name = "fly";
    root->SetAnimation(request, true);
    EXPECT_EQ(animated->GetClipName(), "run");
    g_FullTime = 0;
}

TEST_F(GameObjectBehaviour, ScriptHandlerClearsStaticBelowAndNamesTheHandlerOwner)
{
    CPScriptObject* handler = MakeHandler("car");
    CPGameObject* car = m_pool.Make("car");
    CPGameObject* body = m_pool.Make("body", car);
    CPGameObject* door = m_pool.Make("door", body);
    car->SetScriptHandler(nullptr);
    EXPECT_TRUE(car->IsStatic());
    car->SetScriptHandler(handler);
    EXPECT_FALSE(car->IsStatic() || body->IsStatic() || door->IsStatic());
    EXPECT_EQ(car->GetScriptHandler(), handler);
    EXPECT_EQ(door->GetHandlerOwner(), car);

    CPGameObject* loose = m_pool.Make("loose");
    CPGameObject* part = m_pool.Make("part", loose);
    EXPECT_EQ(part->GetHandlerOwner(), loose);
}

TEST_F(GameObjectBehaviour, RayPickFindsTheNearestHit)
{
    CPScriptObject* handler = MakeHandler("vehicle");
    CPGameObject* scene = m_pool.Make("scene");
    CPGameObject* vehicle = m_pool.Make("vehicle", scene);
    vehicle->SetScriptHandler(handler);
    CPGameObject* hull = m_pool.Make("hull", vehicle);
    hull->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(8, 0, 0)));
    CPGameObject* wall = m_pool.Make("wall", scene);
    wall->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(5, 0, 0)));
    CPGameObject* ghost = m_pool.Make("ghost", scene);
    ghost->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(2, 0, 0)));
    ghost->SetCollision(false);
    scene->UpdateTransform();

    CPRayQuery query;
    query.origin = D3DXVECTOR3(0, 0, 0);
    query.direction = D3DXVECTOR3(1, 0, 0);
    query.distance = 100;
    EXPECT_TRUE(scene->RayPick(query));
    EXPECT_EQ(query.hitObject, wall);
    EXPECT_EQ(query.hitOwner, scene);
    EXPECT_NEAR(query.distance, 4.5f, 1e-5f);
    EXPECT_NEAR(query.hitPoint.x, 4.5f, 1e-5f);
    EXPECT_EQ(query.hitPlane, wall->GetPartBoxes()[0].m_planes[3]); // the -x face

    // The wall excluded: the hull of the vehicle, owned by the vehicle.
    CPRayQuery past;
    past.excluded = wall;
    past.origin = query.origin;
    past.direction = query.direction;
    past.distance = 100;
    EXPECT_TRUE(scene->RayPick(past));
    EXPECT_EQ(past.hitObject, hull);
    EXPECT_EQ(past.hitOwner, vehicle);
    EXPECT_NEAR(past.distance, 7.5f, 1e-5f);

    // Too short a segment reaches nothing and leaves the query alone.
    CPRayQuery shortRay;
    shortRay.origin = query.origin;
    shortRay.direction = query.direction;
    shortRay.distance = 3;
    EXPECT_FALSE(scene->RayPick(shortRay));
    EXPECT_FALSE(shortRay.hitObject);
    EXPECT_EQ(shortRay.distance, 3);
}

// Each pick sees the boxes where the last transform update put them.
TEST_F(GameObjectBehaviour, RayPickFollowsAMovedObject)
{
    CPGameObject* scene = m_pool.Make("scene");
    CPGameObject* wall = m_pool.Make("wall", scene);
    wall->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(5, 0, 0)));
    for (const float x : { 0.0f, 2.0f, -1.5f }) {
        scene->SetPosition(D3DXVECTOR3(x, 0, 0));
        scene->UpdateTransform();
        CPRayQuery query;
        query.direction = D3DXVECTOR3(1, 0, 0);
        query.distance = 100;
        EXPECT_TRUE(scene->RayPick(query));
        EXPECT_NEAR(query.distance, 4.5f + x, 1e-5f);
    }
}

TEST_F(GameObjectBehaviour, RayPickSkipsExcludedAndMissedSubtrees)
{
    CPGameObject* scene = m_pool.Make("scene");
    CPGameObject* caster = m_pool.Make("caster", scene);
    caster->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(0, 0, 0)));
    CPGameObject* gun = m_pool.Make("gun", caster);
    gun->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(2, 0, 0)));
    scene->UpdateTransform();

    CPRayQuery query;
    query.excluded = caster;
    query.direction = D3DXVECTOR3(1, 0, 0);
    query.distance = 10;
    EXPECT_FALSE(scene->RayPick(query));
    EXPECT_FALSE(query.hitObject);
    EXPECT_EQ(query.distance, 10);

    // A child outside its parent's part bounds is never reached: the parent's
    // bounds were taken before the child moved out.
    CPGameObject* group = m_pool.Make("group");
    CPGameObject* near = m_pool.Make("near", group);
    near->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(0, 5, 0)));
    group->UpdateTransform();
    CPGameObject* stray = m_pool.Make("stray", group);
    stray->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(3, 0, 0)));
    stray->UpdateTransform();
    CPRayQuery across;
    across.direction = D3DXVECTOR3(1, 0, 0);
    across.distance = 10;
    EXPECT_FALSE(group->RayPick(across));
    EXPECT_TRUE(stray->RayPick(across));
}

TEST_F(GameObjectBehaviour, AttachFlameAddsOneFlameChild)
{
    CPParticleManager particles;
    g_ParticleManager = &particles;
    CPGameObject* prototypeOwner = m_pool.Make("prototype");
    CPParticleSystem* prototype = new CPParticleSystem(prototypeOwner, {});
    prototype->m_lifetime = 3;
    particles.GetPrototypes().emplace_back(prototype);

    CPGameObject* barrel = m_pool.Make("barrel");
    CPGameObject* crate = m_pool.Make("crate", barrel);
    barrel->SetFlameType(0);
    crate->SetFlameType(5); // outside the list
    barrel->SetPosition(D3DXVECTOR3(1, 2, 3));
    barrel->AttachFlame();
    barrel->AttachFlame();

    ASSERT_EQ(barrel->GetChildren().size(), 2u);
    CPSmartPtr<CPGameObject> flame = barrel->FindPart("flame");
    ASSERT_TRUE(flame);
    EXPECT_EQ(flame->GetKind(), kBodyParticleSystem);
    auto* system = static_cast<CPParticleSystem*>(flame->GetBody().Get());
    EXPECT_NE(system, prototype);
    EXPECT_EQ(system->GetOwner(), flame.Get());
    EXPECT_EQ(system->m_lifetime, 3);
    EXPECT_EQ(Tasks(), (std::vector<const CPTask*>{ system }));
    EXPECT_EQ(system->GetOrder(), 200);
    EXPECT_FALSE(barrel->IsDirty());
    EXPECT_NEAR(flame->GetWorldMatrix()._43, 3, 1e-6f);
    EXPECT_EQ(barrel->GetFlameType(), -1);
    EXPECT_EQ(crate->GetFlameType(), -1);
    EXPECT_TRUE(crate->GetChildren().empty());
    g_ParticleManager = nullptr;
}

TEST_F(GameObjectBehaviour, ApplyMaterialHandsTheMaterialToMeshAndAnimatedBodies)
{
    CPSmartPtr<CPMaterial> material(new CPMaterial(20));
    CPGameObject* root = m_pool.Make("root");
    CPGameObject* meshObject = m_pool.Make("mesh", root);
    CPGameObject* animatedObject = m_pool.Make("animated", root);
    CPGameObject* spriteObject = m_pool.Make("sprite", root);
    CPRenderObject* mesh = new CPRenderObject(meshObject);
    CPAnimatedObject* animated = new CPAnimatedObject();
    CPSprite* sprite = new CPSprite(1);
    meshObject->SetBody(mesh, kBodyRenderObject);
    animatedObject->SetBody(animated, kBodyAnimatedObject);
    spriteObject->SetBody(sprite, kBodySprite);
    for (CPGameObject* object : { meshObject, animatedObject, spriteObject })
        object->SetMaterial(material.Get());

    root->ApplyMaterial();
    EXPECT_EQ(mesh->GetMaterial(), material);
    EXPECT_EQ(animated->GetMaterial(), material);
    EXPECT_FALSE(sprite->GetMaterial());
}

TEST_F(GameObjectBehaviour, LoadDescriptionReadsFromTheDescriptionsFolder)
{
    ScratchRoot root;
    root.MakeFile("data/descriptions/jeep.xml", "<physics debug=\"true\"/>");
    CPGameObject* object = m_pool.Make("jeep");
    object->SetDescriptionName("Jeep.XML");
    EXPECT_TRUE(object->LoadDescription());
    ASSERT_TRUE(object->GetDescription().RootElement());
    EXPECT_STREQ(object->GetDescription().RootElement()->Value(), "physics");

    object->SetDescriptionName("");
    EXPECT_FALSE(object->LoadDescription());
    object->SetDescriptionName("missing.xml");
    EXPECT_FALSE(object->LoadDescription());
    EXPECT_EQ(object->GetDescription().ErrorId(), 2);
}

TEST_F(GameObjectBehaviour, CopyFromBuildsAnIndependentDeepCopy)
{
    CPScriptObject* handler = MakeHandler("handler");
    CPSmartPtr<CPMaterial> material(new CPMaterial(3));
    CPGameObject* source = m_pool.Make("source");
    source->SetPosition(D3DXVECTOR3(1, 0, 0));
    source->SetScriptHandler(handler);
    source->SetMaterial(material.Get());
    source->SetCollision(false);
    source->SetParam("p");
    source->SetFlameType(2);
    source->GetPartBoxes().push_back(UnitPart(D3DXVECTOR3(0, 0, 0)));
    source->GetDescription().Parse("<camera fov=\"70\"/>");
    CPRenderObject* mesh = new CPRenderObject(source);
    mesh->GetLocalVertices().resize(3);
    mesh->GetIndices() = { 0, 1, 2 };
    source->SetBody(mesh, kBodyRenderObject);
    CPSmartPtr<CPPartAnimation> idle = MakeTrack();
    idle->SetPart(source);
    source->AddAnimation("idle", idle);
    source->AddAnimation("open", MakeTrack());
    CPPhysicData* physics = new CPPhysicData(source);
    physics->AddBox(D3DXVECTOR3(), D3DXQUATERNION(0, 0, 0, 1), 1, 2, 3, 0);
    source->SetPhysicData(physics);

    CPGameObject* child = m_pool.Make("child", source);
    child->SetPosition(D3DXVECTOR3(0, 2, 0));
    CPLight* light = new CPLight();
    light->GetLightData().Range = 40;
    child->SetBody(light, kBodyLight);
    CPGameObject* grandchild = m_pool.Make("grandchild", child);
    CPSprite* sprite = new CPSprite(0.5f);
    sprite->m_colour = 0x80ff0000;
    grandchild->SetBody(sprite, kBodySprite);
    source->Activate(1);

    CPGameObject* copy = m_pool.Make("source");
    copy->CopyFrom(source);

    EXPECT_FALSE(copy->IsActive());
    EXPECT_TRUE(copy->HasCollision());
    EXPECT_EQ(copy->GetParam(), "");
    EXPECT_EQ(copy->GetFlameType(), 2);
    EXPECT_EQ(copy->GetScriptHandler(), handler);
    EXPECT_EQ(copy->GetMaterial(), material);
    EXPECT_EQ(copy->GetPartBoxes().size(), 1u);
    EXPECT_FALSE(copy->IsDirty());
    EXPECT_NEAR(copy->GetWorldMatrix()._41, 1, 1e-6f);
    ASSERT_TRUE(copy->GetDescription().RootElement());
    EXPECT_STREQ(copy->GetDescription().RootElement()->Value(), "camera");

    // A body of its own, with the source's data.
    ASSERT_EQ(copy->GetKind(), kBodyRenderObject);
    auto* copiedMesh = static_cast<CPRenderObject*>(copy->GetBody().Get());
    EXPECT_NE(copiedMesh, mesh);
    EXPECT_EQ(copiedMesh->GetOwner(), copy);
    EXPECT_EQ(copiedMesh->GetIndices(), mesh->GetIndices());

    // Animations: new tasks moving the copy, "idle" current again.
    ASSERT_EQ(copy->GetAnimations().size(), 2u);
    ASSERT_TRUE(copy->GetCurrentAnimation());
    EXPECT_NE(copy->GetCurrentAnimation(), idle);
    EXPECT_EQ(copy->GetCurrentAnimation()->GetPart(), copy);
    EXPECT_TRUE(copy->GetCurrentAnimation()->IsLooping());
    EXPECT_EQ(copy->GetCurrentAnimation()->GetKeys().size(), 3u);

    // Physics data of its own with the same shapes.
    ASSERT_TRUE(copy->GetPhysicData());
    EXPECT_NE(copy->GetPhysicData(), physics);
    EXPECT_EQ(copy->GetPhysicData()->m_owner, copy);
    EXPECT_EQ(copy->GetPhysicData()->m_shapes.size(), 1u);

    // Children: new objects, the same tree.
    ASSERT_EQ(copy->GetChildren().size(), 1u);
    CPSmartPtr<CPGameObject> copiedChild = copy->FindPart("child");
    ASSERT_TRUE(copiedChild);
    EXPECT_NE(copiedChild, child);
    EXPECT_EQ(copiedChild->GetParent(), copy);
    EXPECT_NEAR(copiedChild->GetWorldMatrix()._42, 2, 1e-6f);
    auto* copiedLight = static_cast<CPLight*>(copiedChild->GetBody().Get());
    EXPECT_NE(copiedLight, light);
    EXPECT_EQ(copiedLight->GetLightData().Range, 40);
    EXPECT_NEAR(copiedLight->GetLight()->Position.y, 2, 1e-6f);
    CPSmartPtr<CPGameObject> copiedGrandchild = copy->FindChild("grandchild");
    ASSERT_TRUE(copiedGrandchild);
    auto* copiedSprite = static_cast<CPSprite*>(copiedGrandchild->GetBody().Get());
    EXPECT_NE(copiedSprite, sprite);
    EXPECT_EQ(copiedSprite->GetSize(), 0.5f);
    EXPECT_EQ(copiedSprite->m_colour, 0x80ff0000u);
    EXPECT_EQ(copiedSprite->GetOwner(), copiedGrandchild.Get());

    // Independent: moving the copy's child leaves the source's alone.
    copiedChild->SetPosition(D3DXVECTOR3(0, 9, 0));
    copy->UpdateTransform();
    EXPECT_EQ(child->GetPosition(), D3DXVECTOR3(0, 2, 0));
    copy->Activate(4);
    EXPECT_TRUE(copy->GetCurrentAnimation()->IsRunning());

    // Copying onto itself changes nothing.
    copy->CopyFrom(copy);
    EXPECT_EQ(copy->GetChildren().size(), 1u);
    EXPECT_EQ(copy->GetPartBoxes().size(), 1u);
}

TEST_F(GameObjectBehaviour, CopyFromClonesAParticleBody)
{
    CPGameObject* source = m_pool.Make("fire");
    CPParticleSystem* system = new CPParticleSystem(source, {});
    system->m_period = 0.25f;
    system->m_damage = 4;
    source->SetBody(system, kBodyParticleSystem);

    CPGameObject* copy = m_pool.Make("fire");
    copy->CopyFrom(source);
    auto* cloned = static_cast<CPParticleSystem*>(copy->GetBody().Get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_NE(cloned, system);
    EXPECT_EQ(cloned->GetOwner(), copy);
    EXPECT_EQ(cloned->m_period, 0.25f);
    EXPECT_EQ(cloned->m_damage, 4);
    copy->Activate(9);
    EXPECT_EQ(Tasks(), (std::vector<const CPTask*>{ cloned }));
}
