// The camera, light and screen-effect bindings through the host: a table of
// calls and their results on a level with a followed car and a chase
// camera, the state they leave in the camera, the renderer and the car, and
// the same calls without a level.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Platform/CRand.h"
#include "Render/PRender.h"
#include "Startup/PConfigVars.h"

#include "RaceStage.h"
#include "ScratchRoot.h"
#include "ScriptResults.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{
struct Row
{
    const char* call;
    const char* results;
};

class CameraBindings : public ::testing::Test
{
protected:
    CameraBindings()
    {
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
    }

    void ExpectRows(const Row* rows, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            EXPECT_EQ(ScriptResults(host, rows[i].call), rows[i].results) << rows[i].call;
    }

    ScratchRoot root;
    CPGameHost host { root.Path() };
};
}

TEST_F(CameraBindings, TableOfCallsAndResultsWithALevel)
{
    RaceStage stage;
    stage.Aim(D3DXVECTOR3(4.0f, 5.0f, 6.0f), D3DXVECTOR3(14.0f, 5.0f, 6.0f), 1.0f);
    CPGameObject* ahead = host.NewObject("ahead");
    ahead->GetPartBoxes().assign(1, CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    ahead->SetPosition(D3DXVECTOR3(30.0f, 5.0f, 6.0f));
    ahead->UpdateTransform();
    CPGameObject* behind = host.NewObject("behind");
    behind->GetPartBoxes().assign(1, CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
    behind->SetPosition(D3DXVECTOR3(-30.0f, 5.0f, 6.0f));
    behind->UpdateTransform();
    ScriptPushObject(host.GetLuaState(), ahead);
    lua_setglobal(host.GetLuaState(), "ahead");
    ScriptPushObject(host.GetLuaState(), behind);
    lua_setglobal(host.GetLuaState(), "behind");
    g_CfgPlane = 0.75f;

    const Row rows[] = {
        { "return ChangeGameCamera()", "1" },
        { "return ChangeGameCamera()", "2" },
        { "return ChangeGameCamera()", "0" },
        // 0 is true in Lua: the player's view.
        { "SetCameraPlayer(0) return GetCameraPlayer()", "1" },
        { "SetCameraPlayer(false) return GetCameraPlayer()", "0" },
        { "SetCameraPlayer(nil) return GetCameraPlayer()", "0" },
        { "SetCameraZAngle(1.5) return GetCameraZAngle()", "1.5" },
        // The main camera's eye, then the look-at point.
        { "SetCameraPos(1, 2, 3) return GetCameraPositions()", "4 5 6 1 2 3" },
        { "return GetFov1(), GetFov2()", "50 50" },
        { "return CheckVisible(ahead), CheckVisible(behind), CheckVisible(nil)", "true false false" },
        { "SetLight(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15) return GetLight()",
          "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15" },
        { "return GetBrightness()", "0.75" },
        { "SetBrightness() DumpAIInfo() SetLensFlare(1, 2, 3)", "" },
        { "SetLightCoeff(0.5) SetRadialBlur(3) SetFade(0.5) SetMotionBlur(2)", "" },
    };
    ExpectRows(rows, sizeof(rows) / sizeof(rows[0]));

    CPCamera& camera = *stage.camera;
    EXPECT_EQ(camera.lookAt, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(camera.yawAngle, 1.5f);
    // With the fixed view the fixed look-at point is reported.
    camera.fixedView = 1;
    camera.fixedLookAt = D3DXVECTOR3(7.0f, 8.0f, 9.0f);
    EXPECT_EQ(ScriptResults(host, "return GetCameraPositions()"), "4 5 6 7 8 9");
    camera.fixedView = 0;

    const CPRender& render = *GetRender();
    EXPECT_EQ(render.m_lightCoeff, 0.5f);
    EXPECT_EQ(render.m_radialBlur, 3.0f);
    EXPECT_EQ(render.m_fade, render.m_fadeMax * 0.5f);
    EXPECT_EQ(render.m_motionBlurOn, 1);
    EXPECT_EQ(render.m_motionBlurAmount, 2.0f);
    ScriptResults(host, "SetMotionBlur(0)");
    EXPECT_EQ(render.m_motionBlurOn, 0);
    EXPECT_EQ(render.m_motionBlurAmount, 0.0f);
    g_CfgPlane = 1.0f;
}

TEST_F(CameraBindings, FieldOfViewTakesEffectOnceThenOnlySetsTheTarget)
{
    RaceStage stage;
    CPCamera& camera = *stage.camera;
    camera.fieldOfView = 0.0f;
    ScriptResults(host, "SetFOV(60)");
    EXPECT_EQ(camera.fieldOfView, 60.0f);
    EXPECT_EQ(camera.targetFieldOfView, 60.0f);
    EXPECT_NEAR(camera.mainCamera->m_fieldOfView, 1.0471976f, 1e-6f);
    EXPECT_NEAR(camera.secondCamera->m_fieldOfView, 1.0471976f, 1e-6f);
    EXPECT_EQ(camera.mainCamera->m_projectionDirty, 1);
    EXPECT_EQ(camera.dirty, 1);

    ScriptResults(host, "SetFOV(80)");
    EXPECT_EQ(camera.fieldOfView, 60.0f);
    EXPECT_EQ(camera.targetFieldOfView, 80.0f);
    EXPECT_NEAR(camera.mainCamera->m_fieldOfView, 1.0471976f, 1e-6f);
}

TEST_F(CameraBindings, OrbitStyleChangesOnlyOnAChange)
{
    RaceStage stage;
    CPLevel& level = *stage.level;
    CPCamera& camera = *stage.camera;
    level.playerHeading = 0.25f;
    camera.yawAngle = 2.0f;
    // From seed 1 the generator gives 41, 18467, 6334, 26500.
    crt::srand(1);
    level.orbitAngle = 0.7f;
    ScriptResults(host, "SetCamera(true)");
    EXPECT_EQ(level.orbitStyle, 1);
    EXPECT_EQ(level.orbitAngle, 0.0f);
    EXPECT_EQ(level.orbitDirection, 1.0f);      // 41 is odd
    EXPECT_EQ(camera.pitchAngle, -1.5707964f); // 18467 % 4 is 3
    EXPECT_EQ(camera.yawAngle, 2.0f);

    ScriptResults(host, "SetCamera(false)");
    EXPECT_EQ(level.orbitStyle, 0);
    EXPECT_EQ(level.orbitDirection, -1.0f);    // 6334 is even
    EXPECT_EQ(camera.yawAngle, 0.25f);         // back behind the player
    EXPECT_EQ(camera.pitchAngle, -0.2617994f); // 26500 % 4 is 0

    level.orbitAngle = 0.7f;
    camera.dirty = 0;
    ScriptResults(host, "SetCamera(false)");
    EXPECT_EQ(level.orbitAngle, 0.7f);
    EXPECT_EQ(camera.dirty, 0);
}

TEST_F(CameraBindings, TuningEditorStepsTheSelectedParameterOfTheFollowedCar)
{
    RaceStage stage;
    CPCar& car = *stage.car;
    CPRender& render = *GetRender();
    render.m_tuningIndex = 0;
    ScriptResults(host, "Pup()");
    EXPECT_EQ(render.m_tuningIndex, 0);
    const float x = car.m_sensorInset;
    ScriptResults(host, "Pleft()");
    EXPECT_EQ(car.m_sensorInset, x - 0.01f);

    const struct
    {
        int index;
        float CPCar::*value;
        float step;
    } cases[] = {
        { 6, &CPCar::m_springFront, 1.0f },       { 8, &CPCar::m_damping, 10.0f },
        { 13, &CPCar::m_slide, 0.05f },           { 16, &CPCar::m_brakeAcceleration, 0.1f },
        { 18, &CPCar::m_pitchInertia, 0.05f },
    };
    for (const auto& c : cases) {
        render.m_tuningIndex = c.index - 1;
        ScriptResults(host, "Pdown()");
        ASSERT_EQ(render.m_tuningIndex, c.index);
        const float before = car.*c.value;
        ScriptResults(host, "Pright()");
        EXPECT_EQ(car.*c.value, before + c.step) << c.index;
    }
    // The last index stays; one up from it is 17.
    ScriptResults(host, "Pdown()");
    EXPECT_EQ(render.m_tuningIndex, 18);
    ScriptResults(host, "Pup()");
    EXPECT_EQ(render.m_tuningIndex, 17);

    // An index outside the editor, or a followed vehicle without a car,
    // changes nothing.
    const float yaw = car.m_yawInertia;
    render.m_tuningIndex = 19;
    ScriptResults(host, "Pright()");
    render.m_tuningIndex = 17;
    stage.level->followedVehicle = nullptr;
    ScriptResults(host, "Pright() Pleft()");
    EXPECT_EQ(car.m_yawInertia, yaw);
    render.m_tuningIndex = 0;
}

TEST_F(CameraBindings, WithoutALevelNothingIsReadOrWritten)
{
    ASSERT_EQ(GetLevel(), nullptr);
    CPGameObject* object = host.NewObject("object");
    ScriptPushObject(host.GetLuaState(), object);
    lua_setglobal(host.GetLuaState(), "object");
    const Row rows[] = {
        { "return ChangeGameCamera()", "-1" },
        { "SetCameraPlayer(true) return GetCameraPlayer()", "" },
        { "SetCamera(true) SetCameraPos(1, 2, 3) SetCameraZAngle(1) return GetCameraZAngle()", "" },
        { "return GetCameraPositions()", "" },
        { "SetFOV(60) return GetFov1()", "" },
        { "return GetFov2()", "" },
        { "return CheckVisible(object)", "false" },
        { "SetLight(1, 2, 3) return GetLight()", "" },
        { "Pleft() Pright()", "" },
    };
    ExpectRows(rows, sizeof(rows) / sizeof(rows[0]));
}

TEST_F(CameraBindings, DefaultCameraLooksAlongXOnItsOwnLayer)
{
    const CPRender& render = *GetRender();
    ScriptResults(host, "SetDefaultCamera()");
    const auto first = render.m_layers.find(kLayerMenuCamera);
    ASSERT_NE(first, render.m_layers.end());
    const auto* camera = dynamic_cast<const CPPerspectiveCamera*>(first->second.m_camera.Get());
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->m_fieldOfView, 1.2217305f);
    EXPECT_EQ(camera->m_near, 1.0f);
    EXPECT_EQ(camera->m_far, 1000.0f);
    EXPECT_EQ(camera->m_target, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(camera->m_up, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    // Updated: a point ahead along x is in view, one behind is not.
    EXPECT_TRUE(camera->IsBoxVisible(D3DXVECTOR3(9, -1, -1), D3DXVECTOR3(11, 1, 1)));
    EXPECT_FALSE(camera->IsBoxVisible(D3DXVECTOR3(-11, -1, -1), D3DXVECTOR3(-9, 1, 1)));

    // A second call replaces the first camera, which ends.
    ScriptResults(host, "SetDefaultCamera()");
    const CPBaseCamera* second = render.m_layers.at(kLayerMenuCamera).m_camera.Get();
    EXPECT_NE(dynamic_cast<const CPPerspectiveCamera*>(second), nullptr);
}
