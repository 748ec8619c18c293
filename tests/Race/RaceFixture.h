// A level for race tests with a renderer (without a device) and, on demand,
// a player vehicle and a chase camera. Everything made here is destroyed
// here, in the order the engine would: the level first, then what it held.
#pragma once

#include "Core/PGameHost.h"
#include "Core/PGlobals.h"
#include "Race/PCamera.h"
#include "Race/PLevel.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPlayer.h"

#include <gtest/gtest.h>

#include <memory>

class RaceFixture : public ::testing::Test
{
protected:
    RaceFixture()
        : m_render(nullptr)
    {
        g_Render = &m_render;
    }

    ~RaceFixture() override
    {
        m_level.reset();
        if (m_camera) {
            CPPerspectiveCamera* main = m_camera->mainCamera.Get();
            CPPerspectiveCamera* second = m_camera->secondCamera.Get();
            delete m_camera;
            delete main;
            delete second;
        }
        g_Render = nullptr;
        g_ActiveCamera = nullptr;
        g_CfgBlur = 1;
        g_CfgCamSpeed = 0;
        g_CfgQuadLevels = 0;
        g_CfgSoundVolume = 0.5f;
        g_FrameTime = 0.0f;
        g_ScratchValue = 1.0f;
    }

    // A player with a car, placed in the level.
    CPPlayer& AddPlayer()
    {
        m_player = std::make_unique<CPPlayer>();
        m_car = std::make_unique<CPCar>(m_player.get());
        m_player->SetCar(m_car.get());
        m_level->player = m_player.get();
        m_level->followedVehicle = m_player.get();
        return *m_player;
    }

    CPCamera& AddCamera()
    {
        m_camera = new CPCamera();
        m_level->camera = m_camera;
        return *m_camera;
    }

    CPRender m_render;
    std::unique_ptr<CPLevel> m_level = std::make_unique<CPLevel>();
    // The car outlives the player that holds it.
    std::unique_ptr<CPCar> m_car;
    std::unique_ptr<CPPlayer> m_player;
    CPCamera* m_camera = nullptr;
};
