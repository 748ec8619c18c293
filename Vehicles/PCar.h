// Car: the drivable vehicle of a race car object, carried in the game
// object's vehicle slot. It is a single rigid body carried on one downward
// line sensor per wheel: the tuning comes from the object's XML description,
// the wheels and lights are parts of the object's model, and four sounds go
// with it (crash, engine, skid, stoppie). Each simulator step it turns the
// throttle, brake and steering into the body's force and torque (it is the
// body's controller) and animates the rider, wheels and crash parts. It
// belongs to one owner object, which it does not hold a reference on.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Sound/NSound.h"
#include "Vehicles/PPhysicController.h"
#include "Vehicles/PVehicleBase.h"

#include <cstdint>
#include <string>

class CPGameObject;
class CPPhysicBody;
class CPPhysicControllerNode;
class CPPhysicLineSensor;
class CPPhysicWorld;

// Dust puffs and debris pieces alive in the whole game; the emitters lower
// it when a piece ends.
extern int32_t g_LiveDebrisCount;

// The quaternion of a rotation about x, followed by one about z when the z
// angle is not 0.
D3DXQUATERNION QuaternionFromXZAngles(float xAngle, float zAngle);

class CPCar : public CPVehicleBase, public CPPhysicController
{
public:
    static constexpr int32_t kMaxWheels = 8;
    static constexpr int32_t kSoundSlots = 14;
    static constexpr int32_t kSoundCrash = 0;
    static constexpr int32_t kSoundEngine = 2;
    static constexpr int32_t kSoundSkid = 10;
    static constexpr int32_t kSoundStoppie = 11;
    static constexpr int32_t kLightParts = 6;
    static constexpr float kMaxSteering = 0.7f;
    static constexpr float kRadiansToDegrees = 57.295776f;

    explicit CPCar(CPGameObject* owner);
    // Stops every sound but slot 1 and releases the sounds and wheel parts;
    // the controller node no longer calls the car.
    ~CPCar() override;

    int32_t GetObjectSize() const override;
    // "CPCar".
    std::string GetTypeName() const override;

    // Sets the car up on its owner's rigid body: description, wheel parts and
    // sensors, controller, mass, lights. False, leaving no sensor or
    // controller behind where it can, when the wheel count is outside 1 to 8,
    // a wheel part "w%d" is missing, or the owner has no rigid body or the
    // world gives no sensor.
    bool Init(CPPhysicWorld* world, uint8_t player);
    // Reads the vehicle XML of the owner's description document. With
    // "angle" present and sendParameters set, sends the car parameters to
    // the object "jeep".
    void LoadDescription(uint8_t sendParameters);
    void LoadSounds(uint8_t player);

    void SetControls(float throttle, float steering);
    void SetBrake(uint8_t on, uint8_t value);
    void SetStop(uint8_t on);
    void SetCrashed(uint8_t crashed);
    // The impulse at the world point on the owner's rigid body; nothing
    // without one.
    void ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse);

    // The body's step: wheels, drag, brakes, rider pose, lights, sounds.
    void OnStep(CPPhysicControllerNode* node, float dt) override;
    // Adds wheel i's suspension, grip and drive (or lock) forces.
    void UpdateWheel(int32_t i, D3DXVECTOR3& force, D3DXVECTOR3& torque);
    // Turns wheel i, raises dust and starts or stops the skid sound.
    void UpdateWheelEffects(int32_t i, float dt, const D3DXVECTOR3& velocity);

    CPGameObject* GetOwner() const { return m_owner; }
    CPPhysicBody* GetBody() const;
    CPPhysicControllerNode* GetControllerNode() const { return m_controllerNode; }
    const CPSmartPtr<CNSound>& GetSound(int32_t slot) const { return m_sounds[slot]; }

    float m_riderYawDegrees = 0.0f;
    float m_riderPitchDegrees = 0.0f;
    uint8_t m_riderNormal = 0;
    float m_crashRoll = 0.0f;
    float m_crashRollSpeed = 0.0f;
    uint8_t m_crashed = 0;
    float m_crashClock = 0.0f;
    float m_crashYawTarget = 0.0f;
    float m_crashYaw = 0.0f;
    uint8_t m_stopPose = 0;
    uint8_t m_wheelie = 0;
    float m_brakeForce = 0.0f;
    float m_riderHeight = 0.0f;
    float m_riderYaw = 0.0f;
    float m_riderPitch = 0.0f;
    CPPhysicLineSensor* m_sensors[kMaxWheels] = {};
    std::string m_shadowName;
    uint8_t m_player = 0;
    float m_frontMinRadius = 0.0f;
    float m_backMinRadius = 0.0f;
    float m_accelerationFront = 100.0f;
    float m_accelerationBack = 100.0f;
    float m_yawInertia = 0.0f;
    float m_pitchInertia = 0.1f;
    uint8_t m_fixedMin = 0;
    uint8_t m_fixedMax = 0;
    uint8_t m_stop = 0;
    uint8_t m_brake = 0;
    float m_brakeAcceleration = 100.0f;
    float m_sensorLength = 1.5f;
    float m_sensorInset = 0.0f;
    float m_sensorHeight = 0.0f;
    float m_dustCount[kMaxWheels] = {};
    D3DXVECTOR3 m_lastDustPosition[kMaxWheels];
    uint8_t m_airborne[kMaxWheels] = { 1, 1, 1, 1, 1, 1, 1, 1 };
    float m_spinAngle[kMaxWheels] = {};
    float m_wheelSpeed[kMaxWheels] = {};
    D3DXVECTOR3 m_contactPoint[kMaxWheels];
    float m_wheelOffset[kMaxWheels] = {};
    uint8_t m_contact[kMaxWheels] = {};
    CPSmartPtr<CPGameObject> m_wheelParts[kMaxWheels];
    uint8_t m_brakeValue = 0;
    uint8_t m_debug = 0;
    float m_driftValue = 0.0f;
    uint32_t m_lastSoundFrame = 0;
    D3DXMATRIX m_bodyTransform;
    D3DXMATRIX m_inverseBodyTransform;
    float m_nitroCapacity = 100.0f;
    float m_nitro = 0.0f;
    int32_t m_wheelCount = 4;
    float m_engineForce = 0.0f;
    float m_steering = 0.0f;
    float m_slide = 0.9f;
    D3DXVECTOR4 m_steeringDirection;
    float m_speed = 0.0f;
    float m_wheelRadius = 0.5f;
    float m_springFront = 140.0f;
    float m_springRear = 150.0f;
    float m_damping = 150.0f;
    float m_maxFrontSpeed = 30.0f;
    float m_maxRearSpeed = 15.0f;
    float m_frictionFront = 100.0f;
    float m_frictionBack = 240.0f;
    D3DXVECTOR4 m_velocity;
    D3DXVECTOR3 m_nitroBoost;
    float m_wheelWidth = 0.0f;
    // "backlights", "backlights2", "backlights01", "backlights201",
    // "_backlights", "_backlights2"; null where the model has none.
    CPGameObject* m_lightParts[kLightParts] = {};
    uint8_t m_controlsSet = 0;
    uint8_t m_locked = 0;
    float m_soundClock = 0.0f;
    float m_enginePitch = 0.0f;

private:
    // The parts the step poses, found by name below the owner.
    enum StepPart : int32_t
    {
        kRiderPart = 0,      // "bike"
        kStopRiderPart = 1,  // "bike01"
        kCrashPart = 2,      // "car2"
        kFrontSpinPart = 3,  // "w0_"
        kFrontSpinPart2 = 4, // "w0_01"
        kRearSpinPart = 5,   // "w2_"
        kRearSpinPart2 = 6,  // "w2_01"
        kStepParts = 7,
    };

    // Shows the brake lights for on, the normal ones otherwise.
    void SwitchBrakeLights(uint8_t on);
    bool IsFrontWheel(int32_t i) const { return i < 2; }
    // The part of that name below the owner (null where there is none). The
    // parts are searched for when the car is set up and again whenever a
    // hierarchy changed since, not at every step.
    CPGameObject* GetStepPart(StepPart part);
    void FindStepParts();
    // The quarter turn about the body's x axis that turns a rear wheel's
    // ground normal into its drive direction; the wheels of a step share it.
    const D3DXMATRIX& RearDriveTurn();

    CPGameObject* m_owner;
    CPSmartPtr<CNSound> m_sounds[kSoundSlots];
    CPPhysicControllerNode* m_controllerNode = nullptr;
    CPGameObject* m_stepParts[kStepParts] = {};
    // The hierarchy version the parts were found at; 0 before the first search.
    uint64_t m_stepPartsVersion = 0;
    // The crash part's last rotation and the roll and yaw it was made of.
    D3DXQUATERNION m_crashPose;
    float m_crashPoseRoll = 0.0f;
    float m_crashPoseYaw = 0.0f;
    bool m_crashPoseMade = false;
    // RearDriveTurn's matrix and the axis it was made about.
    D3DXMATRIX m_rearTurn;
    D3DXVECTOR3 m_rearTurnAxis;
    bool m_rearTurnMade = false;
};
