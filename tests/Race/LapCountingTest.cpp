#include "RaceRing.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{
using Laps = RaceRing;

TEST_F(Laps, StepsAcrossTheSeamAndLongJumps)
{
    StartRace();
    const int n = Lines();
    struct Case
    {
        int from, to, step;
    };
    const Case cases[] = {
        { 0, 1, 1 },           { 3, 1, -2 },         { 0, 14, 14 },        { 14, 0, -14 },
        { 0, 15, 15 - (n - 1) }, { 15, 0, -15 }, { 30, 0, -30 }, { n - 3, 2, 4 }, { 2, n - 3, -4 }, { n - 1, 0, 0 }, { 0, n - 1, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_level->ProgressStep(c.from, c.to), c.step) << c.from << " -> " << c.to;
}

TEST_F(Laps, NearestLineTakesTheLaterOnATieAndNothingOutOfRange)
{
    StartRace();
    const CPLine& a = *m_level->centreLines[4];
    const CPLine& b = *m_level->centreLines[5];
    EXPECT_EQ(m_level->FindNearestCentreLine((a.centre + b.centre) * 0.5f + D3DXVECTOR3(0, 0, 30.0f)), 5);
    EXPECT_EQ(m_level->FindNearestCentreLine(a.centre), 4);
    EXPECT_EQ(m_level->FindNearestCentreLine(D3DXVECTOR3(1000.0f, 0, 0)), -1);
}

// Each line's own centre finds that line, all round the ring (past the
// first block of lines the search works out at once), both with the list as
// the ring was built and with a list changed by hand.
TEST_F(Laps, NearestLineOfEachCentreIsItsOwnLine)
{
    StartRace();
    const int n = Lines();
    for (int i = 0; i < n; ++i) {
        const D3DXVECTOR3 centre = m_level->centreLines[static_cast<size_t>(i)]->centre;
        EXPECT_EQ(m_level->FindNearestCentreLine(centre + D3DXVECTOR3(0, 0, 5.0f)), i);
    }
    std::swap(m_level->centreLines.front(), m_level->centreLines.back());
    m_level->centreLines.pop_back();
    for (int i = 1; i < n - 1; ++i)
        EXPECT_EQ(m_level->FindNearestCentreLine(m_level->centreLines[static_cast<size_t>(i)]->centre), i);
    EXPECT_EQ(m_level->FindNearestCentreLine(m_level->centreLines.front()->centre), 0);
}

TEST_F(Laps, RingIsRebuiltNotAppendedAndFollowsThePreviousLinks)
{
    StartRace();
    const int n = Lines();
    m_level->InitTrackProgress();
    ASSERT_EQ(Lines(), n);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(m_level->centreLines[static_cast<size_t>(i)]->previous,
                  m_level->centreLines[static_cast<size_t>((i + 1) % n)]);
    m_level->reversed = 1;
    m_level->InitTrackProgress();
    ASSERT_EQ(Lines(), n);
    EXPECT_EQ(m_level->centreLines[1], m_level->centreLines[0]->next);
}

// The player driven one line per frame: two lap messages, then the place.
TEST_F(Laps, PlayerLapsSendMessagesThenTakeAPlace)
{
    StartRace();
    const int n = Lines();
    std::vector<std::string> messages;
    for (int frame = 1; frame <= 3 * n; ++frame) {
        PutOnLine(*m_player, frame);
        m_level->UpdateLaps();
        for (const std::string& message : m_interface.Drain())
            messages.push_back(std::to_string(frame) + ":" + message);
        if (frame == n) {
            EXPECT_EQ(m_data.m_currentLap, 2);
            EXPECT_EQ(m_data.m_trackProgress, n - 1);
            EXPECT_EQ(m_level->playerProgress, 0);
        }
    }
    EXPECT_EQ(messages, (std::vector<std::string> { std::to_string(n) + ":show_message(krug_proiden!)",
                                                    std::to_string(2 * n) + ":show_message(posledniy_krug!)" }));
    EXPECT_EQ(m_data.m_currentLap, 4);
    EXPECT_EQ(m_level->firstPlace, 10);
    EXPECT_TRUE(m_level->IsPlayerPlace(0));
    EXPECT_EQ(m_level->secondPlace, -1);
    // Another lap never takes a second place.
    for (int frame = 3 * n + 1; frame <= 4 * n; ++frame) {
        PutOnLine(*m_player, frame);
        m_level->UpdateLaps();
    }
    EXPECT_EQ(m_level->secondPlace, -1);
    EXPECT_TRUE(m_interface.Drain().empty());
}

// Only inside the 2-unit band about the start-post line does the pass count.
TEST_F(Laps, PlayerLapNeedsTheStartBand)
{
    struct Case
    {
        float along;
        int lap;
    };
    StartRace();
    for (const Case c : { Case { 1.9f, 2 }, Case { -1.9f, 2 }, Case { 2.1f, 1 }, Case { -3.0f, 1 } }) {
        m_data.m_currentLap = 1;
        PutOnLine(*m_player, 0);
        m_level->InitTrackProgress();
        for (int line = 1; line < Lines(); ++line) {
            PutOnLine(*m_player, line);
            m_level->UpdateLaps();
        }
        PutOnLine(*m_player, 0, c.along);
        m_level->UpdateLaps();
        EXPECT_EQ(m_data.m_currentLap, c.lap) << c.along;
    }
}

TEST_F(Laps, WaitingAtTheStartKeepsTheProgressAtZero)
{
    m_data.m_trackProgress = -1;
    StartRace();
    m_level->UpdateLaps();
    EXPECT_EQ(m_data.m_trackProgress, 0);
    PutOnLine(*m_player, 1);
    m_level->UpdateLaps();
    EXPECT_EQ(m_data.m_trackProgress, 1);
    PutOnLine(*m_player, 0);
    m_level->UpdateLaps();
    PutOnLine(*m_player, -1);
    m_level->UpdateLaps();
    PutOnLine(*m_player, 0);
    m_level->UpdateLaps();
    EXPECT_EQ(m_data.m_trackProgress, 0);
    EXPECT_EQ(m_data.m_currentLap, 1);
}

// Opponents count with their own rule; the eleventh opponent (index 10)
// finishing first is not taken for the player, who still takes a place.
TEST_F(Laps, OpponentsCountLapsAndTakePlacesByIndex)
{
    StartRace(11);
    m_opponents[3]->SetVehicleType(8); // not counted
    const int n = Lines();
    for (int frame = 1; frame <= 3 * n; ++frame) {
        PutOnLine(*m_opponents[10], frame);
        PutOnLine(*m_opponents[3], frame);
        m_level->UpdateLaps();
    }
    EXPECT_EQ(m_data.m_opponentProgress["10"].lapCount, 4);
    EXPECT_EQ(m_data.m_opponentProgress["10"].lapTimes.size(), 20u);
    EXPECT_EQ(m_data.m_opponentProgress.count("3"), 0u);
    EXPECT_EQ(m_level->firstPlace, 10);
    EXPECT_FALSE(m_level->IsPlayerPlace(0));
    EXPECT_TRUE(m_interface.Drain().empty());

    for (int frame = 1; frame <= 3 * n; ++frame) {
        PutOnLine(*m_player, frame);
        m_level->UpdateLaps();
    }
    EXPECT_EQ(m_level->firstPlace, 10);
    EXPECT_EQ(m_level->secondPlace, 10);
    EXPECT_TRUE(m_level->IsPlayerPlace(1));
    EXPECT_EQ(m_level->thirdPlace, -1);
}

// From 35 lines before the start an opponent counts a lap (N - 50 steps, no
// band) and the player does not (N - 20 steps).
TEST_F(Laps, OpponentNeedsFewerStepsThanThePlayer)
{
    StartRace(1);
    const int n = Lines();
    for (CPPlayer* vehicle : Vehicles())
        PutOnLine(*vehicle, -35);
    m_level->InitTrackProgress();
    for (int line = -34; line <= 0; ++line) {
        for (CPPlayer* vehicle : Vehicles())
            PutOnLine(*vehicle, line, line == 0 ? 4.0f : 0.0f);
        m_level->UpdateLaps();
    }
    ASSERT_GT(n - 50, 0);
    EXPECT_EQ(m_data.m_opponentProgress["0"].lapCount, 2);
    EXPECT_EQ(m_data.m_opponentProgress["0"].progress, n - 1);
    EXPECT_EQ(m_level->vehicleProgress[0], 0);
    EXPECT_EQ(m_data.m_currentLap, 1);
    EXPECT_EQ(m_level->playerProgress, 34); // the ring's seam lies on the way and adds no step
}

TEST_F(Laps, ClocksRunOnlyWhileTheRaceIsStarted)
{
    StartRace(1);
    m_level->UpdateLaps(); // makes the opponent's record
    m_data.m_opponentProgress["0"].lapTimes[1] = 30.0f;
    g_FrameTime = 0.5f;
    m_level->UpdateRaceClock();
    EXPECT_EQ(m_data.m_raceTime, 0.0f);
    m_level->raceStarted = 1;
    m_level->UpdateRaceClock();
    m_level->UpdateRaceClock();
    EXPECT_FLOAT_EQ(m_data.m_raceTime, 1.0f);
    EXPECT_FLOAT_EQ(m_data.m_lapTimes[0], 1.0f);
    EXPECT_FLOAT_EQ(m_data.m_opponentProgress["0"].lapTimes[1], 29.0f);
    // A lap count past the lap times is skipped.
    m_data.m_opponentProgress["0"].lapCount = 25;
    m_level->UpdateRaceClock();
    EXPECT_FLOAT_EQ(m_data.m_raceTime, 1.5f);
}
}

namespace
{
// On a ring shorter than the opponents' 50-line slack, a vehicle standing
// on the start line counts no lap: a lap needs progress since the last one.
TEST_F(Laps, StandingOnTheStartLineOfAShortRingCountsNoLaps)
{
    LoadRing(40.0f);
    StartRace(1);
    const int n = Lines();
    ASSERT_LT(n, 50);
    for (int frame = 0; frame < 5; ++frame)
        m_level->UpdateLaps();
    EXPECT_EQ(m_data.m_opponentProgress["0"].lapCount, 1);
    EXPECT_EQ(m_data.m_currentLap, 1);
    for (int line = 1; line <= n; ++line) {
        for (CPPlayer* vehicle : Vehicles())
            PutOnLine(*vehicle, line);
        m_level->UpdateLaps();
    }
    for (int frame = 0; frame < 5; ++frame)
        m_level->UpdateLaps();
    EXPECT_EQ(m_data.m_opponentProgress["0"].lapCount, 2);
    EXPECT_EQ(m_data.m_currentLap, 2);
}
}
