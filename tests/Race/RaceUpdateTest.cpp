#include "Race/PGhostSample.h"
#include "RaceRing.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using RaceUpdate = RaceRing;
using Commands = std::vector<std::string>;

// The places as the lap counting leaves them, and what one frame then sends.
TEST_F(RaceUpdate, PlacesDecideTheResult)
{
    struct Case
    {
        int playerSlot; // -1: the three places go to opponents 0, 1 and 10
        int worst;
        Commands interface;
        bool over;
    };
    const Case cases[] = {
        { 0, 0, { "place(1st)", "show_message(finish!)" }, true },
        { 0, -1, { "place(1st)" }, false },
        { 1, 0, { "place(2nd)", "show_message(lost!)" }, true },
        { 1, 1, { "place(2nd)", "show_message(finish!)" }, true },
        { 2, 1, { "place(3rd)", "show_message(lost!)" }, true },
        { 2, 2, { "place(3rd)", "show_message(finish!)" }, true },
        { -1, 2, { "show_message(lost!)" }, true },
    };
    StartRace();
    for (const Case& c : cases) {
        m_level->ended = 0;
        m_level->gameOver = 0;
        m_level->worstFinishingPlace = c.worst;
        int32_t* places[3] = { &m_level->firstPlace, &m_level->secondPlace, &m_level->thirdPlace };
        const int opponents[3] = { 0, 1, 10 };
        for (int slot = 0; slot < 3; ++slot) {
            const bool player = slot == c.playerSlot;
            *places[slot] = player ? 10 : (c.playerSlot == -1 || slot < c.playerSlot ? opponents[slot] : -1);
            m_level->playerPlaces[slot] = player ? 1 : 0;
        }
        Frame(0.01f);
        Frame(0.01f);
        EXPECT_EQ(m_interface.Drain(), c.interface) << c.playerSlot << " " << c.worst;
        EXPECT_EQ(m_jeep.Drain(), c.over ? Commands { "game_over()" } : Commands {}) << c.playerSlot;
        EXPECT_TRUE(m_level->ended);
        EXPECT_EQ(m_level->gameOver != 0, c.over);
    }
}

TEST_F(RaceUpdate, GateCountdownRunsOutOnce)
{
    StartRace();
    m_data.m_levelStarted = 1;
    m_level->currentGate = 0;
    m_level->gateCountdown = 0.5f;
    Frame(0.3f);
    EXPECT_TRUE(m_interface.Drain().empty());
    Frame(0.3f);
    Frame(0.3f);
    EXPECT_EQ(m_interface.Drain(), (Commands { "checkpoint(timeout!|1)", "show_message(lost!)" }));
    EXPECT_EQ(m_jeep.Drain(), Commands { "game_over()" });
    EXPECT_EQ(m_level->gateCountdown, 0.0f);
    EXPECT_TRUE(m_level->ended && m_level->gameOver);
}

TEST_F(RaceUpdate, TimeLimitFailsTheLevelOnce)
{
    StartRace();
    m_level->timeLimit = 0.05f;
    for (int i = 0; i < 4; ++i)
        Frame(0.03f);
    EXPECT_EQ(m_main.Drain(), Commands { "level_failed()" });
    EXPECT_EQ(m_menu.Drain(), Commands { "level_failed()" });
    EXPECT_TRUE(m_level->timeLimitExpired);
    EXPECT_LT(m_level->timeLimit, 0.0f);
}

TEST_F(RaceUpdate, GatesCountOnceAndPayTheTimeLeft)
{
    StartRace();
    const D3DXVECTOR3 a = m_level->centreLines[kStartLine + 3]->centre;
    const D3DXVECTOR3 b = m_level->centreLines[kStartLine + 6]->centre;
    AddGate(a, 2.0f, 3.99f);
    AddGate(b, 2.0f, 5.0f);
    m_data.m_texts["bonus_time"] = "Bonus";

    PutOnLine(*m_player, 3);
    Frame(0.0f);
    EXPECT_EQ(m_interface.Drain(), Commands { "checkpoint(checkpoint!|0)" });
    Frame(0.0f); // still in the gate just passed
    EXPECT_TRUE(m_interface.Drain().empty());
    EXPECT_EQ(m_level->currentGate, 0);
    EXPECT_FLOAT_EQ(m_level->gateCountdown, 3.99f);

    PutOnLine(*m_player, 6);
    Frame(0.0f);
    EXPECT_EQ(m_interface.Drain(), (Commands { "bonus_points(time|Bonus|3.900000)", "checkpoint(checkpoint!|1)" }));
    EXPECT_EQ(m_level->currentGate, 1);
    EXPECT_EQ(m_level->gatesPassed, 2);
}

TEST_F(RaceUpdate, PlayerStepsInFixedSixtieths)
{
    StartRace();
    Frame(0.01f);
    EXPECT_FLOAT_EQ(m_level->stepAccumulator, 0.01f);
    Frame(0.01f);
    EXPECT_NEAR(m_level->stepAccumulator, 0.02f - 1.0f / 60.0f, 1e-6f);
    Frame(0.1f);
    EXPECT_LT(m_level->stepAccumulator, 1.0f / 60.0f);
    EXPECT_GE(m_level->stepAccumulator, 0.0f);
}

TEST_F(RaceUpdate, GhostSampleStoresLittleEndianWithZeroPadding)
{
    CPGhostSample sample;
    sample.position = D3DXVECTOR3(1.0f, -2.0f, 0.5f);
    sample.rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    sample.bikePartFlag = 1;
    std::memset(sample.padding, 0xAB, sizeof(sample.padding));
    sample.riderRotation = D3DXQUATERNION(0.25f, 0.0f, 0.0f, 1.0f);
    sample.bodyRotation = D3DXQUATERNION(0.0f, 0.0f, 2.0f, 0.0f);
    sample.sampleTime = 3.0f;
    uint8_t bytes[kGhostSampleBytes];
    StoreGhostSample(sample, bytes);
    const uint8_t expected[kGhostSampleBytes] = {
        0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0xc0, 0x00, 0x00, 0x00, 0x3f, // position
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f,
        0x01, 0x00, 0x00, 0x00, // flag and padding
        0x00, 0x00, 0x80, 0x3e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3f,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x40, 0x40, // time
    };
    EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof(bytes)));
    const CPGhostSample back = LoadGhostSample(bytes);
    uint8_t again[kGhostSampleBytes];
    StoreGhostSample(back, again);
    EXPECT_EQ(0, std::memcmp(bytes, again, sizeof(bytes)));
}

// Time mode: the player's run is sampled every 0.05 s and a win with an
// empty record keeps it; the ghost replays the record by interpolation.
TEST_F(RaceUpdate, TimeModeRecordsAndReplaysTheGhost)
{
    StartRace();
    m_level->timeMode = 1;
    m_level->levelIndex = 2;
    m_level->recordModel = "scout";
    for (int i = 0; i < 10; ++i) {
        PutOnLine(*m_player, i);
        Frame(0.03f);
    }
    ASSERT_GE(m_level->ghostSamples.size(), 4u);
    EXPECT_GT(m_level->ghostSamples[1].sampleTime, m_level->ghostSamples[0].sampleTime + 0.05f);
    m_data.m_currentLap = 4;
    m_data.m_lapTimes[2] = 61.5f;
    m_level->firstPlace = 10;
    m_level->playerPlaces[0] = 1;
    Frame(0.0f);
    EXPECT_EQ(m_interface.Drain(), Commands { "show_message(finish!)" });
    const CPLevelRecord& record = m_data.m_levelRecords[1];
    EXPECT_EQ(record.bestTime, 61.5f);
    EXPECT_EQ(record.ghostModel, "scout");
    EXPECT_EQ(record.ghost.size(), m_level->ghostSamples.size());

    // Replay: halfway between two stored samples.
    CPGameObject ghost("ghost");
    m_data.m_levelRecords[1].ghost.resize(2);
    m_data.m_levelRecords[1].ghost[0].position = D3DXVECTOR3(0, 0, 0);
    m_data.m_levelRecords[1].ghost[0].sampleTime = 1.0f;
    m_data.m_levelRecords[1].ghost[1].position = D3DXVECTOR3(10, 0, 0);
    m_data.m_levelRecords[1].ghost[1].sampleTime = 2.0f;
    m_level->ghostObject = &ghost;
    m_level->ghostReplayIndex = 0;
    m_level->raceTime = 1.5f - 0.1f;
    Frame(0.1f);
    EXPECT_NEAR(ghost.GetPosition().x, 5.0f, 1e-4f);
    // Past the last sample the ghost keeps its pose.
    Frame(1.0f);
    EXPECT_NEAR(ghost.GetPosition().x, 5.0f, 1e-4f);
    EXPECT_EQ(m_level->ghostReplayIndex, 1);
    m_level->ghostObject = nullptr;
}
}
