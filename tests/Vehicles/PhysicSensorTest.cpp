#include "PhysicFixture.h"

#include "Vehicles/PPhysicController.h"

#include <vector>

namespace
{
class RecordingController : public CPPhysicController
{
public:
    void OnStep(CPPhysicControllerNode* node, float dt) override
    {
        m_calls.push_back(dt);
        node->SetForce(D3DXVECTOR4(1.0f, 2.0f, 3.0f, 4.0f));
    }
    std::vector<float> m_calls;
};
}

TEST(PhysicLineSensor, SettingTheLineDerivesUnitDirectionAndLength)
{
    struct Case
    {
        D3DXVECTOR4 start;
        D3DXVECTOR4 direction;
        D3DXVECTOR4 unit;
        float length;
    };
    const Case cases[] = {
        { D3DXVECTOR4(1.0f, 2.0f, 3.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, -1.5f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, -1.0f, 0.0f),
          1.5f },
        { D3DXVECTOR4(), D3DXVECTOR4(3.0f, 0.0f, 4.0f, 9.0f), D3DXVECTOR4(0.6f, 0.0f, 0.8f, 0.0f), 5.0f },
        // Squared length 2.5e-7: too short to have a direction.
        { D3DXVECTOR4(), D3DXVECTOR4(0.0005f, 0.0f, 0.0f, 0.0f), D3DXVECTOR4(), 0.0f },
        { D3DXVECTOR4(), D3DXVECTOR4(), D3DXVECTOR4(), 0.0f },
    };
    CPPhysicLineSensor sensor;
    for (const Case& c : cases) {
        sensor.SetLineSensor(c.start, c.direction);
        EXPECT_EQ(sensor.m_direction, c.direction);
        D3DXVECTOR4 start, unit;
        EXPECT_EQ(sensor.GetLinePosition(&start), &start);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(sensor.GetLineUnitVector(&unit), &unit);
        ExpectNear(unit, c.unit);
        EXPECT_FLOAT_EQ(sensor.m_length, c.length);
    }
}

TEST(PhysicLineSensor, NewSensorsAreZeroAndReportWhatTheStepperFound)
{
    WorldPtr world = MakeWorld();
    CPPhysicBody* body = world->CreateRigidBody();
    CPPhysicLineSensor* first = body->AddSensor();
    CPPhysicLineSensor* second = body->AddSensor();
    EXPECT_EQ(body->m_sensors, first);
    EXPECT_EQ(first->m_next, second);
    EXPECT_EQ(second->m_prev, first);
    EXPECT_EQ(second->GetDetectDepth(), 0.0f);
    EXPECT_EQ(second->m_unitDirection, D3DXVECTOR4());

    // A stepper's hit, as the game reads it.
    second->m_detectDepth = 0.25f;
    second->m_detectNormal = D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f);
    second->m_detectContactPoint = D3DXVECTOR4(3.0f, 4.0f, 0.5f, 1.0f);
    D3DXVECTOR4 normal, point;
    EXPECT_EQ(second->GetDetectDepth(), 0.25f);
    EXPECT_EQ(*second->GetDetectNormal(&normal), D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f));
    EXPECT_EQ(*second->GetDetectContactPoint(&point), D3DXVECTOR4(3.0f, 4.0f, 0.5f, 1.0f));
    EXPECT_EQ(second->GetDetectNormal(nullptr), nullptr);
}

TEST(PhysicLineSensor, AnEmptyPoolLeavesTheSensorListAsItWas)
{
    CPPhysicPoolSizes sizes;
    sizes.sensorsCount = 2;
    WorldPtr world = MakeWorld(sizes);
    CPPhysicBody* body = world->CreateRigidBody();
    CPPhysicLineSensor* first = body->AddSensor();
    CPPhysicLineSensor* second = body->AddSensor();
    EXPECT_EQ(body->AddSensor(), nullptr);
    EXPECT_EQ(body->m_sensors, first);
    EXPECT_EQ(first->m_next, second);
    EXPECT_EQ(second->m_next, nullptr);
}

TEST(PhysicController, NodesKeepTheOrderOfAddingAndCarryTheControllersOutput)
{
    WorldPtr world = MakeWorld();
    CPPhysicBody* body = world->CreateRigidBody();
    RecordingController car;
    RecordingController description;
    CPPhysicControllerNode* first = body->AddController(&car, 0);
    CPPhysicControllerNode* second = body->AddController(&description, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(body->m_controllers, first);
    EXPECT_EQ(first->m_next, second);
    EXPECT_EQ(second->m_body, body);
    EXPECT_EQ(second->m_controller, &description);
    EXPECT_EQ(second->m_period, 1);
    EXPECT_EQ(second->m_countdown, 1);
    EXPECT_EQ(second->m_force, D3DXVECTOR4());

    // What a stepper does with a node: call its controller, read its output.
    second->m_controller->OnStep(second, 1.0f / 60.0f);
    ASSERT_EQ(description.m_calls.size(), 1u);
    EXPECT_FLOAT_EQ(description.m_calls[0], 1.0f / 60.0f);
    EXPECT_EQ(second->m_force, D3DXVECTOR4(1.0f, 2.0f, 3.0f, 4.0f));
    second->SetTorque(D3DXVECTOR4(0.0f, 0.0f, -1.0f, 2.0f));
    EXPECT_EQ(second->m_torque, D3DXVECTOR4(0.0f, 0.0f, -1.0f, 2.0f));
}

TEST(PhysicController, APeriodOfOneOrLessRunsEveryStepAndPRunsEveryPth)
{
    struct Case
    {
        int32_t period;
        const char* due; // one letter per step: y due, n not
    };
    const Case cases[] = {
        { 0, "yyyyyy" }, { 1, "yyyyyy" }, { -4, "yyyyyy" }, { 2, "nynyny" }, { 3, "nnynny" },
    };
    WorldPtr world = MakeWorld();
    CPPhysicBody* body = world->CreateRigidBody();
    for (const Case& c : cases) {
        CPPhysicControllerNode* node = body->AddController(nullptr, c.period);
        std::string due;
        for (int step = 0; step < 6; ++step)
            due += node->CountStep() ? 'y' : 'n';
        EXPECT_EQ(due, c.due) << "period " << c.period;
    }
}
