#include "Host/PHostRaceState.h"

#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Vehicles/PPlayer.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace
{
// 64-bit FNV-1a over the bytes fed in.
class Fingerprint
{
public:
    void Bytes(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) {
            m_hash ^= bytes[i];
            m_hash *= 0x100000001b3ull;
        }
    }
    void Int(int64_t value)
    {
        uint8_t bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
        Bytes(bytes, sizeof(bytes));
    }
    void Float(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof(bits));
        Int(bits);
    }
    void Text(const std::string& text)
    {
        Int(static_cast<int64_t>(text.size()));
        Bytes(text.data(), text.size());
    }
    void Pose(const CPGameObject* object)
    {
        if (!object) {
            Int(-1);
            return;
        }
        const D3DXVECTOR3& p = object->GetPosition();
        const D3DXQUATERNION& q = object->GetRotation();
        for (float value : { p.x, p.y, p.z, q.x, q.y, q.z, q.w })
            Float(value);
    }
    uint64_t Value() const { return m_hash; }

private:
    uint64_t m_hash = 0xcbf29ce484222325ull;
};

void AddLevel(Fingerprint& f, const CPLevel& level)
{
    f.Pose(level.player.Get());
    f.Int(static_cast<int64_t>(level.vehicles.size()));
    for (const CPSmartPtr<CPPlayer>& vehicle : level.vehicles)
        f.Pose(vehicle.Get());
    for (float value : { level.raceTime, level.timeLimit, level.gateCountdown, level.stepAccumulator })
        f.Float(value);
    for (int32_t value : { level.firstPlace, level.secondPlace, level.thirdPlace, level.currentGate,
                           level.gatesPassed, level.playerLine, level.playerProgress, level.startLine })
        f.Int(value);
    for (uint8_t value : { level.playerPlaces[0], level.playerPlaces[1], level.playerPlaces[2], level.ended,
                           level.gameOver, level.timeLimitExpired })
        f.Int(value);
    for (int32_t value : level.vehicleLine)
        f.Int(value);
    for (int32_t value : level.vehicleProgress)
        f.Int(value);
}

void AddGameData(Fingerprint& f, const CPGameData& data)
{
    f.Int(data.m_currentLap);
    f.Int(static_cast<int64_t>(data.m_lapTimes.size()));
    for (float value : data.m_lapTimes)
        f.Float(value);
    f.Int(data.m_trackProgress);
    f.Float(data.m_raceTime);
    const std::map<std::string, CPRaceRecord> ordered(data.m_opponentProgress.begin(), data.m_opponentProgress.end());
    for (const auto& entry : ordered) {
        f.Text(entry.first);
        f.Int(entry.second.lapCount);
        f.Int(entry.second.progress);
        for (float value : entry.second.lapTimes)
            f.Float(value);
    }
}
}

uint64_t HashRaceState()
{
    Fingerprint f;
    if (const CPLevel* level = GetLevel())
        AddLevel(f, *level);
    if (const CPGameData* data = GetGameData())
        AddGameData(f, *data);
    return f.Value();
}

std::string RaceStateHashText()
{
    char text[17];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(HashRaceState()));
    return text;
}
