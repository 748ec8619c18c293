// The in-race display bindings and the screen pick through the host: a small
// head-up screen, a level made by the test, and tables of race states with
// the windows, texts and results they must give; then every binding without
// a screen and without a level.
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Interface/PInterface.h"
#include "Interface/PTextManager.h"
#include "Race/PGameData.h"
#include "Race/PMiniMap.h"
#include "Render/PMaterial.h"
#include "Render/PRenderable.h"
#include "Startup/PConfigVars.h"

#include "RaceStage.h"
#include "SceneFixtures.h"
#include "ScratchRoot.h"
#include "ScriptResults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{
// Windows of 10 x 10 on a 1024 x 768 design; the screen shows them at their
// design place less half a pixel.
std::string Window(const std::string& name, int x, int y)
{
    return "window\n" + name + " " + std::to_string(x) + "," + std::to_string(y) + ",10,10,0,0,10,10\n";
}

std::string Text(const std::string& name)
{
    return "text\n" + name + " big,10,10,\n";
}

std::string HudScreen()
{
    std::string text = "hud_script\nhud.tga, 64, 64\nlight, off\n";
    for (const char* name : { "lgun", "lgun_off", "mgun", "mgun_off", "super1", "super2", "super3", "nosuper1",
                              "nosuper2", "nosuper3", "no_mina", "mines", "mine_icon", "contact", "krest", "steel",
                              "engine1", "analyzer", "laser2", "noequipment1", "noequipment2" })
        text += Window(name, 500, 500);
    text += Window("slot1", 100, 10) + Window("slot2", 200, 10) + Window("slot3", 300, 10);
    for (int i = 1; i <= 17; ++i)
        text += Window("bullet" + std::to_string(i), 10 * i, 700);
    for (int i = 1; i <= 12; ++i)
        text += Window("overheat" + std::to_string(i), 10 * i, 720);
    for (const char* name : { "life", "mines", "time", "kills", "score" })
        text += Text(name);
    return text;
}

class DisplayBindings : public ::testing::Test
{
protected:
    DisplayBindings()
    {
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
        root.MakeFile("Data/Interface/hud1024.int", HudScreen());
        host = std::make_unique<CPGameHost>(root.Path());
        GetTextManager()->fonts["big"] = new CPFont();
        EXPECT_EQ(ScriptResults(*host, "hud = CreateInterface('hud', 0)"), "");
        lua_getglobal(host->GetLuaState(), "hud");
        screen = ScriptReadObject<CPInterface>(host->GetLuaState(), -1);
        lua_pop(host->GetLuaState(), 1);
        data = GetGameData();
    }

    ~DisplayBindings() override
    {
        host.reset();
        g_CfgScreenWidth = 640;
        g_CfgScreenHeight = 480;
    }

    void HideAll()
    {
        for (const auto& entry : screen->windows)
            entry.second->SetVisible(false);
    }

    // The names of the shown windows, in name order.
    std::string Shown() const
    {
        std::vector<std::string> names;
        for (const auto& entry : screen->windows)
            if (entry.second->visible)
                names.push_back(entry.first);
        std::sort(names.begin(), names.end());
        std::string text;
        for (const std::string& name : names)
            text += (text.empty() ? "" : " ") + name;
        return text;
    }

    std::string At(const char* window) const
    {
        const CPWindow& w = *screen->windows.at(window);
        return std::to_string(static_cast<int>(w.x)) + "," + std::to_string(static_cast<int>(w.y));
    }

    std::string TextOf(const char* name) const { return screen->texts.at(name).text; }

    void Bind(const char* name, const CPManagedObject* object)
    {
        ScriptPushObject(host->GetLuaState(), object);
        lua_setglobal(host->GetLuaState(), name);
    }

    ScratchRoot root;
    std::unique_ptr<CPGameHost> host;
    CPInterface* screen = nullptr;
    CPGameData* data = nullptr;
};
}

TEST_F(DisplayBindings, WeaponPanelFollowsTheRaceState)
{
    RaceStage stage;
    CPPlayer& vehicle = *stage.player;
    ASSERT_NE(screen, nullptr);
    struct Case
    {
        const char* what;
        std::function<void()> set;
        const char* shown;
        const char* life;
        const char* mines;
        const char* cursor;
    };
    const Case cases[] = {
        { "no current weapon: every filled slot off, empty gauge",
          [&] {
              data->m_activeCar.weapons[0] = "lgun";
              data->m_activeCar.weapons[1] = "mgun";
              vehicle.m_currentSlot = -1;
              vehicle.m_health = 7.9f;
              vehicle.m_weaponKind = 0;
          },
          "lgun_off mgun_off no_mina nosuper1 nosuper2 nosuper3 slot3", "007", "00", "bullet" },
        { "second slot current at ammunition 0.47: eight gauge windows",
          [&] {
              vehicle.m_currentSlot = 1;
              vehicle.m_ammunition[1] = 0.47f;
              data->m_activeCar.superWeaponCount = 2;
              vehicle.m_weaponKind = 3;
          },
          "bullet1 bullet2 bullet3 bullet4 bullet5 bullet6 bullet7 bullet8 lgun_off mgun no_mina nosuper3 slot3 "
          "super1 super2",
          "007", "00", "rocket" },
        { "one weapon in two slots, the first current at 0.5; mines; five charges",
          [&] {
              data->m_activeCar.weapons[1] = "lgun";
              vehicle.m_currentSlot = 0;
              vehicle.m_ammunition[0] = 0.5f;
              data->m_activeCar.superWeaponCount = 5;
              vehicle.m_hasMines = 1;
              vehicle.m_mineCount = 3;
              vehicle.m_mineFactor = 1.5f;
              vehicle.m_mineIcon = "mine_icon";
              vehicle.m_weaponKind = 8;
          },
          "bullet1 bullet2 bullet3 bullet4 bullet5 bullet6 bullet7 bullet8 bullet9 lgun lgun_off mine_icon mines "
          "slot3 super1 super2 super3",
          "007", "04", "shotgun" },
        { "an unknown kind keeps the cursor",
          [&] { vehicle.m_weaponKind = 9; },
          "bullet1 bullet2 bullet3 bullet4 bullet5 bullet6 bullet7 bullet8 bullet9 lgun lgun_off mine_icon mines "
          "slot3 super1 super2 super3",
          "007", "04", "shotgun" },
    };
    HideAll();
    screen->ShowWindow("contact", true);
    for (const Case& c : cases) {
        c.set();
        EXPECT_EQ(ScriptResults(*host, "UpdateGameInterface(hud)"), "") << c.what;
        EXPECT_EQ(Shown(), c.shown) << c.what;
        EXPECT_EQ(TextOf("life"), c.life) << c.what;
        EXPECT_EQ(TextOf("mines"), c.mines) << c.what;
        EXPECT_EQ(screen->cursorName, c.cursor) << c.what;
    }
    // Icons stand where their slots are; the mine icon where "no mina" is.
    EXPECT_EQ(At("lgun"), "99,9");
    EXPECT_EQ(At("lgun_off"), "199,9");
    EXPECT_EQ(At("mgun"), "199,9");
    EXPECT_EQ(At("mine_icon"), At("no_mina"));
}

TEST_F(DisplayBindings, EquipmentClockScoreAndEngine)
{
    RaceStage stage;
    struct Case
    {
        const char* what;
        std::function<void()> set;
        const char* call;
        const char* shown;
    };
    const Case cases[] = {
        { "no armour, an engine, both equipment slots filled",
          [&] {
              data->m_activeCar.engine = "engine1";
              data->m_activeCar.equipment[0] = "analyzer";
              data->m_activeCar.equipment[1] = "laser";
          },
          "InitGameInterface(hud)", "analyzer engine1 krest laser2" },
        { "armour, no engine, empty slots",
          [&] {
              data->m_activeCar.armor = "steel";
              data->m_activeCar.engine.clear();
              data->m_activeCar.equipment[0].clear();
              data->m_activeCar.equipment[1].clear();
          },
          "InitGameInterface(hud)", "noequipment1 noequipment2 steel" },
        { "no engine: the engine state changes nothing", [] {}, "EngineState(hud, false)",
          "noequipment1 noequipment2 steel" },
        { "the engine window follows the engine state",
          [&] { data->m_activeCar.engine = "engine1"; },
          "EngineState(hud, 0)", "engine1 noequipment1 noequipment2 steel" },
        { "half heat lights six gauge windows", [&] { stage.player->m_engineTemperature = 0.5f; },
          "UpdateTime(hud)", "engine1 noequipment1 noequipment2 overheat1 overheat2 overheat3 overheat4 overheat5 "
                             "overheat6 steel" },
    };
    HideAll();
    for (const Case& c : cases) {
        c.set();
        EXPECT_EQ(ScriptResults(*host, c.call), "") << c.what;
        EXPECT_EQ(Shown(), c.shown) << c.what;
    }

    const struct
    {
        float left;
        int kills;
        const char* time;
        const char* killText;
    } clocks[] = { { 125.7f, 42, "02:05", "00042" }, { -5.3f, 0, "00:-5", "00000" }, { 59.99f, 7, "00:59", "00007" } };
    for (const auto& c : clocks) {
        stage.level->timeLimit = c.left;
        data->m_kills = c.kills;
        ScriptResults(*host, "UpdateTime(hud)");
        EXPECT_EQ(TextOf("time"), c.time) << c.left;
        EXPECT_EQ(TextOf("kills"), c.killText) << c.left;
    }
    ScriptResults(*host, "UpdateScore(hud, 123.9)");
    EXPECT_EQ(TextOf("score"), "00123");
    ScriptResults(*host, "UpdateScore(hud, -7.9)");
    EXPECT_EQ(TextOf("score"), "-0007");
}

TEST_F(DisplayBindings, StandingsAndRadar)
{
    RaceStage stage;
    data->m_opponentProgress.clear();
    data->m_opponentProgress["3"].progress = 5;
    data->m_opponentProgress["3"].lapCount = 2;
    data->m_opponentProgress["7"].progress = 3;
    data->m_opponentProgress["7"].lapCount = 2;
    data->m_currentLap = 2;
    data->m_trackProgress = 3;
    // Missing keys are made with lap 1 and progress -1; equal scores keep key
    // order, the player (11) after opponent 7.
    EXPECT_EQ(ScriptResults(*host, "return SetPlayersPanel()"), "{0 1 2 4 5 6 8 9 10 7 11 3}");
    EXPECT_EQ(data->m_opponentProgress.size(), 11u);
    // The table stands where it is made, after any argument given.
    EXPECT_EQ(ScriptResults(*host, "return SetPlayersPanel('extra')"), "{0 1 2 4 5 6 8 9 10 7 11 3}");

    // The radar turned so that world x is screen right: a = -yaw - 90 degrees = 0.
    stage.camera->yawAngle = -1.5707964f;
    stage.PlacePlayer(D3DXVECTOR3(10.0f, 20.0f, 0.0f));
    data->m_aiPositions = { { "near", { 60.0f, 20.0f } }, { "far", { 130.0f, 20.0f } } };
    EXPECT_EQ(ScriptResults(*host, "return GetAIPositions()"), "3 {190 628 false}");
    EXPECT_EQ(ScriptResults(*host, "return GetPlayerMapPosition()"), "132 620");

    // With a minimap the radar shows the world at 100 / larger side / zoom:
    // 120 units of a 400-unit world at zoom 0.5 lie 60 pixels out.
    CPMiniMap map;
    map.zoom = 0.5f;
    stage.level->miniMap = &map;
    stage.level->worldWidth = 400.0f;
    stage.level->worldDepth = 200.0f;
    data->m_aiPositions.erase("near");
    EXPECT_EQ(ScriptResults(*host, "return GetAIPositions()"), "3 {200 628 false}");
    stage.level->miniMap = nullptr;

    // A time-mode ghost replaces the opponents.
    CPGameObject* ghost = host->NewObject("ghost");
    ghost->SetPosition(D3DXVECTOR3(10.0f, 50.0f, 0.0f));
    stage.level->ghostObject = ghost;
    EXPECT_EQ(ScriptResults(*host, "return GetAIPositions()"), "3 {140 658 false}");
    ghost->SetPosition(D3DXVECTOR3(10.0f, 150.0f, 0.0f));
    EXPECT_EQ(ScriptResults(*host, "return GetAIPositions()"), "0 {}");
    stage.level->ghostObject = nullptr;
}

TEST_F(DisplayBindings, NeedleAndHealthBar)
{
    RaceStage stage;
    root.MakeFile("Data/Meshes/tri.msh", scene::MeshFile({ scene::Triangle("Tri") }, false));
    root.MakeFile("Data/Meshes/tri.rdf", "mesh = tri.msh\n[tri]\ntype = 3\n");
    // Drawn on the layer 205 + n + the description's type; a layer past the
    // largest number wraps round, as the game's integers do.
    const auto arrowLayers = [this](const std::string& n) {
        EXPECT_EQ(ScriptResults(*host, "needle = CreateArrow('tri.rdf', " + n + ")"), "");
        lua_getglobal(host->GetLuaState(), "needle");
        auto* needle = ScriptReadObject<CPGameObject>(host->GetLuaState(), -1);
        lua_pop(host->GetLuaState(), 1);
        std::vector<int32_t> layers;
        CPGameObject::ObjectList parts;
        if (needle)
            needle->CollectHierarchy(parts);
        for (const CPSmartPtr<CPGameObject>& part : parts)
            if (const auto* body = dynamic_cast<const CPRenderable*>(part->GetBody().Get()))
                layers.push_back(body->GetMaterial() ? body->GetMaterial()->GetLayerId() : -1);
        return layers;
    };
    EXPECT_EQ(arrowLayers("2147483647"), std::vector<int32_t>{ -2147483647 + 206 });
    EXPECT_EQ(arrowLayers("2.9"), std::vector<int32_t>{ 205 + 2 + 3 });
    lua_getglobal(host->GetLuaState(), "needle");
    auto* needle = ScriptReadObject<CPGameObject>(host->GetLuaState(), -1);
    lua_pop(host->GetLuaState(), 1);
    ASSERT_NE(needle, nullptr);

    // 45 degrees at rest, 117 at speed 10; placed on a 1024 x 768 design.
    for (const float speed : { 0.0f, 10.0f }) {
        stage.level->playerSpeed = speed;
        ScriptResults(*host, "DrawArrow(needle, 512, 384)");
        const float angle = (45.0f + 7.2f * speed) * 3.1415927f / 180.0f;
        const D3DXMATRIX& world = needle->GetWorldMatrix();
        EXPECT_NEAR(world._11, std::cos(angle), 1e-5f) << speed;
        EXPECT_NEAR(world._12, std::sin(angle), 1e-5f) << speed;
        EXPECT_EQ(world._41, 512.0f);
        EXPECT_NEAR(world._42, 384.0f, 1e-3f);
    }

    // Seen from 10 units behind along x with a quarter-turn field of view:
    // the halved box spans x 9 to 11 from the eye and 1 to each side.
    stage.Aim(D3DXVECTOR3(-10.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f), 1.5707964f);
    stage.PlacePlayer(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    stage.player->m_damage = 30.0f;
    Bind("vehicle", stage.player.get());
    EXPECT_EQ(ScriptResults(*host, "return GetHelthBarCoord(vehicle)"), "469.33 341.33 32.901");
    EXPECT_EQ(ScriptResults(*host, "return GetHelthBarCoord(nil)"), "-100 -100 0");
    stage.PlacePlayer(D3DXVECTOR3(-20.0f, 0.0f, 0.0f));
    EXPECT_EQ(ScriptResults(*host, "return GetHelthBarCoord(vehicle)"), "-100 -100 0");
}

TEST_F(DisplayBindings, HealthBarSitsOverTheVehicleWhereverItIs)
{
    RaceStage stage;
    stage.player->m_damage = 30.0f;
    Bind("vehicle", stage.player.get());
    // The vehicle's whole box on the 1024 x 768 screen: its eight corners
    // through the camera's view and projection.
    const auto boxOnScreen = [&](float& left, float& top, float& right, float& bottom) {
        left = top = 1e9f;
        right = bottom = -1e9f;
        for (const D3DXVECTOR3& corner : stage.player->GetBoundingBox().m_corners) {
            const D3DXVECTOR4 point(corner.x, corner.y, corner.z, 1.0f);
            D3DXVECTOR4 clip;
            D3DXVec4Transform(&clip, &point, &stage.camera->mainCamera->GetViewProjection());
            const float x = (clip.x / clip.w + 1.0f) * 512.0f;
            const float y = (1.0f - clip.y / clip.w) * 384.0f;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    };
    struct Case
    {
        const char* what;
        D3DXVECTOR3 eye;
        D3DXVECTOR3 target;
        D3DXVECTOR3 vehicle;
        // The bar of the same view at the origin, where it is known; else
        // null.
        const char* bar;
    };
    const Case cases[] = {
        { "the origin's view carried far away", D3DXVECTOR3(490.0f, -300.0f, 20.0f),
          D3DXVECTOR3(500.0f, -300.0f, 20.0f), D3DXVECTOR3(500.0f, -300.0f, 20.0f), "469.33 341.33 32.901" },
        { "the same view, the vehicle moved up and to the side", D3DXVECTOR3(490.0f, -300.0f, 20.0f),
          D3DXVECTOR3(500.0f, -300.0f, 20.0f), D3DXVECTOR3(502.0f, -297.0f, 22.0f), nullptr },
        { "another place, looking along y", D3DXVECTOR3(-2000.0f, 1500.0f, 5.0f), D3DXVECTOR3(-2000.0f, 1510.0f, 5.0f),
          D3DXVECTOR3(-2001.0f, 1512.0f, 4.0f), nullptr },
    };
    for (const Case& c : cases) {
        stage.Aim(c.eye, c.target, 1.5707964f);
        stage.PlacePlayer(c.vehicle);
        const std::string bar = ScriptResults(*host, "return GetHelthBarCoord(vehicle)");
        if (c.bar)
            EXPECT_EQ(bar, c.bar) << c.what;
        float x = 0.0f;
        float y = 0.0f;
        float length = 0.0f;
        ASSERT_EQ(std::sscanf(bar.c_str(), "%f %f %f", &x, &y, &length), 3) << c.what;
        float left = 0.0f;
        float top = 0.0f;
        float right = 0.0f;
        float bottom = 0.0f;
        boxOnScreen(left, top, right, bottom);
        EXPECT_TRUE(left < x && x < right && top < y && y < bottom)
            << c.what << ": bar at " << x << ", " << y << "; box x " << left << " to " << right << ", y " << top
            << " to " << bottom;
        EXPECT_NEAR(length, 32.901f, 1e-3f) << c.what;
    }
}

TEST_F(DisplayBindings, ScreenPickThroughTheCentreAndBeside)
{
    RaceStage stage;
    // Looking straight down from 50 units up; the player under the centre.
    stage.Aim(D3DXVECTOR3(3.0f, 4.0f, 50.0f), D3DXVECTOR3(3.0f, 4.0f, 0.0f), 1.5707964f,
              D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    stage.PlacePlayer(D3DXVECTOR3(3.0f, 4.0f, 0.0f));
    const std::string player = "#" + std::to_string(stage.player->GetId());
    EXPECT_EQ(ScriptResults(*host, "return CrossInterfaceRay(0.5, 0.5)"), "true " + player + " 3 4 0");
    // Screen right is world -x from above with y up; a quarter turn of view
    // reaches 50 units up the screen and 50 x 4/3 across.
    EXPECT_EQ(ScriptResults(*host, "return CrossInterfaceRay(1, 0.5)"), "false #0 -63.667 4 0");
    EXPECT_EQ(ScriptResults(*host, "return CrossInterfaceRay(0.5, 0)"), "false #0 3 54 0");
}

TEST_F(DisplayBindings, WithoutAScreenOrALevelNothingHappens)
{
    {
        RaceStage stage;
        for (const char* call : { "UpdateGameInterface(nil)", "InitGameInterface(nil)", "UpdateTime(nil)",
                                  "UpdateScore(nil, 5)", "EngineState(nil, true)", "DrawArrow(nil, 1, 2)" })
            EXPECT_EQ(ScriptResults(*host, call), "") << call;
    }
    ASSERT_EQ(GetLevel(), nullptr);
    const std::string before = Shown();
    for (const char* call :
         { "UpdateGameInterface(hud)", "UpdateTime(hud)", "return SetPlayersPanel()", "return GetAIPositions()",
           "return GetPlayerMapPosition()", "return GetHelthBarCoord(nil)", "return CrossInterfaceRay(0.5, 0.5)" })
        EXPECT_EQ(ScriptResults(*host, call), "") << call;
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(TextOf("time"), "");
    // Without a level the needle rests at 45 degrees.
    CPGameObject* needle = host->NewObject("needle");
    Bind("needle", needle);
    ScriptResults(*host, "DrawArrow(needle, 0, 0)");
    EXPECT_NEAR(needle->GetWorldMatrix()._11, std::cos(0.7853982f), 1e-6f);
}
