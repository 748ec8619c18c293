// The weapon and combat script functions through the host's Lua state: the
// shots they fire as the shot manager sees them, a lightning bolt stepped by
// the script until it hits the player's car, the triggers and the weapon
// choice of a vehicle, the push out of a circle, and the nil, paused and
// missing-level cases.
#include "Core/PGameHost.h"
#include "HostRaceFixture.h"
#include "Race/PGameData.h"
#include "Race/PShot.h"
#include "Render/PRender.h"
#include "Vehicles/PCar.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
class CombatBindings : public HostRaceFixture
{
protected:
    void SetUp() override
    {
        HostRaceFixture::SetUp();
        // The host's shot manager tells of every shot fired.
        GetShotManager()->SetFireObserver([this](const std::string& type, const D3DXVECTOR3& position,
                                       const D3DXVECTOR3& direction, float value,
                                       const CPSmartPtr<CPGameObject>& owner, const float*) {
            char text[160];
            std::snprintf(text, sizeof(text), "%s %g,%g,%g %g,%g,%g %g%s", type.c_str(), position.x, position.y,
                          position.z, direction.x, direction.y, direction.z, value, owner ? " owned" : "");
            m_fired.push_back(text);
        });
        Global("p", &AddPlayerCar(D3DXVECTOR3(0.0f, 10.0f, 0.0f)));
        m_owner.SetPosition(D3DXVECTOR3(10.0f, 0.0f, 0.0f));
        m_owner.UpdateTransform();
        Global("owner", &m_owner);
    }

    void TearDown() override
    {
        HostRaceFixture::TearDown();
    }

    std::vector<std::string> Fired()
    {
        std::vector<std::string> fired;
        fired.swap(m_fired);
        return fired;
    }

    std::vector<std::string> m_fired;
    CPGameObject m_owner{ "turret" };
};
}

TEST_F(CombatBindings, ShotsAndExplosionsFireWithoutOwnerOrSpeed)
{
    const struct
    {
        const char* call;
        std::vector<std::string> fired;
    } cases[] = {
        { "Explosion('boom', 1, 2, 3)", { "boom 1,2,3 0,0,0 -1" } },
        { "DirectionalExplosion('boom', 1, 2, 3, 4, 5, 6)", { "boom 1,2,3 4,5,6 -1" } },
        // At the owner's point (1, 0, 0) in world axes; the last three
        // numbers are ignored.
        { "Shot('flash', owner, 1, 0, 0, 7, 8, 9)", { "flash 11,0,0 0,0,0 -1" } },
        { "Shot(5, owner, 0, 0, 0)", { "5 10,0,0 0,0,0 -1" } },
        { "Shot('flash', nil, 1, 0, 0)", {} },
    };
    for (const auto& c : cases) {
        Run(c.call);
        EXPECT_EQ(Fired(), c.fired) << c.call;
    }
    std::string error;
    EXPECT_FALSE(m_host->RunString("Shot({}, owner, 0, 0, 0)", "bad", error));
    EXPECT_NE(error.find("bad argument"), std::string::npos) << error;
    EXPECT_FALSE(m_host->RunString("SetCurrentWeapon(p, nil)", "bad", error));
    EXPECT_NE(error.find("bad argument"), std::string::npos) << error;

    // A stopped level fires no shots; explosions need no level.
    m_level->paused = 1;
    Run("Shot('flash', owner, 1, 0, 0)");
    EXPECT_TRUE(Fired().empty());
    m_level.reset();
    Run("Shot('flash', owner, 1, 0, 0) Explosion('boom', 0, 0, 0) PlayerShot() CheckIntersection(0, 0, 0, 50)");
    EXPECT_EQ(Fired(), std::vector<std::string>{ "boom 0,0,0 0,0,0 -1" });
}

TEST_F(CombatBindings, ABoltGrowsUntilItHitsTheCar)
{
    g_FrameTime = 0.5f;
    // Ten units a second: 5 units a step toward the car 10 units away.
    Run(R"(
bolt = StartLighting("zap", 0, 0, 1, 0, 1, 0)
assert(PointerToString(bolt) ~= "0")
local results = {}
for i = 1, 4 do
  local status, hit = UpdateTrasser(bolt)
  results[#results + 1] = tostring(status) .. (hit == p and "p" or "")
  if status ~= 1 then break end
end
assert(table.concat(results, " ") == "1 0p", table.concat(results, " "))
assert(select("#", UpdateTrasser(nil)) == 1 and UpdateTrasser(nil) == -1)
assert(select("#", UpdateTrasser(p)) == 1 and UpdateTrasser(p) == -1)
-- The growing bolt was queued for drawing; the frame draws it.
HOST.frame(0)
)");
    // The follow-up was fired where the bolt's head met the car.
    const std::vector<std::string> fired = Fired();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].rfind("sparks ", 0), 0u) << fired[0];
    g_FrameTime = 0.0f;
}

// A bolt queued for drawing in a frame that never comes: the host lets go of
// the queued body before the shot manager ends (the sanitizer build sees a
// use after free otherwise).
TEST_F(CombatBindings, AQueuedBoltNeverDrawnEndsWithTheHost)
{
    g_FrameTime = 0.5f;
    Run(R"(
bolt = StartLighting("zap", 0, 0, 1, 0, 1, 0)
assert(UpdateTrasser(bolt) == 1)
)");
    g_FrameTime = 0.0f;
}

TEST_F(CombatBindings, TriggersFollowTheVehiclesState)
{
    CPPlayer& vehicle = *m_car->Player();
    const struct
    {
        int32_t slot;
        uint8_t outOfAmmo;
        int32_t kind;
        const char* call;
        uint8_t fire;
        float cooldown;
    } cases[] = {
        { 0, 0, 0, "SetShot(p, true)", 1, 3.0f },    { -1, 0, 0, "SetShot(p, true)", 0, 3.0f },
        { 0, 1, 0, "SetShot(p, 1)", 0, 3.0f },       { 2, 0, 8, "SetShot(p, 0)", 1, 0.0f },
        { 2, 0, 8, "SetShot(p, false)", 0, 3.0f },   { 1, 0, 0, "SetShot(nil, true)", 0, 3.0f },
    };
    for (const auto& c : cases) {
        vehicle.m_currentSlot = c.slot;
        vehicle.m_outOfAmmo = c.outOfAmmo;
        vehicle.m_weaponKind = c.kind;
        vehicle.m_fire = 0;
        vehicle.m_cooldown = 3.0f;
        Run(c.call);
        EXPECT_EQ(vehicle.m_fire, c.fire) << c.call << " slot " << c.slot;
        EXPECT_FLOAT_EQ(vehicle.m_cooldown, c.cooldown) << c.call;
    }

    const struct
    {
        uint8_t hasMines;
        uint8_t block;
        const char* call;
        uint8_t drop;
    } mines[] = {
        { 1, 0, "SetMineShot(p, true)", 1 }, { 0, 0, "SetMineShot(p, true)", 0 },
        { 1, 1, "SetMineShot(p, true)", 0 }, { 1, 0, "SetMineShot(p, nil)", 0 },
    };
    for (const auto& c : mines) {
        vehicle.m_hasMines = c.hasMines;
        vehicle.m_mineBlock = c.block;
        vehicle.m_mineDrop = 1 - c.drop;
        Run(c.call);
        EXPECT_EQ(vehicle.m_mineDrop, c.drop) << c.call << " mines " << int(c.hasMines) << " block " << int(c.block);
    }

    std::unique_ptr<CPGameObject> gun = std::make_unique<CPGameObject>("lgun");
    vehicle.AddChild(gun.get());
    Run("SetCurrentWeapon(p, 'lgun')");
    EXPECT_EQ(vehicle.m_currentWeapon.Get(), gun.get());
    Run("SetCurrentWeapon(p, 'rocket') SetCurrentWeapon(nil, 'lgun')");
    EXPECT_EQ(vehicle.m_currentWeapon.Get(), nullptr);
    gun.reset();

    Run("PlayerShot()");
    EXPECT_EQ(m_level->playerShotRequest, 1);
    Run("DrawLine(1, 2, 3, 4, 5, 6)");
    const std::vector<CPVertex>& line = GetRender()->m_lineVertices;
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0].diffuse, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(line[1].position.z, 6.0f);
}

TEST_F(CombatBindings, DarkSideVehiclesInTheCircleArePushedBack)
{
    // The player's car is dark-side and moves; a second dark-side car 11
    // units away is out of the circle, a third stands still inside it.
    m_car->Player()->SetSideFlags(CPPlayer::kDarkSide);
    m_car->Car()->m_velocity = D3DXVECTOR4(0.0f, 3.0f, 0.0f, 0.0f);
    fixture::Vehicle far(fixture::CarXml(), D3DXVECTOR3(11.0f, 0.0f, 0.0f));
    fixture::Vehicle standing(fixture::CarXml(), D3DXVECTOR3(0.0f, 2.0f, 5.0f));
    for (fixture::Vehicle* car : { &far, &standing }) {
        car->AddTo(*GetPhysicManager());
        car->Player()->SetSideFlags(CPPlayer::kDarkSide);
        car->Car()->m_velocity = D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f);
        m_level->vehicles.emplace_back(car->Player());
    }
    standing.Car()->m_velocity = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    Run("CheckIntersection(0, 4, 100, 10)");
    EXPECT_NEAR(BodyVelocity(*m_car).y, -72.0f / fixture::kCarMass, 1e-5f);
    EXPECT_FLOAT_EQ(BodyVelocity(far).x, 0.0f);
    EXPECT_FLOAT_EQ(BodyVelocity(standing).x, 0.0f);
    EXPECT_FLOAT_EQ(BodyVelocity(standing).y, 0.0f);
    m_level->vehicles.clear();
}

TEST_F(CombatBindings, WeaponSwitchingSkipsEmptySlotsBothWays)
{
    CPPlayer& vehicle = *m_car->Player();
    const struct
    {
        const char* slots[3];
        int32_t from;
        const char* call;
        int32_t to;
    } cases[] = {
        { { "lgun", "", "plasma" }, 0, "SetNextWeapon(p)", 2 },
        { { "lgun", "", "plasma" }, 2, "SetNextWeapon(p)", 0 },
        { { "lgun", "", "plasma" }, 0, "SetPrevWeapon(p)", 2 },
        { { "lgun", "", "plasma" }, -1, "SetPrevWeapon(p)", 2 },
        { { "lgun", "", "plasma" }, -1, "SetNextWeapon(p)", 0 },
        { { "", "", "gauss" }, 2, "SetNextWeapon(p)", 2 },
        { { "", "", "gauss" }, 2, "SetPrevWeapon(p)", 2 },
        { { "", "", "" }, 1, "SetNextWeapon(p)", -1 },
        { { "lgun", "", "plasma" }, 0, "SetNextWeapon(nil) SetPrevWeapon(nil)", 0 },
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i)
            g_GameData->m_activeCar.weapons[i] = c.slots[i];
        vehicle.m_currentSlot = c.from;
        Run(c.call);
        EXPECT_EQ(vehicle.m_currentSlot, c.to) << c.call << " from " << c.from;
    }
}
