// The car's step: wheel forces, drag, brakes, rider and crash poses, lights
// and sounds.
#include "Vehicles/PCar.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Render/PParticleManager.h"
#include "Render/PRender.h"
#include "Sound/NSoundManager.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicLineSensor.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float kMinLength = 1e-6f;
constexpr float kMinSquaredLength = 1e-6f;
constexpr int32_t kHardestDifficulty = 3;
constexpr float kQuarterTurn = 1.5707964f;
// 100 km/h in m/s: the wheelie boost fades out toward it.
constexpr float kWheelieTopSpeed = 27.7778f;
constexpr D3DCOLOR kSensorLineColour = 0xFFFF00FF;
constexpr int32_t kMaxLiveDebris = 40;
constexpr int32_t kFirstDustWheel = 3;
constexpr float kDustSpeedSquared = 80.0f;
const char* const kDustEmitter = "pil_";

D3DXVECTOR3 Vec3(const D3DXVECTOR4& v)
{
    return D3DXVECTOR3(v.x, v.y, v.z);
}

D3DXVECTOR3 Row(const D3DXMATRIX& m, int row)
{
    return D3DXVECTOR3(m.m[row][0], m.m[row][1], m.m[row][2]);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVec3Dot(&a, &b);
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

// v / |v|, or zero when the length is below 1e-6 or zero.
D3DXVECTOR3 NormalisedOrZero(const D3DXVECTOR3& v)
{
    const float length = std::sqrt(Dot(v, v));
    if (length < kMinLength || length == 0.0f)
        return D3DXVECTOR3();
    return v / length;
}

// |v|, or 0 when the squared length is below 1e-6.
float SpeedOf(const D3DXVECTOR3& v)
{
    const float squared = Dot(v, v);
    return squared < kMinSquaredLength ? 0.0f : std::sqrt(squared);
}

D3DXQUATERNION QuaternionFromXY(float xAngle, float yAngle)
{
    D3DXMATRIX aboutX;
    D3DXMATRIX aboutY;
    D3DXMatrixRotationX(&aboutX, xAngle);
    D3DXMatrixRotationY(&aboutY, yAngle);
    D3DXMATRIX rotation;
    D3DXMatrixMultiply(&rotation, &aboutX, &aboutY);
    D3DXQUATERNION q;
    D3DXQuaternionRotationMatrix(&q, &rotation);
    return q;
}

void TurnPart(CPGameObject* part, const D3DXQUATERNION& rotation, bool update)
{
    if (!part)
        return;
    part->SetRotation(rotation);
    if (update)
        part->UpdateTransform();
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

float LeadValue()
{
    const CPLevel* level = GetLevel();
    return level ? level->roadEdgeDistance : 0.0f;
}

}

D3DXQUATERNION QuaternionFromXZAngles(float xAngle, float zAngle)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationX(&rotation, xAngle);
    if (zAngle != 0.0f) {
        D3DXMATRIX aboutZ;
        D3DXMatrixRotationZ(&aboutZ, zAngle);
        D3DXMatrixMultiply(&rotation, &rotation, &aboutZ);
    }
    D3DXQUATERNION q;
    D3DXQuaternionRotationMatrix(&q, &rotation);
    return q;
}

const D3DXMATRIX& CPCar::RearDriveTurn()
{
    const D3DXVECTOR3 xAxis = Row(m_bodyTransform, 0);
    if (!m_rearTurnMade || !SameBits(xAxis.x, m_rearTurnAxis.x) || !SameBits(xAxis.y, m_rearTurnAxis.y)
        || !SameBits(xAxis.z, m_rearTurnAxis.z)) {
        D3DXMatrixRotationAxis(&m_rearTurn, &xAxis, kQuarterTurn);
        m_rearTurnAxis = xAxis;
        m_rearTurnMade = true;
    }
    return m_rearTurn;
}

CPGameObject* CPCar::GetStepPart(StepPart part)
{
    if (m_stepPartsVersion != CPGameObject::GetHierarchyVersion())
        FindStepParts();
    return m_stepParts[part];
}

void CPCar::OnStep(CPPhysicControllerNode* node, float dt)
{
    CPPhysicBody* body = GetBody();
    if (!node || !body || !m_owner)
        return;

    if (m_brake && m_brakeValue)
        m_driftValue = m_slide;
    else
        m_driftValue = std::max(m_driftValue - 3.0f * dt, 0.0f);

    body->GetTransform(&m_bodyTransform);
    const D3DXVECTOR3 xAxis = Row(m_bodyTransform, 0);
    const D3DXVECTOR3 yAxis = Row(m_bodyTransform, 1);
    const D3DXVECTOR3 zAxis = Row(m_bodyTransform, 2);
    const D3DXVECTOR3 position = Row(m_bodyTransform, 3);
    m_inverseBodyTransform = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z,
                                        yAxis.z, zAxis.z, 0.0f, -Dot(position, xAxis), -Dot(position, yAxis),
                                        -Dot(position, zAxis), 1.0f);

    for (uint8_t& contact : m_contact)
        contact = 0;
    D3DXVECTOR3 force;
    D3DXVECTOR3 torque;

    body->GetVelocity(&m_velocity);
    const D3DXVECTOR3 v = Vec3(m_velocity);
    m_speed = SpeedOf(v);

    const float k = m_driftValue == 0.0f ? 1.0f - std::min(0.025f * m_speed, 0.9f) : 1.0f;
    float angle = k * m_steering;
    D3DXVECTOR4 momentum;
    body->GetAngularMomentum(&momentum);
    if (m_driftValue == m_slide && std::fabs(momentum.z) > 4.0f)
        angle = -angle;
    const D3DXVECTOR3 local(std::sin(angle), std::cos(angle), 0.0f);
    D3DXVECTOR3 steering;
    D3DXVec3TransformNormal(&steering, &local, &m_bodyTransform);
    steering.z = 0.0f;
    m_steeringDirection = D3DXVECTOR4(NormalisedOrZero(steering), 0.0f);

    if (m_crashed) {
        if (g_CfgCamSpeed == kHardestDifficulty)
            m_engineForce *= 1.0f - dt;
        else
            m_engineForce = 0.0f;
        m_crashClock += dt;
    }

    for (int32_t i = 0; i < m_wheelCount; ++i)
        UpdateWheel(i, force, torque);
    for (int32_t i = 0; i < m_wheelCount; ++i)
        UpdateWheelEffects(i, dt, v);

    force += -0.5f * Dot(v, yAxis) * yAxis;

    // Rider pose.
    CPGameObject* shown = GetStepPart(kRiderPart);
    CPGameObject* hidden = GetStepPart(kStopRiderPart);
    m_riderNormal = 1;
    m_stopPose = 0;
    m_wheelie = 0;
    if (m_stop) {
        m_nitro = 0.0f;
        m_riderPitch += (0.5f - m_riderPitch) * 2.0f * dt;
        if (m_riderPitch >= 0.0f) {
            std::swap(shown, hidden);
            m_stopPose = 1;
            m_riderNormal = 0;
        } else {
            m_brakeForce = 0.0f;
        }
    } else {
        m_riderPitch += (-0.5f * m_nitro - m_riderPitch) * 2.0f * dt;
        if (m_riderPitch > 0.0f) {
            std::swap(shown, hidden);
            m_riderNormal = 0;
        } else if (m_nitro > 0.0f) {
            m_wheelie = 1;
        }
    }

    if (m_crashed && g_CfgCamSpeed == kHardestDifficulty) {
        m_riderYaw += -m_riderYaw * 3.0f * dt;
        m_crashYaw += (m_crashYawTarget - m_crashYaw) * 3.0f * dt;
        m_crashRoll += m_speed * m_crashRollSpeed * dt * 0.1f;
    } else {
        const float m = m_stopPose ? 1.0f : 2.0f;
        m_riderYaw += (-m * m_steering - m_riderYaw) * dt;
    }
    m_riderYawDegrees = m_riderYaw * kRadiansToDegrees;
    m_riderPitchDegrees = m_riderPitch * kRadiansToDegrees;

    if (shown)
        shown->SetVisible(true);
    if (hidden)
        hidden->SetVisible(false);
    if (m_brake)
        SetBrake(m_brake, m_brakeValue);
    else
        SetStop(m_stop);
    // A model may lack the rider or the crash part: no pose is made for a
    // part it does not have.
    if (shown)
        TurnPart(shown, QuaternionFromXY(m_riderPitch, m_riderYaw), true);
    if (CPGameObject* crash = GetStepPart(kCrashPart)) {
        // The crash pose stays level while the car is not crashed: it is
        // made again only when its angles change.
        if (!m_crashPoseMade || !SameBits(m_crashPoseRoll, m_crashRoll) || !SameBits(m_crashPoseYaw, m_crashYaw)) {
            m_crashPose = QuaternionFromXY(m_crashRoll, m_crashYaw);
            m_crashPoseRoll = m_crashRoll;
            m_crashPoseYaw = m_crashYaw;
            m_crashPoseMade = true;
        }
        TurnPart(crash, m_crashPose, true);
    }
    m_riderHeight = -std::fabs(m_riderPitch);

    m_nitroBoost = D3DXVECTOR3();
    if (m_wheelie) {
        const D3DXVECTOR3 forward = NormalisedOrZero(-yAxis);
        m_nitroBoost = forward * std::max(0.0f, (kWheelieTopSpeed - m_speed) * 20.0f) * m_accelerationFront * m_nitro
            * dt;
    }

    D3DXVECTOR3 brakeVector;
    const float u = Dot(v, yAxis);
    if (m_stopPose) {
        m_brakeForce += (2.0f * u - m_brakeForce) * dt * 0.1f;
        brakeVector = -yAxis * m_brakeForce;
    } else if (m_brake && !m_brakeValue) {
        m_brakeForce += (0.5f * u - m_brakeForce) * dt * 0.05f;
        brakeVector = -yAxis * m_brakeForce;
    }

    node->SetForce(D3DXVECTOR4(force + m_nitroBoost + brakeVector, 0.0f));
    node->SetTorque(D3DXVECTOR4(torque, 0.0f));

    m_soundClock += dt;
    const CPGameData* gameData = GetGameData();
    if (g_FrameCounter == m_lastSoundFrame || !gameData || !gameData->m_levelStarted)
        return;
    if (const CPSmartPtr<CNSound>& stoppie = m_sounds[kSoundStoppie]) {
        if (m_riderPitch > 0.1f && !stoppie->IsPlaying())
            stoppie->Play(0, 0);
        else if (m_riderPitch <= 0.1f && stoppie->IsPlaying())
            stoppie->Stop();
    }
    if (const CPSmartPtr<CNSound>& engine = m_sounds[kSoundEngine]) {
        if (!engine->IsPlaying())
            engine->Play(0, DSBPLAY_LOOPING);
        const float target = std::min(m_speed * 0.25f + 0.5f, 40.0f) * (m_riderPitch > 0.1f ? 1.2f : 1.0f);
        m_enginePitch += (target - m_enginePitch) * g_FrameTime * 5.0f;
        engine->SetFrequencyFactor(m_enginePitch);
    }
    float distance = 0.0f;
    const CPLevel* level = GetLevel();
    if (level && level->followedVehicle) {
        const D3DXVECTOR3 apart = static_cast<const CPGameObject*>(level->followedVehicle)->GetPosition()
            - m_owner->GetPosition();
        distance = std::sqrt(Dot(apart, apart));
    }
    if (0.02f * distance <= m_soundClock) {
        const D3DXVECTOR3 ownerPosition = m_owner->GetPosition();
        const D3DXVECTOR3 still;
        CNSoundManager::SetSoundPosition(m_sounds[kSoundEngine], ownerPosition, still);
        m_soundClock = 0.0f;
        for (int32_t slot : { kSoundSkid, kSoundStoppie, kSoundCrash }) {
            if (m_sounds[slot] && m_sounds[slot]->IsPlaying())
                CNSoundManager::SetSoundPosition(m_sounds[slot], ownerPosition, still);
        }
    }
    m_lastSoundFrame = g_FrameCounter;
}

void CPCar::UpdateWheel(int32_t i, D3DXVECTOR3& force, D3DXVECTOR3& torque)
{
    CPPhysicBody* body = GetBody();
    CPPhysicLineSensor* sensor = m_sensors[i];
    if (!body || !sensor)
        return;
    const bool front = IsFrontWheel(i);
    const float k = front ? m_springFront : m_springRear;
    const float c = m_damping;

    const float depth = sensor->GetDetectDepth();
    if (depth <= 0.0f) {
        m_airborne[i] = 1;
        return;
    }
    D3DXVECTOR4 point4;
    sensor->GetDetectContactPoint(&point4);
    const D3DXVECTOR3 p = Vec3(point4);

    D3DXVECTOR4 start4;
    sensor->GetLinePosition(&start4);
    const D3DXVECTOR3 startLocal = Vec3(start4);
    D3DXVECTOR3 start;
    D3DXVec3TransformCoord(&start, &startLocal, &m_bodyTransform);
    if (m_debug) {
        if (CPRender* render = GetRender())
            render->AddLine(kSensorLineColour, start, p);
    }
    m_contact[i] = 1;
    m_contactPoint[i] = p;
    m_airborne[i] = 0;

    const float minRadius = front ? m_frontMinRadius : m_backMinRadius;
    m_wheelOffset[i] = m_wheelRadius - (m_sensorLength - depth);
    if (m_fixedMax)
        m_wheelOffset[i] = m_wheelRadius - m_sensorLength;
    else if (m_fixedMin)
        m_wheelOffset[i] = minRadius;
    else
        m_wheelOffset[i] = std::min(m_wheelOffset[i], minRadius);

    D3DXVECTOR4 normal4;
    sensor->GetDetectNormal(&normal4);
    D3DXVECTOR3 n = Vec3(normal4);
    if (n.z < 0.0f)
        n = -n;

    D3DXVECTOR4 position4;
    body->GetPosition(&position4);
    const D3DXVECTOR3 position = Vec3(position4);
    const D3DXVECTOR3 r = start - position;

    const D3DXVECTOR3 spring = k * depth * n;
    force += spring;
    torque += Cross(r, spring);

    D3DXVECTOR4 w4;
    body->GetVelocityAtPoint(&w4, D3DXVECTOR4(r, 0.0f));
    const D3DXVECTOR3 damper = -c * Dot(Vec3(w4), n) * n;
    force += damper;
    torque += Cross(r, damper);

    const D3DXVECTOR3 yAxis = Row(m_bodyTransform, 1);
    const D3DXVECTOR3 r2 = p - position;
    body->GetVelocityAtPoint(&w4, D3DXVECTOR4(r2, 0.0f));
    const D3DXVECTOR3 w2 = Vec3(w4);
    m_wheelSpeed[i] = -Dot(w2, yAxis);
    const D3DXVECTOR3 tangential = w2 - Dot(w2, n) * n;
    const D3DXVECTOR3 rolling = front ? Vec3(m_steeringDirection) : yAxis;
    const D3DXVECTOR3 lateral = tangential - Dot(tangential, rolling) * rolling;
    const float grip = (front ? m_frictionFront : m_frictionBack) * (m_locked ? 0.1f : 1.0f);
    D3DXVECTOR3 gripForce = -grip * NormalisedOrZero(lateral);
    if (!front && m_player)
        gripForce *= 1.0f - m_driftValue;
    const D3DXVECTOR3 flatGrip(gripForce.x, gripForce.y, 0.0f);
    force += flatGrip;
    torque += Cross(r2, flatGrip);

    if (!m_locked) {
        // Without engine force the wheel drives nothing.
        const float engine = m_engineForce;
        if (engine != 0.0f) {
            D3DXVECTOR3 drive;
            if (front)
                drive = NormalisedOrZero(-Vec3(m_steeringDirection));
            else
                D3DXVec3TransformCoord(&drive, &n, &RearDriveTurn());
            const float cosine =
                Dot(NormalisedOrZero(drive), NormalisedOrZero(D3DXVECTOR3(drive.x, drive.y, 0.0f)));
            const float theta = SafeAcos(cosine);
            const float sign = engine / std::fabs(engine);
            const float a = sign > 0.0f ? m_accelerationFront : m_accelerationBack;
            const float m = std::min(std::fabs(engine) / 3.0f, 1.0f);
            const float h = m_player ? 1.0f - std::min(0.1f * LeadValue(), 0.7f) : 1.0f;
            const D3DXVECTOR3 driveForce = drive * (5.0f * std::fabs(theta) + 1.0f) * sign * m * a * h;
            force += driveForce;
            torque += Cross(r2, driveForce);
        }
    } else {
        const D3DXVECTOR3 against = front ? -Vec3(m_steeringDirection) : -yAxis;
        const D3DXVECTOR3 lock = 2.0f * Dot(w2, yAxis) * against;
        force += lock;
        torque += Cross(r2, m_pitchInertia * lock);
    }
}

void CPCar::UpdateWheelEffects(int32_t i, float dt, const D3DXVECTOR3& velocity)
{
    const bool front = IsFrontWheel(i);
    if (front || !m_brake) {
        if (m_contact[i])
            m_spinAngle[i] += dt * m_wheelSpeed[i] / (0.5f * m_wheelRadius);
        else
            m_spinAngle[i] -= dt * m_engineForce;
    }

    const CPSmartPtr<CNSound>& skid = m_sounds[kSoundSkid];
    const bool dusty = m_driftValue > 0.0f || (m_player && LeadValue() > 0.0f);
    CPGameObject* dustPart = i >= kFirstDustWheel ? GetStepPart(kRearSpinPart) : nullptr;
    if (m_contact[i] && Dot(velocity, velocity) > kDustSpeedSquared && g_CfgDust != 0 && dusty
        && i >= kFirstDustWheel && dustPart) {
        const D3DXMATRIX& world = dustPart->GetWorldMatrix();
        const D3DXVECTOR3 p(world._41, world._42, world._43 - 0.2f);
        CPParticleEmitDesc record;
        record.name = kDustEmitter;
        record.position = p;
        record.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.5f);
        const float z = 0.4f + 0.2f * RandomUnit();
        record.scalar1 = z;
        record.scalar2 = 0.15f;
        record.scalar3 = 1.0f;
        record.flag1 = 1;
        record.flag2 = 0;
        if (g_LiveDebrisCount < kMaxLiveDebris) {
            const float threshold = (RandomUnit() + 1.0f) * 0.5f * (m_player ? 1.0f : 2.0f) * z * z;
            const D3DXVECTOR3 moved = p - m_lastDustPosition[i];
            if (threshold <= Dot(moved, moved)) {
                m_dustCount[i] += 1.0f;
                if (CPParticleManager* particles = GetParticleManager())
                    particles->Emit(record);
                m_lastDustPosition[i] = p;
                ++g_LiveDebrisCount;
            }
        }
        if (skid && !skid->IsPlaying())
            skid->Play(0, 0);
    } else if (m_driftValue < 0.2f && skid && skid->IsPlaying()) {
        skid->Stop();
    }

    if (i == 0 || i == 2) {
        CPGameObject* spinning = GetStepPart(i == 0 ? kFrontSpinPart : kRearSpinPart);
        CPGameObject* spinning2 = GetStepPart(i == 0 ? kFrontSpinPart2 : kRearSpinPart2);
        if (spinning || spinning2) {
            const D3DXQUATERNION spin = QuaternionFromXZAngles(m_spinAngle[i], 0.0f);
            TurnPart(spinning, spin, false);
            TurnPart(spinning2, spin, false);
        }
    }
}

void CPCar::SetCrashed(uint8_t crashed)
{
    if (!m_crashed && crashed) {
        m_crashClock = 0.0f;
        m_crashed = 1;
        if (g_CfgCamSpeed != kHardestDifficulty)
            return;
        const float side = crt::rand() % 2 == 0 ? -1.0f : 1.0f;
        m_crashRoll = 0.0f;
        m_crashRollSpeed = (RandomUnit() + 0.1f) * side;
        float yawSign = crt::rand() % 2 == 0 ? -1.0f : 1.0f;
        if (m_riderYaw != 0.0f)
            yawSign = m_riderYaw < 0.0f ? -1.0f : 1.0f;
        m_crashYawTarget = yawSign * kQuarterTurn;
        const CPLevel* level = GetLevel();
        if (m_player && level && !level->gameOver) {
            if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
                dispatcher->SendCommandByName("game_interface", "show_message", "carcrashed!");
        }
        if (m_sounds[kSoundCrash])
            m_sounds[kSoundCrash]->Play(0, DSBPLAY_LOOPING);
    } else if (m_crashed && !crashed) {
        m_crashed = 0;
        m_crashYaw = 0.0f;
        m_crashRoll = 0.0f;
        if (m_sounds[kSoundCrash] && m_sounds[kSoundCrash]->IsPlaying())
            m_sounds[kSoundCrash]->Stop();
    }
}
