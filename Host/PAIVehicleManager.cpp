// The host's opponent driver, which the AI vehicle manager's task update
// runs once CreateHostRace has installed it. Each frame, before the race
// update, every slot holding a race vehicle is driven along the level's
// centre path from what the last race update left in the slot (position, flattened
// forward direction, speed, current line, limits): it steers toward a point
// on the path a few lines ahead, sets the throttle toward a target speed
// between the vehicle's two limits (lower the sharper the road ahead turns)
// and brakes when it comes into a sharp turn too fast. The controls go to
// the vehicle through CPPlayer::SetCarParams; its own update hands them to
// the car. Driving is a pure function of the slot and the path, so a race
// runs the same way every time.
#include "Host/PHostRace.h"

#include "Race/PAIVehicle.h"
#include "Race/PSpline.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{
// The search window for the vehicle's nearest line.
constexpr float kLineSearchRadius = 40.0f;
// Lines looked ahead for the steering target: a base and one more per this
// much speed.
constexpr int32_t kBaseLookAhead = 2;
constexpr float kSpeedPerLookAheadLine = 10.0f;
// Lines beyond the steering target over which the turn ahead is measured.
constexpr int32_t kTurnSpan = 3;
// Target speed when the vehicle's description gives no upper limit.
constexpr float kDefaultTopSpeed = 20.0f;
constexpr float kDefaultLowSpeed = 8.0f;
// A turn of this many radians ahead slows to the lower limit.
constexpr float kSharpTurn = 1.0f;
// Throttle per unit of speed short of the target.
constexpr float kThrottleGain = 0.25f;
// Steering per radian off the target direction; the car steers clockwise
// for positive values.
constexpr float kSteeringGain = -2.0f;
// Over the target speed by this factor in a sharp turn: brake.
constexpr float kBrakeMargin = 1.2f;
constexpr float kBrakeThrottle = -0.5f;

// Lines looked ahead at a speed: the base and one more per step of speed,
// but never more than the path has lines (once round the ring), so a speed
// that is infinite, not a number or merely huge (from a damaged level or
// vehicle file) neither overflows the count nor walks the ring for ages.
int32_t LookAhead(float speed, int32_t lineCount)
{
    const float extra = speed / kSpeedPerLookAheadLine;
    const float limit = static_cast<float>(lineCount);
    if (!(extra < limit))
        return lineCount;
    return std::min(lineCount, kBaseLookAhead + static_cast<int32_t>(std::max(-limit, extra)));
}

CPLine* Ahead(CPLine* line, bool reversed, int32_t steps)
{
    for (int32_t i = 0; i < steps && line; ++i)
        line = reversed ? line->next : line->previous;
    return line;
}

// Signed angle from a to b in the ground plane, counterclockwise positive.
float TurnAngle(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const float cross = a.x * b.y - a.y * b.x;
    const float dot = a.x * b.x + a.y * b.y;
    return std::atan2(cross, dot);
}

D3DXVECTOR3 Way(const CPLine& line, bool reversed)
{
    // The ring is driven along the previous links, from each line's end to
    // its start; reversed the other way.
    return reversed ? line.end - line.start : line.start - line.end;
}

void Drive(AI_Vehicle& slot)
{
    CPPlayer* vehicle = slot.vehicle ? slot.vehicle->AsPlayer() : nullptr;
    if (!vehicle)
        return;
    CPSpline* path = slot.centreSpline;
    if (!path || !path->GetFirstLine()) {
        vehicle->SetCarParams(0.0f, 0.0f);
        return;
    }
    float offset = kLineSearchRadius;
    path->FindNearestLine(slot.position, offset, 0, slot.centreLine);
    CPLine* current = slot.centreLine;
    if (!current)
        return;
    const bool reversed = slot.reversed != 0;
    const size_t lines = path->GetLines().size();
    const int32_t lookAhead = LookAhead(slot.speed, static_cast<int32_t>(std::min<size_t>(lines, INT32_MAX)));
    CPLine* target = Ahead(current, reversed, lookAhead);
    CPLine* beyond = Ahead(target, reversed, kTurnSpan);
    if (!target || !beyond)
        return;

    const float turn = std::fabs(TurnAngle(Way(*current, reversed), Way(*beyond, reversed)));
    const float top = slot.limitMax > 0 ? static_cast<float>(slot.limitMax) : kDefaultTopSpeed;
    const float low = std::min(top, slot.limitMin > 0 ? static_cast<float>(slot.limitMin) : kDefaultLowSpeed);
    const float sharpness = std::min(1.0f, turn / kSharpTurn);
    const float targetSpeed = top - (top - low) * sharpness;
    float throttle = std::max(-1.0f, std::min(1.0f, (targetSpeed - slot.speed) * kThrottleGain));
    if (sharpness >= 1.0f && slot.speed > targetSpeed * kBrakeMargin)
        throttle = kBrakeThrottle;

    const D3DXVECTOR3 toTarget(target->centre.x - slot.position.x, target->centre.y - slot.position.y, 0.0f);
    const float offCourse = TurnAngle(slot.direction, toTarget);
    const float steering = std::max(-1.0f, std::min(1.0f, offCourse * kSteeringGain));
    vehicle->SetCarParams(throttle, steering);
}
}

void DriveAIVehicles(CPAIVehicleManager& manager)
{
    for (const CPSmartPtr<AI_Vehicle>& slot : manager.racers) {
        if (slot)
            Drive(*slot);
    }
    if (!manager.trafficEnabled)
        return;
    for (const CPSmartPtr<AI_Vehicle>& slot : manager.traffic) {
        if (slot)
            Drive(*slot);
    }
}
