// Lap counting and track progress along the centre path's ring of lines.
#include "Race/PLevel.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Race/PSpline.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <string>

namespace
{
// Squared ground-plane distance beyond which no line counts as near.
constexpr float kNearestLineRange = 100000.0f;
// A jump of this many lines or more is a pass over the ring's seam.
constexpr int32_t kSeamJump = 15;
// The followed vehicle counts a lap this many steps short of a whole ring,
// the opponents this many.
constexpr int32_t kPlayerLapSlack = 20;
constexpr int32_t kOpponentLapSlack = 50;
// Half width of the band about the start-post line the followed vehicle
// must be inside to count a lap.
constexpr float kStartBand = 2.0f;
// Below this progress on the first lap the track progress stays at 0.
constexpr int32_t kStartZone = 70;
constexpr int32_t kCountedVehicles = 11;
constexpr uint32_t kNoStartLine = 4;
constexpr uint32_t kNoLapCount = 8;
constexpr int32_t kPlayerPlace = 10;

std::string VehicleKey(int32_t index)
{
    return std::to_string(index);
}

CPRaceRecord& OpponentRecord(CPGameData& data, int32_t index)
{
    auto found = data.m_opponentProgress.find(VehicleKey(index));
    if (found != data.m_opponentProgress.end())
        return found->second;
    CPRaceRecord& record = data.m_opponentProgress[VehicleKey(index)];
    record.lapTimes.assign(CPGameData::kLapSlots, 0.0f);
    return record;
}

void SendLapMessage(const char* text)
{
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName("game_interface", "show_message", text);
}

// The entry, appended (as 0) while the vector is shorter.
float& LapTime(std::vector<float>& times, int32_t index)
{
    if (index < 0)
        index = 0;
    if (times.size() <= static_cast<size_t>(index))
        times.resize(static_cast<size_t>(index) + 1, 0.0f);
    return times[static_cast<size_t>(index)];
}
}

int32_t CPLevel::FindNearestCentreLine(const D3DXVECTOR3& position) const
{
    int32_t nearest = -1;
    float best = kNearestLineRange;
    const size_t count = centreLines.size();
    // The same distances and comparisons in the same order as line by line,
    // a block at a time: the distances of a block take no branch, so they
    // are worked out apart from the comparisons that depend on each other.
    constexpr size_t kBlock = 64;
    float distances[kBlock];
    for (size_t first = 0; first < count; first += kBlock) {
        const size_t size = std::min(kBlock, count - first);
        for (size_t j = 0; j < size; ++j) {
            const D3DXVECTOR3& centre = centreLines[first + j]->centre;
            const float dx = position.x - centre.x;
            const float dy = position.y - centre.y;
            distances[j] = dx * dx + dy * dy;
        }
        for (size_t j = 0; j < size; ++j) {
            if (distances[j] <= best) {
                best = distances[j];
                nearest = static_cast<int32_t>(first + j);
            }
        }
    }
    return nearest;
}

int32_t CPLevel::ProgressStep(int32_t from, int32_t to) const
{
    const int32_t lines = static_cast<int32_t>(centreLines.size());
    int32_t step = to - from;
    if (step <= -kSeamJump)
        step += lines - 1;
    if (step >= kSeamJump)
        step -= lines - 1;
    return step;
}

bool CPLevel::IsPlayerPlace(int32_t slot) const
{
    const int32_t places[3] = { firstPlace, secondPlace, thirdPlace };
    return slot >= 0 && slot < 3 && places[slot] == kPlayerPlace && playerPlaces[slot] != 0;
}

namespace
{
// Writes the vehicle into the first free place unless it already holds one.
void TakePlace(CPLevel& level, int32_t vehicle, bool isPlayer)
{
    int32_t* places[3] = { &level.firstPlace, &level.secondPlace, &level.thirdPlace };
    for (int32_t slot = 0; slot < 3; ++slot) {
        if (*places[slot] != -1)
            continue;
        for (int32_t other = 0; other < 3; ++other) {
            if (other == slot || *places[other] != vehicle)
                continue;
            if ((level.playerPlaces[other] != 0) == isPlayer)
                return;
        }
        *places[slot] = vehicle;
        level.playerPlaces[slot] = isPlayer ? 1 : 0;
        return;
    }
}
}

void CPLevel::InitTrackProgress()
{
    playerProgress = 0;
    centreLines.clear();
    if (centrePath) {
        CPLine* first = centrePath->GetFirstLine();
        const size_t lineCount = centrePath->GetLines().size();
        CPLine* line = first;
        while (line && centreLines.size() < lineCount) {
            centreLines.push_back(line);
            line = reversed ? line->next : line->previous;
            if (line == first)
                break;
        }
    }
    playerLine = followedVehicle ? FindNearestCentreLine(followedVehicle->GetPosition()) : -1;
    startLine = FindNearestCentreLine(startLineCentre);
    playerProgress = 0;

    size_t slot = 0;
    for (const CPSmartPtr<CPPlayer>& vehicle : vehicles) {
        if (slot >= kCountedVehicles || slot >= vehicleLine.size())
            break;
        if (!vehicle || (vehicle->GetSideFlags() & kNoStartLine) != 0)
            continue;
        vehicleLine[slot++] = FindNearestCentreLine(vehicle->GetPosition());
    }
}

void CPLevel::UpdateLaps()
{
    CPGameData* data = GetGameData();
    if (!data)
        return;
    const int32_t lines = static_cast<int32_t>(centreLines.size());

    if (followedVehicle) {
        const D3DXVECTOR3 position = followedVehicle->GetPosition();
        const int32_t line = FindNearestCentreLine(position);
        if (line != -1 && line != playerLine) {
            const int32_t step = playerLine == -1 ? 0 : ProgressStep(playerLine, line);
            playerProgress += step;
            data->m_trackProgress += step;
            playerLine = line;
        }
        // A vehicle out of reach of every line counts nothing, and a lap
        // needs some progress: on a ring shorter than the slack a vehicle
        // standing on the start line would otherwise count a lap every frame.
        if (line != -1 && line == startLine && playerProgress > 0 && playerProgress >= lines - kPlayerLapSlack) {
            D3DXVECTOR3 toStart = startLineCentre - position;
            toStart.z = 0.0f;
            D3DXVECTOR3 across;
            D3DXVec3Normalize(&across, &startLineVector);
            D3DXVECTOR3 cross;
            D3DXVec3Cross(&cross, &toStart, &across);
            if (D3DXVec3Length(&cross) <= kStartBand) {
                LapTime(data->m_lapTimes, data->m_currentLap - 1);
                data->m_currentLap += 1;
                LapTime(data->m_lapTimes, data->m_currentLap - 1) = 0.0f;
                playerProgress = 0;
                data->m_trackProgress = (lines - 1) * (data->m_currentLap - 1);
                if (data->m_currentLap > data->m_roundsCount)
                    TakePlace(*this, kPlayerPlace, true);
                else if (data->m_currentLap == data->m_roundsCount)
                    SendLapMessage("posledniy_krug!");
                else
                    SendLapMessage("krug_proiden!");
            }
        }
        if (line != -1 && line == startLine && playerProgress < kStartZone && data->m_currentLap == 1)
            data->m_trackProgress = 0;
    }

    size_t slot = 0;
    for (size_t i = 0; i < vehicles.size() && i < kCountedVehicles; ++i) {
        CPPlayer* vehicle = vehicles[i].Get();
        if (!vehicle || (vehicle->GetSideFlags() & kNoLapCount) != 0)
            continue;
        if (slot >= vehicleLine.size())
            break;
        const int32_t index = static_cast<int32_t>(i);
        const int32_t line = FindNearestCentreLine(vehicle->GetPosition());
        int32_t& lastLine = vehicleLine[slot];
        int32_t& progress = vehicleProgress[slot];
        ++slot;
        if (line == -1)
            continue;
        if (line != lastLine) {
            const int32_t step = lastLine == -1 ? 0 : ProgressStep(lastLine, line);
            OpponentRecord(*data, index).progress += step;
            progress += step;
            lastLine = line;
        }
        if (line == startLine && progress > 0 && progress >= lines - kOpponentLapSlack) {
            // Without its record the lap is not counted.
            auto found = data->m_opponentProgress.find(VehicleKey(index));
            if (found != data->m_opponentProgress.end()) {
                CPRaceRecord& record = found->second;
                record.lapCount += 1;
                record.progress = (lines - 1) * (record.lapCount - 1);
                if (record.lapCount > data->m_roundsCount)
                    TakePlace(*this, index, false);
            }
            progress = 0;
        }
        if (line == startLine) {
            CPRaceRecord& record = OpponentRecord(*data, index);
            if (record.lapCount == 1 && record.progress < kStartZone)
                record.progress = 0;
        }
    }
}

void CPLevel::UpdateRaceClock()
{
    UpdateLaps();
    if (!raceStarted)
        return;
    CPGameData* data = GetGameData();
    if (!data)
        return;
    const float dt = g_FrameTime;
    LapTime(data->m_lapTimes, data->m_currentLap - 1) += dt;
    data->m_raceTime += dt;
    for (auto& entry : data->m_opponentProgress) {
        CPRaceRecord& record = entry.second;
        // An index past the lap times is skipped.
        if (record.lapCount >= 0 && static_cast<size_t>(record.lapCount) < record.lapTimes.size())
            record.lapTimes[static_cast<size_t>(record.lapCount)] -= dt;
    }
}
