// A command dispatcher with recording targets for the vehicle tests, and a
// physics manager with a world, published while the fixture lives.
#pragma once

#include "Core/PCommandDispatcher.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace support
{
class Recorder : public CPCommandTarget
{
public:
    explicit Recorder(const std::string& name)
        : CPCommandTarget(name)
    {
        Start();
    }
    int32_t GetObjectSize() const override { return sizeof(*this); }
    std::string GetTypeName() const override { return "Recorder - " + m_name; }
    void Update() override {}
    int32_t QueryFlag() override { return 0; }

    // Every command taken since the last call, oldest first, as "name(p1|p2)".
    std::vector<std::string> Drain()
    {
        std::vector<std::string> handled;
        while (SetNextCommand()) {
            std::string text = GetCurrentCommand()->name + "(";
            const std::vector<std::string>& params = *GetCurrentParams();
            for (size_t i = 0; i < params.size(); ++i)
                text += (i ? "|" : "") + params[i];
            handled.push_back(text + ")");
        }
        return handled;
    }
};

class VehicleWorld : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_camSpeed = g_CfgCamSpeed;
        g_CommandDispatcher = &m_dispatcher;
        for (Recorder* target : { &m_main, &m_menu, &m_interface, &m_jeep })
            m_dispatcher.RegisterObject(target);
        m_dispatcher.RegisterCategory("main", &m_main);
        m_dispatcher.RegisterCategory("main", &m_menu);
        g_PhysicManager = &m_manager;
        m_manager.CreateWorld(D3DXVECTOR3(), D3DXVECTOR3(), 0, 0, 0);
        m_manager.SetParkingDepth(-1000.0f);
    }

    void TearDown() override
    {
        g_PhysicManager = nullptr;
        g_CommandDispatcher = nullptr;
        g_CfgCamSpeed = m_camSpeed;
    }

    CPPhysicManager m_manager;
    CPCommandDispatcher m_dispatcher;
    Recorder m_main { "main" };
    Recorder m_menu { "gamemenu" };
    Recorder m_interface { "game_interface" };
    Recorder m_jeep { "jeep" };
    int32_t m_camSpeed = 0;
};
}
