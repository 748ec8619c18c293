// The vehicle and opponent script functions through the host's Lua state: a
// player's car in a level with six opponents, a table of calls with their
// results, what the calls did to the vehicles, and the same calls without a
// level and with nil vehicles.
#include "Core/PFileReader.h"
#include "HostRaceFixture.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PSpline.h"
#include "Render/PPerspectiveCamera.h"

#include "Race/PathRecord.h"

#include <memory>
#include <string>
#include <vector>

namespace
{
// Prints a call's results rounded to 1/1000, handles by their global name.
const char kShow[] = R"(
function show(...)
  local out = {}
  for i = 1, select("#", ...) do
    local v = select(i, ...)
    if type(v) == "number" then
      v = math.floor(v * 1000 + 0.5) / 1000
      if v == 0 then v = 0 end
    elseif type(v) == "userdata" then
      for _, name in ipairs({ "p", "o1", "o2", "o3", "o4", "o5", "o6" }) do
        if _G[name] == v then v = name end
      end
    end
    out[#out + 1] = tostring(v)
  end
  return table.concat(out, " ")
end
function check(rows)
  for i, row in ipairs(rows) do
    local got = show(row[1]())
    assert(got == row[2], "row " .. i .. ": got [" .. got .. "] expected [" .. row[2] .. "]")
  end
end
)";

class VehicleBindings : public HostRaceFixture
{
protected:
    void SetUp() override
    {
        HostRaceFixture::SetUp();
        CPPlayer& player = AddPlayerCar(D3DXVECTOR3(10.0f, 0.0f, 0.0f));
        player.SetModelName("truck_130_");
        player.SetSideFlags(CPPlayer::kLightSide);
        Global("p", &player);

        // Opponents: a wrecked and a sound light-side car, a traffic car, two
        // dark-side cars and a light-side car sixth in the list.
        const struct
        {
            const char* model;
            uint32_t side;
            D3DXVECTOR3 position;
            float damage;
        } opponents[] = {
            { "scout", CPPlayer::kLightSide, D3DXVECTOR3(0, 10, 0), 100.0f },
            { "saloon", CPPlayer::kLightSide, D3DXVECTOR3(0, 20, 0), 40.0f },
            { "tourer_suv", CPPlayer::kTraffic, D3DXVECTOR3(0, 5, 0), 0.0f },
            { "coupe_tt", CPPlayer::kDarkSide, D3DXVECTOR3(3, 4, 0), 0.0f },
            { "coupe_tt", CPPlayer::kDarkSide, D3DXVECTOR3(50, 50, 0), 0.0f },
            { "sedan_3110_main", CPPlayer::kLightSide, D3DXVECTOR3(100, 100, 0), 0.0f },
        };
        for (const auto& entry : opponents) {
            m_opponents.push_back(std::make_unique<CPPlayer>());
            CPPlayer& opponent = *m_opponents.back();
            opponent.SetModelName(entry.model);
            opponent.SetSideFlags(entry.side);
            opponent.SetPosition(entry.position);
            opponent.m_damage = entry.damage;
            m_level->vehicles.emplace_back(&opponent);
            Global(("o" + std::to_string(m_opponents.size())).c_str(), &opponent);
        }
        Run(kShow);
    }

    void TearDown() override
    {
        m_level.reset();
        m_opponents.clear();
        HostRaceFixture::TearDown();
    }

    D3DXVECTOR4 BodyVelocity() const { return HostRaceFixture::BodyVelocity(*m_car); }

    std::vector<std::unique_ptr<CPPlayer>> m_opponents;
};
}

TEST_F(VehicleBindings, QueriesAndSettersOnALevel)
{
    m_level->playerSpeed = 12.5f;
    m_car->Car()->m_nitroCapacity = 50.0f;
    m_car->Car()->m_speed = 7.0f;
    D3DXQUATERNION quarterTurn;
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&quarterTurn, &up, 1.5707964f);
    m_opponents[3]->SetRotation(quarterTurn);
    Run(R"(check({
  { function() return GetPlayerPosition() end, "10 0 0" },
  { function() return GetPlayerDirection() end, "0 -1 0" },
  { function() return GetPlayerDirectionAI(o4) end, "1 0 0" },
  { function() return GetPlayerSpeed() end, "12.5" },
  { function() return GetPlayerSlide() end, "1" },
  { function() return GetPlayerMass() end, "300" },
  { function() return GetPlayerMass(p), GetPlayerMass(o1), GetPlayerMass(nil) end, "300 0 0" },
  { function() return GetNitro(), IsNitro() end, "50 false" },
  { function() PlayerNitro(3) return IsNitro() end, "true" },
  { function() SetAbilitiesCount(2.9) SetMaxAbilityCount(5.5) return ActivateAbilities() end, "2 5" },
  { function() SetPlayerMana(-4.9) return GetPlayerMana() end, "-4" },
  { function() SetAbilitiesCountAI(o2, 3.7) return ActivateAbilitiesAI(o2) end, "3" },
  { function() return GetPlayerSpeedAI(p), GetPlayerSpeedAI(o2) end, "7 0" },
  { function() return GetPlayerDamage(), IsDead(), IsInGloom(p), IsInGloom(nil) end, "0 false false false" },
  { function() return IsPlayerDead(), IsPlayerDead("scout_469"), IsPlayerDead("scout") end, "false true true" },
  { function() return IsPlayerDead("saloon_i745"), IsPlayerDead("truck_130"), IsPlayerDead("none") end,
    "false false false" },
  { function() return GetAIDamage("saloon_i745"), GetAIDamage("scout"), GetAIDamage("truck_130") end, "40 100 0" },
  { function() return DamagePlayer(nil, 5), DamagePlayer(p, 5) end, "true true" },
  -- Nearest light-side car: the wrecked one is skipped, the player is not
  -- searched for damage, the sixth car only by the wide search.
  { function() return GetNearestTalmorPlayer(0, 18, 0) end, "0 20 0 o2 2" },
  { function() return GetNearestTalmorPlayer(0, 9, 0) end, "0 20 0 o2 11" },
  { function() return GetNearestTalmorPlayer(10, 1, 0) end, "10 0 0 p 1" },
  { function() return GetNearestTalmorPlayer(0, 6, 0, true) end, "0 5 0 o3 1" },
  { function() return GetNearestTalmorPlayer(100, 100, 0) end, "0 20 0 o2 128.062" },
  { function() return GetNearestTalmorPlayer(100, 100, 0, 1) end, "100 100 0 o6 0" },
  { function() return GetNearestKrevanPlayer(3, 4, 1) end, "3 4 0 o4 1" },
  { function() return select("#", GetNearestKrevanPlayer(20000, 0, 0)) end, "0" },
})
SetCarParams(p, 0.5, -0.25)
SetCarParams(nil, 1, 1)
LockPlayers(0)
)");
    CPPlayer* player = m_car->Player();
    EXPECT_FLOAT_EQ(player->m_throttle, 0.5f);
    EXPECT_FLOAT_EQ(player->m_steering, -0.25f);
    EXPECT_FLOAT_EQ(player->m_health, CPPlayer::kStartHealth - 5.0f);
    EXPECT_FLOAT_EQ(m_car->Car()->m_nitro, 3.0f);
    EXPECT_EQ(player->m_locked, 1);
    for (const auto& opponent : m_opponents)
        EXPECT_EQ(opponent->m_locked, 1);
    Run("LockPlayer(false)");
    EXPECT_EQ(player->m_locked, 0);
    EXPECT_EQ(m_opponents[0]->m_locked, 1);

    // After "game_over" the player's nitro stays as it is.
    m_level->gameOver = 1;
    Run("PlayerNitro(9)");
    EXPECT_FLOAT_EQ(m_car->Car()->m_nitro, 3.0f);
    // An opponent's nitro: alone, the nitro value is cleared; with an amount
    // the throttle is disabled and the nitro started instead.
    Run("PlayerNitroAI(p)");
    EXPECT_FLOAT_EQ(m_car->Car()->m_nitro, 0.0f);
    EXPECT_EQ(player->m_nitroStarted, 1);
    player->m_nitroStarted = 0;
    Run("PlayerNitroAI(p, 0.5)");
    EXPECT_EQ(player->m_throttleDisabled, 1);
    EXPECT_EQ(player->m_nitroStarted, 1);
}

TEST_F(VehicleBindings, ImpulsesMoveThePlayersBody)
{
    const struct
    {
        const char* call;
        D3DXVECTOR3 change;
    } cases[] = {
        { "PlayerApplyImpulse(0, 0, 300)", D3DXVECTOR3(0, 0, 1) },
        { "PlayerApplyImpulse(1, 2, 3, 0, 0, 600)", D3DXVECTOR3(0, 0, 2) },
        { "Jump(p, 0, 0, 600)", D3DXVECTOR3(0, 0, 2) },
        { "Jump(o1, 0, 0, 600) Jump(nil, 0, 0, 600)", D3DXVECTOR3(0, 0, 0) },
        // A truck is lifted by 31.25 x its mass.
        { "ThrowPlayer(p)", D3DXVECTOR3(0, 0, 31.25f) },
        { "ThrowPlayer(o4) ThrowPlayer(nil)", D3DXVECTOR3(0, 0, 0) },
        // Four times the car's velocity record (1, 0, 0) backwards.
        { "StopPlayerCar()", D3DXVECTOR3(-4.0f / fixture::kCarMass, 0, 0) },
    };
    m_car->Car()->m_velocity = D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f);
    for (const auto& c : cases) {
        m_car->Body()->SetVelocity(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
        Run(c.call);
        const D3DXVECTOR4 velocity = BodyVelocity();
        EXPECT_NEAR(velocity.x, c.change.x, 1e-4f) << c.call;
        EXPECT_NEAR(velocity.y, c.change.y, 1e-4f) << c.call;
        EXPECT_NEAR(velocity.z, c.change.z, 1e-4f) << c.call;
    }
}

TEST_F(VehicleBindings, MoveForwardComparesVelocityWithTheView)
{
    CPCamera* camera = new CPCamera();
    CPPerspectiveCamera* view = new CPPerspectiveCamera();
    camera->mainCamera = view;
    m_level->camera = camera;
    view->m_eye = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    camera->lookAt = D3DXVECTOR3(0.0f, -5.0f, 0.0f);
    camera->fixedLookAt = D3DXVECTOR3(0.0f, 5.0f, 0.0f);
    const struct
    {
        D3DXVECTOR4 velocity;
        uint8_t fixedView;
        const char* expected;
    } cases[] = {
        { D3DXVECTOR4(0, -3, 0, 0), 0, "true" },
        { D3DXVECTOR4(1, 0, 0, 0), 0, "true" },
        { D3DXVECTOR4(1, 1, 0, 0), 0, "false" },
        { D3DXVECTOR4(0, -3, 0, 0), 1, "false" },
    };
    for (const auto& c : cases) {
        m_car->Car()->m_velocity = c.velocity;
        camera->fixedView = c.fixedView;
        Run(std::string("check({{ function() return IsPlayerMoveForward() end, \"") + c.expected + "\" }})");
    }
    // A chase camera without its view camera answers nothing.
    camera->mainCamera = nullptr;
    Run("check({{ function() return select('#', IsPlayerMoveForward()) end, '0' }})");
    m_level->camera = nullptr;
    delete camera;
    delete view;
}

TEST_F(VehicleBindings, KillPlayerTakesTheCarOutOfTheRace)
{
    Run("KillPlayer(nil) KillPlayer(p)");
    EXPECT_FALSE(m_car->Player()->IsVisible());
    EXPECT_FALSE(m_car->Player()->HasCollision());
    EXPECT_FALSE(GetPhysicManager()->IsActiveObject(m_car->Player()));
}

TEST_F(VehicleBindings, SetWeaponPosTurnsTheWeaponTowardTheAimAlongTheCar)
{
    // The car stands at (10, 0, 0) facing -y; its gun sits 1 above it.
    CPGameObject* gun = new CPGameObject("lgun");
    gun->SetPosition(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    m_car->AddPart(gun);
    CPPlayer& player = *m_car->Player();
    player.UpdateTransform();
    player.m_currentWeapon = gun;
    const float quarter = 1.5707964f;
    const struct
    {
        const char* call;
        D3DXVECTOR3 aim;
        float yaw;
    } cases[] = {
        { "SetWeaponPos(10, -20, 1)", D3DXVECTOR3(10, -20, 1), 0.0f },
        { "SetWeaponPos(30, 0, 1, o1)", D3DXVECTOR3(30, 0, 1), quarter },
        { "SetWeaponPos(-10, 0, 4, nil)", D3DXVECTOR3(-10, 0, 4), -quarter },
    };
    for (const auto& c : cases) {
        Run(c.call);
        EXPECT_EQ(player.m_aimPoint, c.aim) << c.call;
        D3DXQUATERNION expected;
        D3DXQuaternionRotationYawPitchRoll(&expected, c.yaw, 0.0f, 0.0f);
        const D3DXQUATERNION& turned = gun->GetRotation();
        EXPECT_NEAR(turned.x, expected.x, 1e-5f) << c.call;
        EXPECT_NEAR(turned.y, expected.y, 1e-5f) << c.call;
        EXPECT_NEAR(turned.z, expected.z, 1e-5f) << c.call;
        EXPECT_NEAR(turned.w, expected.w, 1e-5f) << c.call;
    }
    // A level without its player leaves the weapon as it was.
    m_level->player = nullptr;
    Run("SetWeaponPos(1, 2, 3)");
    EXPECT_EQ(player.m_aimPoint, D3DXVECTOR3(-10, 0, 4));
    m_level->player = &player;
    player.m_currentWeapon = nullptr;
}

TEST_F(VehicleBindings, SpawnPutsTheVehicleBackOnTheCentrePath)
{
    // A straight path from x -60 to 60; its line nearest x 12 runs from x 10.
    m_root.MakeFile("Data/Levels/path.lvl",
                    PathRecord("c_path", false, { StraightSegment(D3DXVECTOR3(-60, 0, 0), D3DXVECTOR3(60, 0, 0)) }));
    CPFileReader reader("Data\\Levels\\path.lvl");
    ASSERT_EQ(reader.Load(), S_OK);
    std::unique_ptr<CPSpline> path = std::make_unique<CPSpline>();
    ASSERT_TRUE(path->Load(reader));
    m_level->centrePath = path.get();
    m_level->vehicles.clear(); // nothing in the way of the first point
    CPPlayer& player = *m_car->Player();
    const auto standAt = [&player](float x) {
        player.SetPosition(D3DXVECTOR3(x, 0.0f, 0.0f));
        player.UpdateTransform();
    };
    standAt(12.0f);
    m_level->respawnTimer = 5.0f;
    Run(R"(check({
  { function() Spawn(nil) return GetPlayerPosition() end, "12 0 0" },
  { function() Spawn(p) return GetPlayerPosition() end, "10 0 3" },
  { function() return GetPlayerDirection() end, "-1 0 0" },
}))");
    EXPECT_EQ(player.m_respawnTime, 1.0f);
    EXPECT_EQ(m_level->respawnTimer, 0.0f);
    EXPECT_EQ(player.m_fadeDown, 1);

    // Not again within a second, nor while locked.
    standAt(30.0f);
    Run("Spawn(p)");
    EXPECT_EQ(player.GetPosition().x, 30.0f);
    player.m_respawnTime = 0.0f;
    player.m_locked = 1;
    Run("Spawn(p)");
    EXPECT_EQ(player.GetPosition().x, 30.0f);
    player.m_locked = 0;
    m_level->centrePath = nullptr;
}

TEST_F(VehicleBindings, WithoutALevelOrAVehicle)
{
    m_level.reset();
    Run(R"(check({
  { function() return GetPlayerPosition() end, "0 0 0" },
  { function() return GetPlayerSpeed(), IsDead() end, "0 true" },
  { function() return select("#", GetPlayerDirection()), select("#", GetPlayerMass()), select("#", GetNitro()) end,
    "0 0 0" },
  { function() return select("#", IsNitro()), select("#", ActivateAbilities()), select("#", GetPlayerDamage()) end,
    "0 0 0" },
  { function() return select("#", IsPlayerDead()), select("#", IsPlayerDead("scout")) end, "0 0" },
  { function() return select("#", IsPlayerMoveForward()), select("#", IsPlayerMovingBackwards()) end, "0 0" },
  { function() return select("#", GetNearestTalmorPlayer(0, 0, 0, true)), select("#", GetAIDamage("scout")) end,
    "0 0" },
  { function() SetPlayerMana(3) SetMaxAbilityCount(2) return GetPlayerMana() end, "3" },
  { function() return select("#", ActivateAbilitiesAI(nil)), select("#", GetPlayerSpeedAI(nil)),
      select("#", GetPlayerDirectionAI(nil)) end, "0 0 0" },
})
PlayerApplyImpulse(1, 2, 3) StopPlayerCar() PlayerNitro(1) LockPlayer(true) LockPlayers(true) SetAbilitiesCount(4)
SetAbilitiesCountAI(nil, 2) PlayerNitroAI(nil, 1) SetBrake(nil, true) SetBrake2(nil, true) SetStop(nil, true)
)");
    EXPECT_EQ(g_GameData->m_maxAbilities, 2);
    EXPECT_EQ(m_car->Player()->m_locked, 0);
}
