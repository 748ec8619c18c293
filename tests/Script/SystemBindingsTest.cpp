// System bindings whose effects scripts cannot read back: the shell is never
// asked to start a program, the action map's switch and the scratch value
// the chase camera reads, the global timer.
#include "Core/PGlobalTimer.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Interface/PActionMap.h"
#include "Platform/Shell.h"
#include "Race/PCamera.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{
class SystemBindings : public ::testing::Test
{
protected:
    ScratchRoot root;
    CPGameHost host { root.Path() };

    void Run(const std::string& source)
    {
        std::string error;
        ASSERT_TRUE(host.RunString(source, "test", error)) << error;
    }
};
}

TEST_F(SystemBindings, ScriptAddressesNeverStartAProgram)
{
    root.MakeFile("Data/Setup", "#!/bin/sh\ntouch started\n");
    std::filesystem::permissions(root.Host("Data/Setup"), std::filesystem::perms::owner_all);
    root.MakeFile("Data/Manual.html", "<p>manual</p>");
    PlatformShell::ClearCalls();
    Run("GoURL('data\\\\setup') GoURL('DATA/SETUP.EXE') GoURLlink('data\\\\setup') GoURLlink('data/setup.exe')");
    EXPECT_TRUE(PlatformShell::Calls().empty());

    Run("GoURL('data\\\\manual.html') GoURLlink('data\\\\manual.html')");
    ASSERT_EQ(PlatformShell::Calls().size(), 2u);
    for (const PlatformShell::Call& call : PlatformShell::Calls()) {
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, "data\\manual.html");
        EXPECT_EQ(call.parameters, "");
        EXPECT_EQ(call.directory, "");
        EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);
    }
    PlatformShell::ClearCalls();
}

TEST_F(SystemBindings, SetActionsSwitchesTheActionMapAndSetTempTheChaseCamerasValue)
{
    ASSERT_NE(GetActionMap(), nullptr);
    const struct
    {
        const char* argument;
        bool enabled;
    } cases[] = { { "true", true }, { "nil", false }, { "0", true }, { "false", false }, { "''", true } };
    for (const auto& c : cases) {
        Run(std::string("SetActions(") + c.argument + ")");
        EXPECT_EQ(GetActionMap()->enabled, c.enabled) << c.argument;
    }

    Run("SetTemp(0)");
    EXPECT_EQ(g_ScratchValue, 0.0f);
    Run("SetTemp(-2.75)");
    EXPECT_EQ(g_ScratchValue, -2.75f);
    Run("SetTemp(1)");
    EXPECT_EQ(g_ScratchValue, 1.0f);
}

TEST_F(SystemBindings, TheGlobalTimerCountsTheFramesItRunsIn)
{
    const CPGlobalTimer* timer = GetGlobalTimer();
    ASSERT_NE(timer, nullptr);
    Run("HOST.frame(0.5) StartGlobalTimer() HOST.frame(0.25, 2) StopGlobalTimer() HOST.frame(0.5, 3)");
    EXPECT_DOUBLE_EQ(timer->GetElapsed(), 0.5);
    EXPECT_FALSE(timer->IsRunning());
    EXPECT_TRUE(timer->IsFinished());
}
