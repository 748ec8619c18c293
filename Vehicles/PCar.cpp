#include "Vehicles/PCar.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Sound/NSoundManager.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "Vehicles/PPhysicManager.h"

#include <cmath>
#include <cstdio>
#include <tinyxml.h>

int32_t g_LiveDebrisCount = 0;

namespace
{
const char* const kLightNames[CPCar::kLightParts] = { "backlights",    "backlights2",  "backlights01",
                                                      "backlights201", "_backlights", "_backlights2" };
enum LightPart
{
    kBacklights = 0,
    kBacklights2 = 1,
    kBacklights01 = 2,
    kBacklights201 = 3,
    kRearBacklights = 4,
    kRearBacklights2 = 5,
};

// In the order of CPCar::StepPart.
const char* const kStepPartNames[] = { "bike", "bike01", "car2", "w0_", "w0_01", "w2_", "w2_01" };

const char* const kParameterTarget = "jeep";
const char* const kCarParamsCommand = "set_car_params";
const char* const kCarParams2Command = "set_car_params2";

struct SoundFile
{
    int32_t slot;
    const char* name;
};
const SoundFile kSoundFiles[] = {
    { CPCar::kSoundCrash, "slam.wav" },
    { CPCar::kSoundEngine, "main.wav" },
    { CPCar::kSoundSkid, "vizg.wav" },
    { CPCar::kSoundStoppie, "stop.wav" },
};

constexpr int32_t kUnusedSoundSlot = 1;
// Difficulty at which crashes tumble and the controls are ignored.
constexpr int32_t kHardestDifficulty = 3;

void SetPartVisible(CPGameObject* part, bool visible)
{
    if (part)
        part->SetVisible(visible);
}

// The element reached through the path of first children; null when a step
// is missing.
const TiXmlElement* FindElement(const TiXmlNode* from, std::initializer_list<const char*> path)
{
    const TiXmlNode* node = from;
    for (const char* name : path) {
        if (!node)
            return nullptr;
        node = node->FirstChildElement(name);
    }
    return node ? node->ToElement() : nullptr;
}

// The attribute as a float into field; a missing element or attribute leaves
// it. True when it was read.
bool ReadFloat(const TiXmlElement* element, const char* name, float& field)
{
    double value = 0.0;
    if (!element || element->QueryDoubleAttribute(name, &value) != TIXML_SUCCESS)
        return false;
    field = static_cast<float>(value);
    return true;
}
}

CPCar::CPCar(CPGameObject* owner)
    : m_owner(owner)
{
    D3DXMatrixIdentity(&m_bodyTransform);
    D3DXMatrixIdentity(&m_inverseBodyTransform);
}

CPCar::~CPCar()
{
    for (int32_t slot = 0; slot < kSoundSlots; ++slot) {
        if (slot != kUnusedSoundSlot && m_sounds[slot])
            m_sounds[slot]->Stop();
        m_sounds[slot] = nullptr;
    }
    for (CPSmartPtr<CPGameObject>& part : m_wheelParts)
        part = nullptr;
    // The node stays on the body for the life of the world: a stepper skips
    // a node without controller.
    if (m_controllerNode)
        m_controllerNode->m_controller = nullptr;
}

int32_t CPCar::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPCar));
}

std::string CPCar::GetTypeName() const
{
    return "CPCar";
}

CPPhysicBody* CPCar::GetBody() const
{
    if (!m_owner)
        return nullptr;
    const CPSmartPtr<CPPhysicData>& data = m_owner->GetPhysicData();
    return data ? data->m_rigidBody : nullptr;
}

bool CPCar::Init(CPPhysicWorld* /*world*/, uint8_t player)
{
    m_riderNormal = 1;
    m_crashed = 0;
    m_crashClock = m_crashRoll = m_crashYaw = m_brakeForce = 0.0f;
    m_riderYaw = m_riderPitch = m_riderHeight = m_soundClock = 0.0f;
    m_stopPose = m_wheelie = m_locked = 0;

    LoadDescription(player);

    CPPhysicBody* body = GetBody();
    if (!m_owner || !body || m_wheelCount < 1 || m_wheelCount > kMaxWheels)
        return false;
    for (int32_t i = 0; i < m_wheelCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "w%d", i);
        m_wheelParts[i] = m_owner->FindPart(name);
        if (!m_wheelParts[i])
            return false;
        m_wheelParts[i]->SetVisible(false);
    }
    for (int32_t i = 0; i < m_wheelCount; ++i) {
        CPPhysicLineSensor* sensor = body->AddSensor();
        if (!sensor)
            return false;
        m_sensors[i] = sensor;
        const float side = i % 2 == 0 ? 1.0f : -1.0f;
        const D3DXVECTOR3& part = m_wheelParts[i]->GetPosition();
        const D3DXVECTOR4 start(part.x - side * m_sensorInset, part.y, m_sensorHeight, 1.0f);
        sensor->SetLineSensor(start, D3DXVECTOR4(0.0f, 0.0f, -m_sensorLength, 0.0f));
        m_lastDustPosition[i] = D3DXVECTOR3(start.x, start.y, 0.0f);
        m_wheelOffset[i] = m_wheelRadius - m_sensorLength;
    }
    m_controllerNode = body->AddController(this, 0);
    m_owner->GetPhysicData()->ApplyMass();

    for (int32_t k = 0; k < kLightParts; ++k) {
        const bool byChild = k < kRearBacklights;
        m_lightParts[k] = (byChild ? m_owner->FindChild(kLightNames[k]) : m_owner->FindPart(kLightNames[k])).Get();
        SetPartVisible(m_lightParts[k], k == kBacklights || k == kBacklights01 || k == kRearBacklights);
    }
    SetPartVisible(m_owner->FindChild("bike01").Get(), false);
    FindStepParts();
    return m_controllerNode != nullptr;
}

void CPCar::FindStepParts()
{
    static_assert(sizeof(kStepPartNames) / sizeof(kStepPartNames[0]) == kStepParts, "one name a part");
    for (int32_t k = 0; k < kStepParts; ++k)
        m_stepParts[k] = m_owner ? m_owner->FindChild(kStepPartNames[k]).Get() : nullptr;
    m_stepPartsVersion = CPGameObject::GetHierarchyVersion();
}

void CPCar::LoadDescription(uint8_t sendParameters)
{
    if (!m_owner)
        return;
    const TiXmlDocument& document = m_owner->GetDescription();
    const TiXmlElement* physics = document.FirstChildElement("physics");
    if (physics) {
        const char* debug = physics->Attribute("debug");
        if (debug)
            m_debug = std::string(debug) == "true" ? 1 : 0;
    }

    const TiXmlElement* wheels = FindElement(physics, { "geometry", "wheels" });
    float count = 0.0f;
    if (ReadFloat(wheels, "count", count))
        m_wheelCount = std::isfinite(count) && std::fabs(count) < 1e9f ? static_cast<int32_t>(count) : 0;
    ReadFloat(wheels, "x", m_sensorInset);
    ReadFloat(wheels, "y", m_sensorHeight);
    ReadFloat(wheels, "length", m_sensorLength);
    ReadFloat(wheels, "radius", m_wheelRadius);
    ReadFloat(wheels, "front_min_radius", m_frontMinRadius);
    ReadFloat(wheels, "back_min_radius", m_backMinRadius);
    ReadFloat(wheels, "width", m_wheelWidth);
    if (wheels && wheels->Attribute("fixed")) {
        const std::string fixed = wheels->Attribute("fixed");
        m_fixedMin = fixed == "min" ? 1 : 0;
        m_fixedMax = fixed == "max" ? 1 : 0;
    }

    const TiXmlElement* params = FindElement(physics, { "params" });
    const TiXmlElement* springs = FindElement(params, { "wheels" });
    ReadFloat(springs, "spring1", m_springFront);
    ReadFloat(springs, "spring2", m_springRear);
    ReadFloat(springs, "damping", m_damping);
    const TiXmlElement* speed = FindElement(params, { "speed" });
    ReadFloat(speed, "max_front_speed", m_maxFrontSpeed);
    ReadFloat(speed, "max_rear_speed", m_maxRearSpeed);

    float angle = 0.0f;
    if (ReadFloat(speed, "angle", angle)) {
        const TiXmlElement* acceleration = FindElement(params, { "acceleration" });
        float fovDiv = 0.0f;
        float accelFront = 0.0f;
        float accelBack = 0.0f;
        float speedFront = 0.0f;
        float speedBack = 0.0f;
        ReadFloat(document.FirstChildElement("camera"), "fov_div", fovDiv);
        ReadFloat(acceleration, "accel_front", accelFront);
        ReadFloat(acceleration, "accel_back", accelBack);
        ReadFloat(acceleration, "speed_front", speedFront);
        ReadFloat(acceleration, "speed_back", speedBack);
        CPCommandDispatcher* dispatcher = GetCommandDispatcher();
        if (sendParameters && dispatcher) {
            char text[256];
            std::snprintf(text, sizeof(text), "%.2f,%.2f,%.2f,%.2f", angle, fovDiv, accelFront, accelBack);
            dispatcher->SendCommandByName(kParameterTarget, kCarParamsCommand, text);
            std::snprintf(text, sizeof(text), "%.2f,%.2f", speedFront, speedBack);
            dispatcher->SendCommandByName(kParameterTarget, kCarParams2Command, text);
        }
    }

    const TiXmlElement* friction = FindElement(params, { "friction" });
    ReadFloat(friction, "front", m_frictionFront);
    ReadFloat(friction, "back", m_frictionBack);
    ReadFloat(friction, "slide", m_slide);
    const TiXmlElement* acceleration = FindElement(params, { "acceleration" });
    ReadFloat(acceleration, "front", m_accelerationFront);
    ReadFloat(acceleration, "back", m_accelerationBack);
    ReadFloat(acceleration, "brake", m_brakeAcceleration);
    const TiXmlElement* inertion = FindElement(params, { "inertion" });
    ReadFloat(inertion, "yaw", m_yawInertia);
    ReadFloat(inertion, "pitch", m_pitchInertia);

    const TiXmlElement* shadow = FindElement(document.FirstChildElement("render"), { "shadow" });
    if (shadow && shadow->Attribute("name"))
        m_shadowName = shadow->Attribute("name");
}

void CPCar::LoadSounds(uint8_t player)
{
    m_player = player;
    CNSoundManager* sounds = GetSoundManager();
    if (!sounds)
        return;
    for (const SoundFile& file : kSoundFiles)
        m_sounds[file.slot] = sounds->LoadSound(file.name, 1, true);
}

void CPCar::SetControls(float throttle, float steering)
{
    if (m_crashed && g_CfgCamSpeed == kHardestDifficulty)
        return;
    D3DXVECTOR4 yAxis(m_bodyTransform._21, m_bodyTransform._22, m_bodyTransform._23, 0.0f);
    if (CPPhysicBody* body = GetBody()) {
        D3DXMATRIX transform;
        body->GetTransform(&transform);
        yAxis = D3DXVECTOR4(transform._21, transform._22, transform._23, 0.0f);
    }
    const float longitudinal = m_velocity.x * yAxis.x + m_velocity.y * yAxis.y + m_velocity.z * yAxis.z;
    if (throttle < 0.0f) {
        m_engineForce = throttle * m_accelerationBack;
        if (longitudinal > 0.0f) {
            SetPartVisible(m_lightParts[kRearBacklights], false);
            SetPartVisible(m_lightParts[kRearBacklights2], true);
        }
    } else {
        m_engineForce = throttle * m_accelerationFront;
        SetPartVisible(m_lightParts[kRearBacklights], true);
        SetPartVisible(m_lightParts[kRearBacklights2], false);
    }
    float limited = steering;
    if (limited != 0.0f && std::fabs(limited) > kMaxSteering)
        limited = limited > 0.0f ? kMaxSteering : -kMaxSteering;
    m_controlsSet = 1;
    m_steering = limited;
    if (m_player) {
        if (m_wheelie)
            m_steering *= 0.2f;
        if (m_stopPose)
            m_steering *= 2.0f;
    }
}

void CPCar::SwitchBrakeLights(uint8_t on)
{
    SetPartVisible(m_lightParts[kBacklights2], on != 0);
    SetPartVisible(m_lightParts[kBacklights201], on != 0);
    SetPartVisible(m_lightParts[kBacklights], on == 0);
    SetPartVisible(m_lightParts[kBacklights01], on == 0);
}

void CPCar::SetBrake(uint8_t on, uint8_t value)
{
    SwitchBrakeLights(on);
    m_brake = on;
    m_brakeValue = value;
}

void CPCar::SetStop(uint8_t on)
{
    SwitchBrakeLights(on);
    m_stop = on;
}

void CPCar::ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse)
{
    if (CPPhysicBody* body = GetBody())
        body->ApplyImpulse(D3DXVECTOR4(impulse, 0.0f), D3DXVECTOR4(point, 1.0f));
}
