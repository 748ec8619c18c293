// A race on a small closed ring for the lap and race-update tests: a square
// centre path of about eighty lines loaded from a scratch level file, game
// data, a command dispatcher whose interface, vehicle and main-category
// targets record what they are sent, and vehicles that a test moves from
// line to line.
#pragma once

#include "Core/PCommandDispatcher.h"
#include "Core/PFileReader.h"
#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Race/PSpline.h"
#include "PathRecord.h"
#include "RaceFixture.h"
#include "ScratchRoot.h"
#include "Vehicles/VehicleTestSupport.h"

#include <memory>
#include <string>
#include <vector>

class RaceRing : public RaceFixture
{
protected:
    // Half the side of the square ring.
    static constexpr float kHalfSide = 116.0f;

    RaceRing()
    {
        g_GameData = &m_data;
        g_CommandDispatcher = &m_dispatcher;
        for (support::Recorder* target : { &m_main, &m_menu, &m_interface, &m_jeep })
            m_dispatcher.RegisterObject(target);
        m_dispatcher.RegisterCategory("main", &m_main);
        m_dispatcher.RegisterCategory("main", &m_menu);

        LoadRing(kHalfSide);
        m_level->demo = 0;
        m_data.m_roundsCount = 3;
        m_data.m_lapTimes.assign(CPGameData::kLapSlots, 0.0f);
    }

    ~RaceRing() override
    {
        m_level.reset();
        m_opponents.clear();
        m_gates.clear();
        g_GameData = nullptr;
        g_CommandDispatcher = nullptr;
    }

    // Replaces the centre path by a square ring of the given half side.
    void LoadRing(float halfSide)
    {
        const float h = halfSide;
        const D3DXVECTOR3 corners[4] = { { -h, -h, 0 }, { h, -h, 0 }, { h, h, 0 }, { -h, h, 0 } };
        std::vector<PathSegmentPoints> sides;
        for (int i = 0; i < 4; ++i)
            sides.push_back(StraightSegment(corners[i], corners[(i + 1) % 4]));
        m_root.MakeFile("data/levels/ring.lvl", PathRecord("c_path", true, sides));
        CPFileReader reader("Data\\Levels\\ring.lvl");
        EXPECT_EQ(reader.Load(), S_OK);
        m_level->centrePath = nullptr;
        m_path = std::make_unique<CPSpline>();
        EXPECT_TRUE(m_path->Load(reader));
        m_level->centrePath = m_path.get();
    }

    // The ring line the start posts stand across, in the middle of a side.
    static constexpr int kStartLine = 10;

    // The player on the start line, the start posts across it and the ring
    // built; opponents as many as asked, all on the start line.
    void StartRace(int opponents = 0, uint32_t opponentType = 0)
    {
        AddPlayer();
        for (int i = 0; i < opponents; ++i) {
            m_opponents.push_back(std::make_unique<CPPlayer>());
            m_opponents.back()->SetVehicleType(opponentType);
            m_level->vehicles.push_back(m_opponents.back().get());
        }
        m_level->InitTrackProgress();
        ASSERT_GT(Lines(), 20);
        const CPLine& start = *m_level->centreLines[kStartLine];
        m_level->startLineCentre = start.centre;
        const D3DXVECTOR3 along = start.end - start.start;
        m_level->startLineVector = D3DXVECTOR3(-along.y, along.x, 0.0f);
        for (CPPlayer* vehicle : Vehicles())
            PutOnLine(*vehicle, 0);
        m_level->InitTrackProgress();
    }

    std::vector<CPPlayer*> Vehicles()
    {
        std::vector<CPPlayer*> all { m_player.get() };
        for (const auto& opponent : m_opponents)
            all.push_back(opponent.get());
        return all;
    }

    int Lines() const { return static_cast<int>(m_level->centreLines.size()); }

    // At the centre of the ring line `line` lines after the start line
    // (taken round the ring), moved `along` units in the driving direction.
    void PutOnLine(CPPlayer& vehicle, int line, float along = 0.0f)
    {
        const int index = (((kStartLine + line) % Lines()) + Lines()) % Lines();
        const CPLine& target = *m_level->centreLines[static_cast<size_t>(index)];
        D3DXVECTOR3 direction = target.start - target.end; // the ring is driven against the stored order
        D3DXVec3Normalize(&direction, &direction);
        vehicle.SetPosition(target.centre + direction * along);
    }

    // A gate object whose box holds the points within `half` of the point.
    CPGameObject* AddGate(const D3DXVECTOR3& at, float half, float time)
    {
        m_gates.push_back(std::make_unique<CPGameObject>("che_gate"));
        CPGameObject* gate = m_gates.back().get();
        gate->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half)));
        gate->SetShadow(false);
        gate->SetPosition(at);
        gate->UpdateTransform();
        m_level->gates.push_back({ gate, time });
        return gate;
    }

    void Frame(float dt)
    {
        g_FrameTime = dt;
        m_level->Update();
    }

    ScratchRoot m_root;
    CPGameData m_data;
    CPCommandDispatcher m_dispatcher;
    support::Recorder m_main { "main" };
    support::Recorder m_menu { "gamemenu" };
    support::Recorder m_interface { "game_interface" };
    support::Recorder m_jeep { "jeep" };
    std::unique_ptr<CPSpline> m_path;
    std::vector<std::unique_ptr<CPPlayer>> m_opponents;
    std::vector<std::unique_ptr<CPGameObject>> m_gates;
};
