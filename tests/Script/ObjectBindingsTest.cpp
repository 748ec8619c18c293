// Object bindings whose effects scripts cannot read back: rotations, parent
// transforms, physics speeds and reference counts, checked on the objects.
#include "Core/PGameObject.h"
#include "Host/PGameHost.h"
#include "Host/PScriptObject.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PIVBlock.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderQueue.h"
#include "Script/ScriptBinding.h"
#include "SceneFixtures.h"
#include "ScratchRoot.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicWorld.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace
{
class ObjectBindings : public ::testing::Test
{
protected:
    ScratchRoot root;
    CPGameHost host { root.Path() };
    CPGameObject* object = host.NewObject("object");

    void SetGlobal(const char* name, const CPManagedObject* value)
    {
        ScriptPushObject(host.GetLuaState(), value);
        lua_setglobal(host.GetLuaState(), name);
    }

    void Run(const std::string& source)
    {
        SetGlobal("object", object);
        std::string error;
        ASSERT_TRUE(host.RunString(source, "test", error)) << error;
    }

    double Number(const std::string& expression)
    {
        Run("result = " + expression);
        lua_getglobal(host.GetLuaState(), "result");
        const double value = lua_tonumber(host.GetLuaState(), -1);
        lua_pop(host.GetLuaState(), 1);
        return value;
    }
};

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected)
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(actual(row, column), expected(row, column), 1e-5f) << row << "," << column;
    }
}
}

TEST_F(ObjectBindings, RotationTurnsAboutXThenYThenZ)
{
    Run("SetRotation(object, 0, 0, 0)");
    const D3DXQUATERNION& identity = object->GetRotation();
    EXPECT_EQ(identity.x, 0.0f);
    EXPECT_EQ(identity.y, 0.0f);
    EXPECT_EQ(identity.z, 0.0f);
    EXPECT_EQ(identity.w, 1.0f);

    Run("SetRotation(object, 0.3, -1.1, 2.5)");
    D3DXMATRIX x, y, z, expected;
    D3DXMatrixRotationX(&x, 0.3f);
    D3DXMatrixRotationY(&y, -1.1f);
    D3DXMatrixRotationZ(&z, 2.5f);
    D3DXMatrixMultiply(&expected, &x, &y);
    D3DXMatrixMultiply(&expected, &expected, &z);
    D3DXMATRIX actual;
    D3DXMatrixRotationQuaternion(&actual, &object->GetRotation());
    ExpectMatrixNear(actual, expected);
    // The world transform follows at once.
    EXPECT_FALSE(object->IsDirty());
}

TEST_F(ObjectBindings, ParentTransformIsRotationThenTranslation)
{
    Run("SetPosition(object, 1, 0, 0) SetPTransformation(object, 10, 20, 30, 1.5707963, 0, 0)");
    D3DXMATRIX rotation, translation, parent;
    D3DXMatrixRotationYawPitchRoll(&rotation, 1.5707963f, 0.0f, 0.0f);
    D3DXMatrixTranslation(&translation, 10.0f, 20.0f, 30.0f);
    D3DXMatrixMultiply(&parent, &rotation, &translation);
    ExpectMatrixNear(object->GetParentMatrix(), parent);
    // The own position (1, 0, 0) turned a quarter by the yaw (about y), then moved.
    const D3DXMATRIX& world = object->GetWorldMatrix();
    EXPECT_NEAR(world._41, 10.0f, 1e-5f);
    EXPECT_NEAR(world._42, 20.0f, 1e-5f);
    EXPECT_NEAR(world._43, 29.0f, 1e-5f);
    EXPECT_FALSE(object->IsDirty());
}

TEST_F(ObjectBindings, AParentsUpdateReplacesTheParentTransform)
{
    CPGameObject* child = host.NewObject("child", object);
    SetGlobal("child", child);
    Run("SetPTransformation(child, 5, 5, 5, 0, 0, 0)");
    EXPECT_NEAR(child->GetWorldMatrix()._41, 5.0f, 1e-6f);
    Run("SetPosition(object, 1, 2, 3)");
    ExpectMatrixNear(child->GetParentMatrix(), object->GetWorldMatrix());
    EXPECT_NEAR(child->GetWorldMatrix()._41, 1.0f, 1e-6f);
}

TEST_F(ObjectBindings, SpeedAndRigidityComeFromTheRigidBody)
{
    EXPECT_EQ(Number("GetObjectSpeed(object)"), 0.0);
    EXPECT_EQ(Number("IsRigid(object) and 1 or 0"), 0.0);
    EXPECT_EQ(Number("GetObjectSpeed(nil)"), 0.0);
    EXPECT_EQ(Number("select('#', IsRigid(nil))"), 0.0);

    const CPPhysicPoolSizes sizes;
    const D3DXVECTOR4 gravity(0.0f, 0.0f, -9.8f, 0.0f);
    const std::unique_ptr<CPPhysicWorld> world(CPPhysicWorld::Create(&sizes, nullptr, &gravity));
    auto* data = new CPPhysicData(object);
    object->SetPhysicData(data);
    EXPECT_EQ(Number("GetObjectSpeed(object)"), 0.0); // no body yet
    EXPECT_EQ(Number("IsRigid(object) and 1 or 0"), 0.0);

    data->m_rigidBody = world->CreateRigidBody();
    data->m_rigidBody->SetVelocity(D3DXVECTOR4(3.0f, 4.0f, 0.0f, 0.0f));
    EXPECT_NEAR(Number("GetObjectSpeed(object)"), 5.0, 1e-6);
    EXPECT_EQ(Number("IsRigid(object) and 1 or 0"), 1.0);
    data->m_rigidBody->SetVelocity(D3DXVECTOR4(0.0005f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Number("GetObjectSpeed(object)"), 0.0); // below the threshold
    data->m_rigidBody = nullptr;
    object->SetPhysicData(nullptr);
    delete data;
}

TEST_F(ObjectBindings, AnimationRequestsCarryTruncatedNumbers)
{
    // An animated child: requests reach the bodies below the object too.
    CPGameObject* child = host.NewObject("child", object);
    auto* body = new CPAnimatedObject;
    body->GetClips()["run"] = new CPAnimation("run");
    body->GetClips()["walk"] = new CPAnimation("walk");
    child->SetBody(body, kBodyAnimatedObject);
    SetGlobal("menu", host.GetScriptObject("gamemenu"));

    Run("SetAnimation(object, 'run', 2.5, 3.9, -4.2, menu)");
    EXPECT_EQ(body->GetClipName(), "run");
    EXPECT_EQ(body->GetSpeed(), 2.5f);
    EXPECT_EQ(body->GetLoopLimit(), 3);
    EXPECT_EQ(body->GetReportFrame(), -4);
    EXPECT_EQ(body->GetTarget().Get(), host.GetScriptObject("gamemenu"));

    Run("StartAnimation(object, 'walk', -2.7)");
    EXPECT_EQ(body->GetClipName(), "walk");
    EXPECT_EQ(body->GetSpeed(), 1.0f);
    EXPECT_EQ(body->GetLoopLimit(), -2);
    EXPECT_EQ(body->GetReportFrame(), -1);
    EXPECT_EQ(body->GetTarget().Get(), nullptr);

    // Not forced: the clip that plays already is left alone; unknown clips
    // change nothing.
    Run("StartAnimation(object, 'walk', 7) SetAnimation(object, 'swim', 1, 1, 1)");
    EXPECT_EQ(body->GetClipName(), "walk");
    EXPECT_EQ(body->GetLoopLimit(), -2);
}

TEST_F(ObjectBindings, ScriptReferencesMoveTheCount)
{
    CPGameObject* child = host.NewObject("child", object);
    Run("AddRef(object) AddRef(object)");
    EXPECT_EQ(object->GetRefCount(), 2);
    Run("Release(object)");
    EXPECT_EQ(object->GetRefCount(), 0);

    Run("found = FindObject(object, 'child')");
    EXPECT_EQ(child->GetRefCount(), 1);
    Run("copy = Clone(object)");
    lua_getglobal(host.GetLuaState(), "copy");
    const CPManagedObject* copy = ScriptReadObject<CPManagedObject>(host.GetLuaState(), -1);
    lua_pop(host.GetLuaState(), 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetRefCount(), 1);
    delete copy;
}

TEST_F(ObjectBindings, LoadRenderObjectBuildsTheDescribedTreeForTheScript)
{
    root.MakeFile("Data/Meshes/tri.msh", scene::MeshFile({ scene::Triangle("Tri") }, false));
    root.MakeFile("Data/Meshes/tri.rdf", "mesh = tri.msh\n[tri]\ntype = 3\n");
    Run("loaded = LoadRenderObject('tri.rdf', 20.9) missing = LoadRenderObject('none.rdf', 0)");
    lua_State* L = host.GetLuaState();
    lua_getglobal(L, "loaded");
    CPManagedObject* loaded = CPManagedObject::FindLive(ScriptReadHandle(L, -1));
    lua_getglobal(L, "missing");
    EXPECT_EQ(ScriptReadHandle(L, -1), 0u); // no "wrong.rdf" either
    lua_pop(L, 2);
    ASSERT_NE(loaded, nullptr);
    auto* tree = dynamic_cast<CPGameObject*>(loaded);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->GetName(), "tri");
    EXPECT_EQ(tree->GetSourceName(), "tri.rdf");
    std::string error;
    EXPECT_FALSE(host.RunString("LoadRenderObject('tri.rdf', {})", "test", error));
}

TEST_F(ObjectBindings, AHandleToADeletedObjectStaysDeadWhenAnotherTakesItsAddress)
{
    // The second object is built where the first one was, as an allocator
    // may do; the first one's handle, kept by the script, must not reach it.
    alignas(CPGameObject) unsigned char storage[sizeof(CPGameObject)];
    auto* first = new (storage) CPGameObject("first");
    SetGlobal("a", first);
    Run("aText = PointerToString(a)");
    first->~CPGameObject();
    auto* second = new (storage) CPGameObject("second");
    ASSERT_EQ(static_cast<void*>(second), static_cast<void*>(first));

    Run("SetPosition(a, 1, 2, 3) SetPosition(StringToPointer(aText), 4, 5, 6)");
    EXPECT_EQ(second->GetPosition(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Number("select('#', GetPosition(a))"), 0.0);
    SetGlobal("b", second);
    Run("SetPosition(b, 7, 8, 9)");
    EXPECT_EQ(second->GetPosition(), D3DXVECTOR3(7.0f, 8.0f, 9.0f));
    second->~CPGameObject();
}

TEST_F(ObjectBindings, ApplyImpulsePushesAVehicleAtItsPosition)
{
    CPPhysicManager& manager = *GetPhysicManager();
    manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
    fixture::Vehicle vehicle(fixture::CarXml(), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    vehicle.AddTo(manager);
    SetGlobal("vehicle", vehicle.Player());
    Run("ApplyImpulse(vehicle, 0, 600, -300) ApplyImpulse(object, 1, 1, 1) ApplyImpulse(nil, 1, 1, 1)");
    D3DXVECTOR4 velocity;
    vehicle.Body()->GetVelocity(&velocity);
    EXPECT_EQ(velocity, D3DXVECTOR4(0.0f, 2.0f, -1.0f, 0.0f));
    // At the body's own position: no turn.
    D3DXVECTOR4 momentum;
    vehicle.Body()->GetAngularMomentum(&momentum);
    EXPECT_EQ(momentum, D3DXVECTOR4());
}

TEST_F(ObjectBindings, DrawDynamicObjectQueuesTheVisibleTree)
{
    CPRender* render = GetRender();
    ASSERT_NE(render, nullptr);
    // A queue of the test's own, which lets go of the material before it goes.
    auto material = std::make_unique<CPMaterial>(20);
    auto queue = std::make_unique<CPRenderQueue>();
    const CPSmartPtr<CPRenderQueue> hostQueue = render->m_renderQueue;
    render->m_renderQueue = queue.get();
    CPGameObject* wheel = host.NewObject("wheel", object);
    auto mesh = std::make_unique<CPRenderObject>(wheel);
    mesh->GetLocalVertices().resize(3);
    mesh->GetWorldVertices().resize(3);
    mesh->GetIndices() = { 0, 1, 2 };
    mesh->SetMaterial(material.get());
    wheel->SetBody(mesh.get(), kBodyRenderObject);

    Run("DrawDynamicObject(nil)");
    EXPECT_TRUE(queue->GetFrameBlocks().empty());
    Run("DrawDynamicObject(object)");
    ASSERT_EQ(queue->GetFrameBlocks().size(), 1u);
    EXPECT_EQ(queue->GetFrameBlocks().begin()->second->GetVertexTotal(), 3);
    queue->GetFrameBlocks().begin()->second->Clear();
    queue->GetFrameBlocks().clear();
    object->SetVisible(false);
    Run("DrawDynamicObject(object)");
    EXPECT_TRUE(queue->GetFrameBlocks().empty());

    render->m_renderQueue = hostQueue;
    queue.reset();
    wheel->SetBody(nullptr, kBodyGroup);
}
