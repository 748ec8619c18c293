// A race on the fixture level as the host runs one: the level loaded, the
// race started, then frames of 1/60 s with the opponent driver, the physics
// stepper and the race update as tasks in their orders, and the drawing.
#include "FixtureRace.h"
#include "Host/PHostRaceState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
struct RaceRun
{
    std::vector<uint64_t> hashes;
    std::vector<int32_t> opponentProgress;
    // Opponents the race put back on the path at some frame.
    int respawnedOpponents = 0;
    // Whether the player, held still, was put back at some frame.
    bool respawnedPlayer = false;
    size_t lapLines = 0;
    int32_t playerLap = 0;
};

// Runs `frames` frames of the fixture race with the player held still.
RaceRun RunFixtureRace(int frames)
{
    RaceRun run;
    FixtureRace fixture;
    CPLevel& race = *fixture.race;
    run.lapLines = race.centreLines.size();
    std::vector<bool> respawned(race.vehicles.size(), false);
    for (int frame = 0; frame < frames; ++frame) {
        fixture.Frames(1);
        run.hashes.push_back(HashRaceState());
        for (size_t i = 0; i < race.vehicles.size(); ++i)
            respawned[i] = respawned[i] || race.vehicles[i]->m_respawnTime > 0.0f;
        run.respawnedPlayer = run.respawnedPlayer || fixture.Player().m_respawnTime > 0.0f;
    }
    run.respawnedOpponents = static_cast<int>(std::count(respawned.begin(), respawned.end(), true));
    CPGameData& data = *GetGameData();
    for (int i = 0; i < level::kOpponents; ++i)
        run.opponentProgress.push_back(data.m_opponentProgress[std::to_string(i)].progress);
    run.playerLap = data.m_currentLap;
    return run;
}

TEST(FixtureRace, OpponentsDriveRoundTheTrackTheSameWayEveryRun)
{
    const int frames = 60 * 12;
    const RaceRun first = RunFixtureRace(frames);
    ASSERT_EQ(first.opponentProgress.size(), static_cast<size_t>(level::kOpponents));
    // Every opponent well on its way round (a line is 10.5 units).
    for (int32_t progress : first.opponentProgress)
        EXPECT_GT(progress, 4);
    EXPECT_EQ(first.playerLap, 1);
    // The opponents settle onto the road from their starts and stay on it;
    // a lap is longer than an opponent's lap slack of 50 lines.
    EXPECT_EQ(first.respawnedOpponents, 0);
    // The player's vehicle is never put back for standing still.
    EXPECT_FALSE(first.respawnedPlayer);
    EXPECT_GE(first.lapLines, 50u);

    const RaceRun second = RunFixtureRace(frames);
    ASSERT_EQ(first.hashes.size(), second.hashes.size());
    for (size_t i = 0; i < first.hashes.size(); ++i)
        ASSERT_EQ(first.hashes[i], second.hashes[i]) << "frame " << i;
    EXPECT_EQ(first.opponentProgress, second.opponentProgress);
}
}

TEST(FixtureRace, DrivenVehiclesCarryTheirMatricesAndBoundsAlong)
{
    // Where a vehicle is drawn, aims from, takes pickups and shows its health
    // bar follows the body the physics moves, frame by frame.
    FixtureRace fixture;
    CPLevel& race = *fixture.race;
    std::vector<D3DXVECTOR3> starts;
    for (const auto& vehicle : race.vehicles)
        starts.push_back(vehicle->GetPosition());
    fixture.Frames(180);
    for (size_t i = 0; i < race.vehicles.size(); ++i) {
        SCOPED_TRACE(i);
        const CPPlayer& vehicle = *race.vehicles[i];
        const D3DXVECTOR3 at = vehicle.GetPosition();
        const D3DXVECTOR3 moved = at - starts[i];
        ASSERT_GT(D3DXVec3Length(&moved), 5.0f);
        const D3DXMATRIX& world = vehicle.GetWorldMatrix();
        EXPECT_NEAR(world._41, at.x, 1e-3f);
        EXPECT_NEAR(world._42, at.y, 1e-3f);
        EXPECT_NEAR(world._43, at.z, 1e-3f);
        EXPECT_TRUE(vehicle.GetObjectBounds().Contains(at));
    }
}
