// A host whose game root holds one screen file, "Data\Interface\menu1024.int"
// (the screen "menu"), on a 1024 x 768 screen; the screen size goes back to
// 640 x 480 afterwards.
#pragma once

#include "Host/PGameHost.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <memory>

class MenuHost : public ::testing::Test
{
protected:
    explicit MenuHost(const char* screenFile)
    {
        root.MakeFile("Data/Interface/menu1024.int", screenFile);
        host = std::make_unique<CPGameHost>(root.Path());
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
    }

    ~MenuHost() override
    {
        g_CfgScreenWidth = 640;
        g_CfgScreenHeight = 480;
    }

    ScratchRoot root;
    std::unique_ptr<CPGameHost> host;
};
