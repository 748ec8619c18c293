// A race on the fixture level as the host runs one: the level loaded and
// started, then frames through the host's frame step with the opponent
// driver, the physics stepper and the race update as tasks in their orders.
// The race is torn down in the engine's order when the object goes.
#pragma once

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "LevelFixture.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "Race/PAIVehicle.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "ScratchRoot.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayer.h"

#include <gtest/gtest.h>

#include <memory>

struct FixtureRace
{
    static constexpr float kFrame = 1.0f / 60.0f;

    FixtureRace()
    {
        EXPECT_TRUE(level::WriteLevelFiles(root.Path()));
        host = std::make_unique<CPGameHost>(root.Path());
        PlatformClock::SetTime(1000);
        crt::srand(7);
        CPGameData& data = *GetGameData();
        data.m_playerName = level::kPlayerModel;
        data.m_roundsCount = 3;
        data.m_levelStarted = 1;

        race = std::make_unique<CPLevel>();
        EXPECT_TRUE(race->Load(level::kName, false, false));
        EXPECT_EQ(race->vehicles.size(), static_cast<size_t>(level::kOpponents));
        // What starting the race does for the lap counting and the update.
        race->firstPlace = race->secondPlace = race->thirdPlace = -1;
        race->ended = 0;
        race->demo = 0;
        race->raceStarted = 1;
        race->timeLimit = 600.0f;
        race->stepAccumulator = 0.0f;
        race->InitTrackProgress();

        updater = std::make_unique<CPObjUpdater>(race.get(), &CPLevel::Update);
        updater->SetOrder(500);
        CPTaskManager& tasks = *GetTaskManager();
        GetPhysicManager()->SetOrder(400);
        tasks.AddTask(GetAIVehicleManager());
        tasks.AddTask(GetPhysicManager());
        tasks.AddTask(updater.get());
    }

    ~FixtureRace()
    {
        for (CPTask* task : { static_cast<CPTask*>(GetAIVehicleManager()), static_cast<CPTask*>(GetPhysicManager()),
                              static_cast<CPTask*>(updater.get()) })
            task->Stop();
        RunTasks(*GetTaskManager());
        race->Stop();
        race.reset();
        updater.reset();
        host.reset();
    }

    FixtureRace(const FixtureRace&) = delete;
    FixtureRace& operator=(const FixtureRace&) = delete;

    void Frames(int count, float frameTime = kFrame)
    {
        for (int i = 0; i < count; ++i)
            RunFrame(frameTime);
    }

    CPPlayer& Player() { return *race->player; }

    ScratchRoot root;
    std::unique_ptr<CPGameHost> host;
    std::unique_ptr<CPLevel> race;
    std::unique_ptr<CPObjUpdater> updater;
};
