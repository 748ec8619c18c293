#include "Core/PGameHost.h"
#include "Race/PAIVehicle.h"
#include "Race/PSpline.h"
#include "RaceFixture.h"
#include "Vehicles/PPhysicData.h"

namespace
{
class AIVehicles : public RaceFixture
{
protected:
    AIVehicles()
    {
        for (int i = 0; i < CPAIVehicleManager::kRacerSlots; ++i)
            m_manager.racers.push_back(new AI_Vehicle());
        m_manager.traffic.push_back(new AI_Vehicle());
        m_manager.traffic.push_back(new AI_Vehicle());
        m_manager.trafficCount = 2;
    }

    CPAIVehicleManager m_manager;
};

TEST_F(AIVehicles, NewSlotHoldsItsDefaults)
{
    g_FullTime = 12.5;
    AI_Vehicle slot;
    EXPECT_EQ(slot.GetTypeName(), "AI_Vehicle");
    EXPECT_EQ(slot.createTime, 12.5f);
    EXPECT_EQ(slot.driveFactor, 1.0f);
    EXPECT_EQ(slot.driveLookAhead, 30.0f);
    EXPECT_FALSE(slot.vehicle);
    g_FullTime = 0.0;
}

TEST_F(AIVehicles, SetupFlattensDirectionAndTakesTheObject)
{
    CPGameObject car("car");
    car.SetPosition(D3DXVECTOR3(1, 2, 3));
    CPPhysicData physics(&car);
    physics.m_inertia.m_mass = 900.0f;
    car.SetPhysicData(&physics);
    m_level->reversed = 1;
    m_manager.SetupVehicle(3, &car, D3DXVECTOR3(3, 4, 7), -12.0f, &car, 5, 9);
    const AI_Vehicle& slot = *m_manager.racers[3];
    EXPECT_EQ(slot.position, D3DXVECTOR3(1, 2, 3));
    EXPECT_FLOAT_EQ(slot.direction.x, 0.6f);
    EXPECT_FLOAT_EQ(slot.direction.y, 0.8f);
    EXPECT_EQ(slot.direction.z, 0.0f);
    EXPECT_EQ(slot.speed, 12.0f);
    EXPECT_EQ(slot.vehicle.Get(), &car);
    EXPECT_EQ(slot.physicsValue, 900.0f);
    EXPECT_EQ(slot.limitMin, 5);
    EXPECT_EQ(slot.limitMax, 9);
    EXPECT_EQ(slot.reversed, 1);
    // Straight up gives no direction; Setup never clears reversed.
    m_level->reversed = 0;
    m_manager.SetupVehicle(3, &car, D3DXVECTOR3(0, 0, 1), 1.0f, &car, 5, 9);
    EXPECT_EQ(slot.direction, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(slot.reversed, 1);
    car.SetPhysicData(nullptr);
    m_manager.ClearVehicles();
}

TEST_F(AIVehicles, PathSlotsAndSplines)
{
    CPSpline centre;
    CPSpline left;
    m_level->centrePath = &centre;
    m_level->leftPath = &left;
    CPLine lines[3];
    m_manager.SetVehiclePath(11, AI_Vehicle::kCentrePath, &lines[0]);
    m_manager.SetVehiclePath(11, AI_Vehicle::kRightPath, &lines[1]);
    m_manager.SetVehiclePath(11, AI_Vehicle::kLeftPath, &lines[2]);
    const AI_Vehicle& slot = *m_manager.racers[11];
    EXPECT_EQ(slot.centreLine, &lines[0]);
    EXPECT_EQ(slot.rightLine, &lines[1]);
    EXPECT_EQ(slot.leftLine, &lines[2]);
    AI_Vehicle& other = *m_manager.racers[0];
    other.SetPath(5, &lines[0]);
    EXPECT_EQ(other.centreLine, nullptr);
    EXPECT_EQ(other.centreSpline, &centre);
    EXPECT_EQ(other.leftSpline, &left);
    EXPECT_EQ(other.rightSpline, nullptr);
    m_level->centrePath = nullptr;
    m_level->leftPath = nullptr;
}

TEST_F(AIVehicles, TrafficIndicesStayWithinTheSlots)
{
    CPLine line;
    m_manager.SetVehiclePath(12, AI_Vehicle::kCentrePath, &line); // traffic slot 1
    EXPECT_EQ(m_manager.traffic[1]->centreLine, &line);
    EXPECT_EQ(m_manager.traffic[0]->centreLine, nullptr);
    m_manager.SetVehiclePath(13, AI_Vehicle::kCentrePath, &line); // past the last slot
    m_manager.SetVehiclePath(-1, AI_Vehicle::kCentrePath, &line);
    EXPECT_EQ(m_manager.GetSlot(13), nullptr);
    EXPECT_EQ(m_manager.GetSlot(-1), nullptr);
}

TEST_F(AIVehicles, ClearVehiclesDropsEverySlot)
{
    CPGameObject car("car");
    m_manager.SetupVehicle(0, &car, D3DXVECTOR3(1, 0, 0), 1.0f, &car, 0, 0);
    m_manager.SetupVehicle(12, &car, D3DXVECTOR3(1, 0, 0), 1.0f, &car, 0, 0);
    EXPECT_EQ(m_manager.traffic[1]->vehicle.Get(), &car);
    m_manager.ClearVehicles();
    EXPECT_TRUE(m_manager.racers.empty());
    EXPECT_TRUE(m_manager.traffic.empty());
}
}
