// A headless host with a level and the player's car in it, for the tests of
// the race's script functions and enemies: the car's sounds on disk, a
// physics world, a level whose player and followed vehicle is a car with a
// rigid body, and helpers to run Lua and to name objects for it.
#pragma once

#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Race/PLevel.h"
#include "ScratchRoot.h"
#include "Script/ScriptBinding.h"
#include "Vehicles/PPhysicBody.h"
#include "WavBuilder.h"

#include "tests/VehicleFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class HostRaceFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string wav = wav::Pcm(1, 22050, 16, wav::Samples(64));
        for (const char* name : { "slam.wav", "main.wav", "vizg.wav", "stop.wav" })
            m_root.MakeFile(std::string("Data/Sounds/") + name, wav);
        m_host = std::make_unique<CPGameHost>(m_root.Path());
        GetPhysicManager()->CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(100.0f, 100.0f, 100.0f), 500, 500, 500);
        m_level = std::make_unique<CPLevel>();
    }

    void TearDown() override
    {
        m_level.reset();
        m_car.reset();
        m_host.reset();
    }

    // The player's car at the position, a 2-unit half cube that rays hit.
    CPPlayer& AddPlayerCar(const D3DXVECTOR3& position)
    {
        m_car = std::make_unique<fixture::Vehicle>(fixture::CarXml(), position);
        m_car->AddTo(*GetPhysicManager(), 1);
        EXPECT_NE(m_car->Car(), nullptr);
        CPPlayer* player = m_car->Player();
        const D3DXVECTOR3 half(2.0f, 2.0f, 2.0f);
        player->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), half));
        player->GetPartBoxes().push_back(CPBoundingBox(D3DXVECTOR3(), half));
        // Placed again, so that the boxes follow the car.
        player->SetPosition(position);
        player->UpdateTransform();
        m_level->player = player;
        m_level->followedVehicle = player;
        return *player;
    }

    // The object's handle as a Lua global.
    void Global(const char* name, const CPManagedObject* object)
    {
        ScriptPushObject(m_host->GetLuaState(), object);
        lua_setglobal(m_host->GetLuaState(), name);
    }

    void Run(const std::string& source)
    {
        std::string error;
        ASSERT_TRUE(m_host->RunString(source, "checks", error)) << error;
    }

    static D3DXVECTOR4 BodyVelocity(const fixture::Vehicle& car)
    {
        D3DXVECTOR4 velocity;
        car.Body()->GetVelocity(&velocity);
        return velocity;
    }

    ScratchRoot m_root;
    std::unique_ptr<CPGameHost> m_host;
    std::unique_ptr<CPLevel> m_level;
    std::unique_ptr<fixture::Vehicle> m_car;
};
