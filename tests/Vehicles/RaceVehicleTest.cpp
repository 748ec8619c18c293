#include "Vehicles/PPlayer.h"

#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Vehicles/PPhysicBody.h"
#include "VehicleTestSupport.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

namespace
{
class RaceVehicle : public support::VehicleWorld
{
protected:
    void SetUp() override
    {
        VehicleWorld::SetUp();
        g_GameData = &m_gameData;
        m_vehicle.AddTo(m_manager, 1);
        ASSERT_NE(m_vehicle.Car(), nullptr);
    }

    void TearDown() override
    {
        g_GameData = nullptr;
        VehicleWorld::TearDown();
    }

    std::vector<std::string> MainAndMenu()
    {
        std::vector<std::string> all = m_main.Drain();
        for (const std::string& command : m_menu.Drain())
            all.push_back("menu:" + command);
        return all;
    }

    CPGameData m_gameData;
    fixture::Vehicle m_vehicle;
    CPPlayer& m_player = *m_vehicle.Player();
};
}

TEST(RaceVehicleObject, StartsAsAnUnlockedHealthyVehicle)
{
    CPPlayer player;
    EXPECT_EQ(player.GetName(), "PLAYER");
    EXPECT_EQ(player.GetTypeName(), "CPGameObject - PLAYER");
    EXPECT_EQ(player.GetObjectSize(), CPGameObject("x").GetObjectSize());
    EXPECT_FLOAT_EQ(player.m_health, 100000.0f);
    EXPECT_FLOAT_EQ(player.m_ammunition[2], 1.0f);
    EXPECT_FLOAT_EQ(player.GetCurrentAmmo(), 1.0f);
    player.m_currentSlot = -1;
    EXPECT_FLOAT_EQ(player.GetCurrentAmmo(), 0.0f);
    // No car: zero velocity, and impulses go nowhere.
    EXPECT_EQ(player.GetVelocity(), D3DXVECTOR4());
    player.ApplyImpulse(D3DXVECTOR3(), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    player.SetNitro(1.0f);
    player.Lock(true);
    EXPECT_EQ(player.m_locked, 1);
}

TEST_F(RaceVehicle, DamageReportsCriticalHealthAndDeathOnce)
{
    m_gameData.m_damageCoeff = 2.0f;
    m_player.m_health = 25.0f;
    EXPECT_TRUE(m_player.Damage(5.0f));
    EXPECT_FLOAT_EQ(m_player.m_health, 15.0f);
    EXPECT_EQ(MainAndMenu(), (std::vector<std::string>{ "say_critical()", "menu:update_game_interface()" }));
    m_gameData.m_damageCoeff = 1.0f;
    EXPECT_TRUE(m_player.Damage(10.0f));
    EXPECT_EQ(MainAndMenu(), std::vector<std::string>{ "menu:update_game_interface()" });
    // Exactly 0 survives; below 0 reports the death once to the "main" category.
    EXPECT_TRUE(m_player.Damage(5.0f));
    EXPECT_FLOAT_EQ(m_player.m_health, 0.0f);
    EXPECT_EQ(MainAndMenu(), std::vector<std::string>{ "menu:update_game_interface()" });
    EXPECT_FALSE(m_player.Damage(1.0f));
    EXPECT_FLOAT_EQ(m_player.m_health, 0.0f);
    EXPECT_EQ(MainAndMenu(), (std::vector<std::string>{ "player_dead()", "menu:update_game_interface()",
                                                        "menu:player_dead()" }));
    EXPECT_FALSE(m_player.Damage(1.0f));
    EXPECT_EQ(MainAndMenu(), std::vector<std::string>{ "menu:update_game_interface()" });
}

TEST_F(RaceVehicle, ControlSettersFollowTheLocks)
{
    CPCar& car = *m_vehicle.Car();
    m_player.SetCarParams(0.8f, 0.2f);
    EXPECT_FLOAT_EQ(m_player.m_throttle, 0.8f);
    m_player.DisableThrottle(0.5f, 0.0f);
    EXPECT_FLOAT_EQ(m_player.m_throttle, 0.0f);
    EXPECT_EQ(m_player.m_nitroStarted, 1);
    m_player.SetCarParams(1.0f, -0.3f);
    EXPECT_FLOAT_EQ(m_player.m_throttle, 0.0f);
    EXPECT_FLOAT_EQ(m_player.m_steering, -0.3f);

    car.m_engineForce = 100.0f;
    m_player.Lock(true);
    EXPECT_EQ(car.m_locked, 1);
    EXPECT_FLOAT_EQ(car.m_engineForce, 0.0f);
    EXPECT_FLOAT_EQ(car.m_steering, -0.3f);
    m_player.SetCarParams(1.0f, 0.6f);
    EXPECT_FLOAT_EQ(m_player.m_steering, -0.3f);
    m_player.SetStop(1);
    EXPECT_EQ(car.m_stop, 0);
    m_player.SetNitro(50.0f);
    EXPECT_FLOAT_EQ(car.m_nitro, 0.0f);
    m_player.Lock(false);
    EXPECT_EQ(car.m_locked, 0);

    m_player.SetNitro(50.0f);
    EXPECT_FLOAT_EQ(car.m_nitro, 50.0f);
    car.m_nitroCapacity = 0.0f;
    m_player.SetNitro(50.0f);
    EXPECT_FLOAT_EQ(car.m_nitro, 0.0f);
    m_player.SetStop(1);
    EXPECT_EQ(car.m_stop, 1);
}

TEST_F(RaceVehicle, BrakeWhileSlowedOnlyShowsTheRearFlares)
{
    auto* left = new CPGameObject("lflarerear");
    auto* right = new CPGameObject("rflarerear");
    m_vehicle.AddPart(left);
    m_vehicle.AddPart(right);
    left->SetVisible(false);
    m_player.m_slowed = 1;
    m_player.SetBrake(1, 1);
    EXPECT_TRUE(left->IsVisible());
    EXPECT_TRUE(right->IsVisible());
    EXPECT_EQ(m_vehicle.Car()->m_brake, 0);
    m_player.m_slowed = 0;
    m_player.SetBrake(1, 0);
    EXPECT_EQ(m_vehicle.Car()->m_brake, 1);
    EXPECT_EQ(m_vehicle.Car()->m_brakeValue, 0);
}

TEST_F(RaceVehicle, ImpulsesAndKill)
{
    m_player.ApplyImpulse(D3DXVECTOR3(), D3DXVECTOR3(0.0f, 600.0f, 0.0f));
    D3DXVECTOR4 velocity;
    EXPECT_FLOAT_EQ(m_vehicle.Body()->GetVelocity(&velocity)->y, 2.0f);

    CPPhysicBody* body = m_vehicle.Body();
    ASSERT_TRUE(m_manager.IsActiveObject(&m_player));
    m_player.Kill();
    EXPECT_FALSE(m_player.IsVisible());
    EXPECT_FALSE(m_player.HasCollision());
    EXPECT_EQ(m_vehicle.Body(), nullptr);
    EXPECT_FALSE(body->IsActive());
    EXPECT_FALSE(m_manager.IsActiveObject(&m_player));
    EXPECT_EQ(m_manager.GetPendingRemovals().size(), 1u);
    // Without its body the vehicle takes impulses without effect.
    m_player.ApplyImpulse(D3DXVECTOR3(), D3DXVECTOR3(1.0f, 1.0f, 1.0f));
}
