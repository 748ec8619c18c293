#include "Vehicles/PCar.h"

#include "Core/PGlobals.h"
#include "Race/PLevel.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "VehicleTestSupport.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace
{
std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class Car : public support::VehicleWorld
{
protected:
    // A car built on the fixture vehicle through the manager.
    CPCar& Build(fixture::Vehicle& vehicle, uint8_t player = 0)
    {
        vehicle.AddTo(m_manager, player);
        EXPECT_NE(vehicle.Car(), nullptr);
        return *vehicle.Car();
    }

    // The force and torque wheel i adds with the sensor reading as given.
    static void Wheel(CPCar& car, int32_t i, float depth, const D3DXVECTOR3& normal, D3DXVECTOR3& force,
                      D3DXVECTOR3& torque)
    {
        CPPhysicLineSensor* sensor = car.m_sensors[i];
        sensor->m_detectDepth = depth;
        sensor->m_detectNormal = D3DXVECTOR4(normal, 0.0f);
        sensor->m_detectContactPoint = D3DXVECTOR4(0.8f, 1.2f, -0.5f, 1.0f);
        force = D3DXVECTOR3();
        torque = D3DXVECTOR3();
        car.UpdateWheel(i, force, torque);
    }

    // What wheel i's drive adds at the engine force, over the same wheel at
    // rest on a surface of that normal.
    static D3DXVECTOR3 Drive(CPCar& car, int32_t i, float engine, const D3DXVECTOR3& normal)
    {
        D3DXVECTOR3 idle;
        D3DXVECTOR3 driven;
        D3DXVECTOR3 torque;
        car.m_engineForce = 0.0f;
        Wheel(car, i, 0.5f, normal, idle, torque);
        car.m_engineForce = engine;
        Wheel(car, i, 0.5f, normal, driven, torque);
        return driven - idle;
    }
};

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-3f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
}

TEST_F(Car, ReadsTheVehicleDescription)
{
    fixture::Vehicle vehicle;
    CPCar car(vehicle.Player());
    car.LoadDescription(1);
    EXPECT_EQ(car.m_wheelCount, 4);
    EXPECT_FLOAT_EQ(car.m_sensorInset, 0.1f);
    EXPECT_FLOAT_EQ(car.m_sensorLength, 1.5f);
    EXPECT_FLOAT_EQ(car.m_wheelRadius, 0.4f);
    EXPECT_FLOAT_EQ(car.m_frontMinRadius, 0.5f);
    EXPECT_FLOAT_EQ(car.m_wheelWidth, 0.3f);
    EXPECT_FLOAT_EQ(car.m_springFront, 2000.0f);
    EXPECT_FLOAT_EQ(car.m_damping, 800.0f);
    EXPECT_FLOAT_EQ(car.m_maxRearSpeed, 20.0f);
    EXPECT_FLOAT_EQ(car.m_frictionBack, 240.0f);
    EXPECT_FLOAT_EQ(car.m_slide, 0.8f);
    EXPECT_FLOAT_EQ(car.m_accelerationBack, 200.0f);
    EXPECT_FLOAT_EQ(car.m_brakeAcceleration, 50.0f);
    EXPECT_FLOAT_EQ(car.m_pitchInertia, 0.2f);
    EXPECT_EQ(car.m_shadowName, "car_shadow.tga");
    EXPECT_EQ(car.m_debug, 0);
    EXPECT_EQ(car.m_fixedMin + car.m_fixedMax, 0);
    // No "angle": nothing is sent, even for the player's car.
    EXPECT_TRUE(m_jeep.Drain().empty());

    const struct
    {
        std::string xml;
        uint8_t debug;
        uint8_t fixedMin;
        uint8_t fixedMax;
    } cases[] = {
        { Replace(fixture::CarXml(), "fixed=\"none\"", "fixed=\"MIN\""), 0, 0, 0 },
        { Replace(fixture::CarXml(), "fixed=\"none\"", "fixed=\"min\""), 0, 1, 0 },
        { Replace(fixture::CarXml(), "fixed=\"none\"", "fixed=\"max\""), 0, 0, 1 },
        { Replace(fixture::CarXml(), "debug=\"false\"", "debug=\"true\""), 1, 0, 0 },
    };
    for (const auto& c : cases) {
        fixture::Vehicle other(c.xml);
        CPCar variant(other.Player());
        variant.LoadDescription(0);
        EXPECT_EQ(variant.m_debug, c.debug) << c.xml;
        EXPECT_EQ(variant.m_fixedMin, c.fixedMin) << c.xml;
        EXPECT_EQ(variant.m_fixedMax, c.fixedMax) << c.xml;
    }

    // Without "physics" every tuning value keeps its default.
    fixture::Vehicle bare("<render/>");
    CPCar defaults(bare.Player());
    defaults.LoadDescription(1);
    EXPECT_EQ(defaults.m_wheelCount, 4);
    EXPECT_FLOAT_EQ(defaults.m_springRear, 150.0f);
    EXPECT_FLOAT_EQ(defaults.m_frictionFront, 100.0f);
    EXPECT_FLOAT_EQ(defaults.m_slide, 0.9f);
    EXPECT_TRUE(defaults.m_shadowName.empty());
}

TEST_F(Car, AngleSendsTheCarParametersForThePlayersCarOnly)
{
    const std::string xml = "<camera fov_div=\"2.5\"/><physics><params><speed angle=\"30\"/>"
                            "<acceleration accel_front=\"1\" accel_back=\"2\" speed_front=\"3\" speed_back=\"4\"/>"
                            "</params></physics>";
    fixture::Vehicle vehicle(xml);
    CPCar car(vehicle.Player());
    car.LoadDescription(0);
    EXPECT_TRUE(m_jeep.Drain().empty());
    car.LoadDescription(1);
    EXPECT_EQ(m_jeep.Drain(), (std::vector<std::string>{ "set_car_params(30.00|2.50|1.00|2.00)",
                                                          "set_car_params2(3.00|4.00)" }));
}

TEST_F(Car, InitSetsUpSensorsControllerAndMass)
{
    fixture::Vehicle vehicle;
    CPCar& car = Build(vehicle);
    CPPhysicBody* body = vehicle.Body();
    EXPECT_FLOAT_EQ(body->m_mass, fixture::kCarMass);
    ASSERT_NE(car.GetControllerNode(), nullptr);
    EXPECT_EQ(car.GetControllerNode()->m_controller, &car);
    EXPECT_EQ(car.GetControllerNode()->m_period, 0);
    EXPECT_EQ(car.m_riderNormal, 1);
    for (int32_t i = 0; i < 4; ++i) {
        ASSERT_NE(car.m_sensors[i], nullptr);
        const float x = i % 2 == 0 ? 0.9f - 0.1f : -0.9f + 0.1f;
        const float y = i < 2 ? -1.2f : 1.2f;
        EXPECT_EQ(car.m_sensors[i]->m_start, D3DXVECTOR4(x, y, 0.0f, 1.0f));
        EXPECT_EQ(car.m_sensors[i]->m_direction, D3DXVECTOR4(0.0f, 0.0f, -1.5f, 0.0f));
        EXPECT_FLOAT_EQ(car.m_wheelOffset[i], 0.4f - 1.5f);
        EXPECT_FALSE(vehicle.Player()->FindPart("w" + std::to_string(i))->IsVisible());
    }
    // The car's controller leaves with the car.
    CPPhysicControllerNode* node = car.GetControllerNode();
    vehicle.Player()->SetCar(nullptr);
    delete &car;
    EXPECT_EQ(node->m_controller, nullptr);
}

TEST_F(Car, InitFailsCleanlyWithoutItsWheelsOrBody)
{
    const struct
    {
        std::string xml;
        bool addBody;
    } cases[] = {
        { Replace(fixture::CarXml(), "count=\"4\"", "count=\"9\""), true },
        { Replace(fixture::CarXml(), "count=\"4\"", "count=\"0\""), true },
        { Replace(fixture::CarXml(), "count=\"4\"", "count=\"5\""), true },
        { fixture::CarXml(), false },
    };
    for (const auto& c : cases) {
        fixture::Vehicle vehicle(c.xml);
        if (c.addBody)
            m_manager.AddObject(vehicle.Player(), 1, 1);
        m_manager.AddCar(vehicle.Player(), 0);
        EXPECT_EQ(vehicle.Car(), nullptr) << c.xml;
    }
}

TEST_F(Car, ControlsLimitSteeringAndScaleThrottle)
{
    fixture::Vehicle vehicle;
    auto* forward = new CPGameObject("_backlights");
    auto* reverse = new CPGameObject("_backlights2");
    vehicle.AddPart(forward);
    vehicle.AddPart(reverse);
    CPCar& car = Build(vehicle);
    const struct
    {
        float throttle;
        float steering;
        float engine;
        float stored;
    } cases[] = {
        { 1.0f, 1.0f, 300.0f, 0.7f }, { -1.0f, -2.0f, -200.0f, -0.7f }, { 0.0f, 0.0f, 0.0f, 0.0f },
        { 0.5f, 0.3f, 150.0f, 0.3f },
    };
    for (const auto& c : cases) {
        car.SetControls(c.throttle, c.steering);
        EXPECT_FLOAT_EQ(car.m_engineForce, c.engine);
        EXPECT_FLOAT_EQ(car.m_steering, c.stored);
        EXPECT_EQ(car.m_controlsSet, 1);
    }
    EXPECT_TRUE(forward->IsVisible());
    EXPECT_FALSE(reverse->IsVisible());
    // Reversing while rolling backwards shows the reversing light.
    car.m_velocity = D3DXVECTOR4(0.0f, 2.0f, 0.0f, 0.0f);
    car.SetControls(-1.0f, 0.0f);
    EXPECT_FALSE(forward->IsVisible());
    EXPECT_TRUE(reverse->IsVisible());

    // Crashed at the hardest difficulty: nothing changes, not even the lights.
    g_CfgCamSpeed = 3;
    car.SetCrashed(1);
    car.SetControls(1.0f, 0.5f);
    EXPECT_FLOAT_EQ(car.m_engineForce, -200.0f);
    EXPECT_TRUE(reverse->IsVisible());
}

TEST_F(Car, WheelSpringGripAndDrive)
{
    fixture::Vehicle vehicle;
    CPCar& car = Build(vehicle);
    D3DXVECTOR3 force;
    D3DXVECTOR3 torque;

    // In the air: nothing, and the wheel keeps its offset.
    car.m_wheelOffset[2] = 0.25f;
    Wheel(car, 2, 0.0f, D3DXVECTOR3(0.0f, 0.0f, 1.0f), force, torque);
    EXPECT_EQ(force, D3DXVECTOR3());
    EXPECT_EQ(torque, D3DXVECTOR3());
    EXPECT_EQ(car.m_airborne[2], 1);
    EXPECT_FLOAT_EQ(car.m_wheelOffset[2], 0.25f);

    // At rest on flat ground: the spring alone, and a downward normal acts as up.
    Wheel(car, 2, 0.5f, D3DXVECTOR3(0.0f, 0.0f, 1.0f), force, torque);
    ExpectNear(force, D3DXVECTOR3(0.0f, 0.0f, 1000.0f));
    EXPECT_EQ(car.m_contact[2], 1);
    EXPECT_FLOAT_EQ(car.m_wheelOffset[2], 0.4f - 1.0f);
    D3DXVECTOR3 flipped;
    Wheel(car, 2, 0.5f, D3DXVECTOR3(0.0f, 0.0f, -1.0f), flipped, torque);
    EXPECT_EQ(flipped, force);
    car.m_fixedMax = 1;
    Wheel(car, 2, 1.2f, D3DXVECTOR3(0.0f, 0.0f, 1.0f), force, torque);
    EXPECT_FLOAT_EQ(car.m_wheelOffset[2], 0.4f - 1.5f);
    car.m_fixedMax = 0;

    // Drive: engine 1.5 is half of the full drive, 3 or more the whole; a
    // 30 degree slope drives 1 + 5 x 0.5236 times harder.
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    ExpectNear(Drive(car, 2, 1.5f, up), D3DXVECTOR3(0.0f, -150.0f, 0.0f));
    ExpectNear(Drive(car, 2, 30.0f, up), D3DXVECTOR3(0.0f, -300.0f, 0.0f));
    ExpectNear(Drive(car, 3, -5.0f, up), D3DXVECTOR3(0.0f, 200.0f, 0.0f));
    const D3DXVECTOR3 slope(0.0f, -0.5f, 0.8660254f);
    const D3DXVECTOR3 climb = Drive(car, 2, 3.0f, slope);
    EXPECT_NEAR(std::sqrt(climb.y * climb.y + climb.z * climb.z), 300.0f * 3.618f, 0.5f);

    // Locked: the wheels push against the longitudinal speed with twice its
    // value and grip with a tenth of their friction.
    vehicle.Body()->SetVelocity(D3DXVECTOR4(1.0f, -10.0f, 0.0f, 0.0f));
    car.m_locked = 1;
    car.m_engineForce = 300.0f;
    Wheel(car, 2, 0.5f, up, force, torque);
    ExpectNear(force, D3DXVECTOR3(-24.0f, 20.0f, 1000.0f));
}

TEST_F(Car, StepHandsWheelForcesAndDragToTheNode)
{
    fixture::Vehicle vehicle;
    CPCar& car = Build(vehicle);
    CPPhysicControllerNode* node = car.GetControllerNode();
    vehicle.Body()->SetVelocity(D3DXVECTOR4(0.0f, -10.0f, 0.0f, 0.0f));
    car.m_steering = 0.5f;
    car.OnStep(node, 1.0f / 60.0f);
    // Airborne wheels: the drag alone.
    EXPECT_EQ(node->m_force, D3DXVECTOR4(0.0f, 5.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(car.m_speed, 10.0f);
    // At speed 10 the steering is 0.75 of the given angle.
    EXPECT_NEAR(car.m_steeringDirection.x, std::sin(0.375f), 1e-5f);
    EXPECT_NEAR(car.m_steeringDirection.y, std::cos(0.375f), 1e-5f);
    vehicle.Body()->SetVelocity(D3DXVECTOR4(0.0f, -40.0f, 0.0f, 0.0f));
    car.OnStep(node, 1.0f / 60.0f);
    EXPECT_NEAR(car.m_steeringDirection.x, std::sin(0.05f), 1e-5f);

    // Nitro lifts the front: the wheelie boost pushes forward, shrinking
    // linearly to nothing at 27.7778 m/s.
    car.m_steering = 0.0f;
    car.m_nitro = 1.0f;
    vehicle.Body()->SetVelocity(D3DXVECTOR4(0.0f, -7.7778f, 0.0f, 0.0f));
    car.OnStep(node, 0.1f);
    EXPECT_EQ(car.m_wheelie, 1);
    EXPECT_NEAR(car.m_nitroBoost.y, -(20.0f * 20.0f * 300.0f * 0.1f), 1.0f);
    EXPECT_NEAR(node->m_force.y, car.m_nitroBoost.y + 0.5f * 7.7778f, 1e-2f);
    vehicle.Body()->SetVelocity(D3DXVECTOR4(0.0f, -30.0f, 0.0f, 0.0f));
    car.OnStep(node, 0.1f);
    EXPECT_EQ(car.m_nitroBoost, D3DXVECTOR3());
    car.m_nitro = 0.0f;

    // Braking with a value drifts at once; the drift falls by 3 a second.
    car.SetBrake(1, 1);
    car.OnStep(node, 0.1f);
    EXPECT_FLOAT_EQ(car.m_driftValue, 0.8f);
    car.SetBrake(0, 0);
    car.OnStep(node, 0.1f);
    EXPECT_NEAR(car.m_driftValue, 0.5f, 1e-5f);
}

TEST_F(Car, CrashesOnceAndTellsThePlayerOnlyAtTheHardestDifficulty)
{
    CPLevel level;
    fixture::Vehicle vehicle;
    CPCar& car = Build(vehicle, 1);
    g_CfgCamSpeed = 2;
    car.SetCrashed(1);
    EXPECT_EQ(car.m_crashed, 1);
    EXPECT_TRUE(m_interface.Drain().empty());
    car.SetCrashed(0);
    EXPECT_EQ(car.m_crashed, 0);

    g_CfgCamSpeed = 3;
    car.m_riderYaw = -0.2f;
    car.SetCrashed(1);
    car.SetCrashed(1);
    EXPECT_EQ(m_interface.Drain(), std::vector<std::string>{ "show_message(carcrashed!)" });
    EXPECT_FLOAT_EQ(car.m_crashYawTarget, -1.5707964f);
    EXPECT_GE(std::fabs(car.m_crashRollSpeed), 0.1f);
    car.m_crashYaw = 1.0f;
    car.SetCrashed(0);
    EXPECT_EQ(car.m_crashYaw, 0.0f);
    level.gameOver = 1;
    car.SetCrashed(1);
    EXPECT_TRUE(m_interface.Drain().empty());
}

// Stop held: the rider's pitch moves toward 0.5 at twice the step; once it is
// 0 or more "bike01" stands in for "bike", the nitro is cut and the brake
// force follows twice the roll speed along the body's y axis, pushing against
// the roll. Released, the rider comes back on "bike01" while the pitch is
// above 0. The rider's yaw follows the steering half as far in the stop pose.
TEST_F(Car, TheStopPoseTipsTheRiderAndBrakesAgainstTheRoll)
{
    fixture::Vehicle vehicle;
    auto* bike = new CPGameObject("bike");
    auto* stopped = new CPGameObject("bike01");
    vehicle.AddPart(bike);
    vehicle.AddPart(stopped);
    CPCar& car = Build(vehicle);
    CPPhysicControllerNode* node = car.GetControllerNode();
    struct Case
    {
        const char* label;
        bool stop;
        float pitchBefore, brakeBefore;
        float pitch;
        uint8_t stopPose;
        bool bikeShown;
        float brakeForce, yaw, forceY;
    };
    // Steps of 0.1 s rolling at 10 toward -y (the drag alone is (0, 5, 0));
    // steering 0.5.
    const Case cases[] = {
        { "stop from level", true, 0.0f, 0.0f, 0.1f, 1, false, -0.2f, -0.05f, 5.2f },
        { "stop held", true, 0.1f, -0.2f, 0.18f, 1, false, -0.398f, -0.05f, 5.398f },
        { "stop out of a wheelie", true, -0.5f, -3.0f, -0.3f, 0, true, 0.0f, -0.1f, 5.0f },
        { "coming back", false, 0.18f, -0.4f, 0.144f, 0, false, -0.4f, -0.1f, 5.0f },
        { "level", false, 0.0f, -0.4f, 0.0f, 0, true, -0.4f, -0.1f, 5.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        vehicle.Body()->SetVelocity(D3DXVECTOR4(0.0f, -10.0f, 0.0f, 0.0f));
        car.SetStop(c.stop ? 1 : 0);
        car.m_steering = 0.5f;
        car.m_nitro = c.stop ? 1.0f : 0.0f;
        car.m_riderPitch = c.pitchBefore;
        car.m_riderYaw = 0.0f;
        car.m_brakeForce = c.brakeBefore;
        car.OnStep(node, 0.1f);
        EXPECT_NEAR(car.m_riderPitch, c.pitch, 1e-6f);
        EXPECT_EQ(car.m_stopPose, c.stopPose);
        EXPECT_EQ(car.m_riderNormal, c.bikeShown ? 1 : 0);
        EXPECT_EQ(bike->IsVisible(), c.bikeShown);
        EXPECT_EQ(stopped->IsVisible(), !c.bikeShown);
        EXPECT_EQ(car.m_nitro, 0.0f);
        EXPECT_NEAR(car.m_brakeForce, c.brakeForce, 1e-6f);
        EXPECT_NEAR(car.m_riderYaw, c.yaw, 1e-6f);
        EXPECT_NEAR(node->m_force.y, c.forceY, 1e-4f);
        // The shown part leans by the pitch about x, then turns by the yaw about y.
        D3DXMATRIX pitch;
        D3DXMATRIX yaw;
        D3DXMatrixRotationX(&pitch, c.pitch);
        D3DXMatrixRotationY(&yaw, c.yaw);
        D3DXMATRIX both;
        D3DXMatrixMultiply(&both, &pitch, &yaw);
        D3DXQUATERNION expected;
        D3DXQuaternionRotationMatrix(&expected, &both);
        const D3DXQUATERNION& turned = (c.bikeShown ? bike : stopped)->GetRotation();
        EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&turned, &expected)), 1.0f, 1e-5f);
    }
}

// The step poses the parts the owner has at that moment: a part destroyed is
// never touched again, and a part filed later under a name the step looks
// for is posed in place of the earlier one.
TEST_F(Car, TheStepPosesThePartsTheOwnerHasNow)
{
    fixture::Vehicle vehicle;
    auto bike = std::make_unique<CPGameObject>("bike");
    vehicle.Player()->AddChild(CPSmartPtr<CPGameObject>(bike.get()));
    auto* crash = new CPGameObject("car2");
    vehicle.AddPart(crash);
    CPCar& car = Build(vehicle);
    CPPhysicControllerNode* node = car.GetControllerNode();
    const D3DXQUATERNION tilted(0.0f, 0.6f, 0.0f, 0.8f);
    const D3DXQUATERNION level(0.0f, 0.0f, 0.0f, 1.0f);
    bike->SetVisible(false);
    crash->SetRotation(tilted);
    car.OnStep(node, 0.1f);
    EXPECT_TRUE(bike->IsVisible());
    EXPECT_EQ(crash->GetRotation(), level);

    bike.reset();
    auto* later = new CPGameObject("car2");
    vehicle.AddPart(later);
    crash->SetRotation(tilted);
    later->SetRotation(tilted);
    car.OnStep(node, 0.1f);
    EXPECT_EQ(crash->GetRotation(), tilted);
    EXPECT_EQ(later->GetRotation(), level);

    auto* again = new CPGameObject("bike");
    again->SetVisible(false);
    vehicle.AddPart(again);
    car.OnStep(node, 0.1f);
    EXPECT_TRUE(again->IsVisible());
}
