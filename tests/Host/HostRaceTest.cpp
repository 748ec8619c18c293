// The HOST functions a race script uses: the commands the game's script
// objects received, the player's controls and the race fingerprint.
#include "Core/PCommandDispatcher.h"
#include "Core/PGlobals.h"
#include "Host/PGameHost.h"
#include "Host/PHostRaceState.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "ScratchRoot.h"
#include "Script/ScriptBinding.h"
#include "Vehicles/PPlayer.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
class HostRace : public ::testing::Test
{
protected:
    bool Run(const std::string& source)
    {
        m_error.clear();
        return m_host.RunString(source, "race", m_error);
    }

    ScratchRoot m_root;
    CPGameHost m_host { m_root.Path() };
    std::string m_error;
};

TEST_F(HostRace, CommandsAreLoggedPerScriptObjectAndTakenOnce)
{
    GetCommandDispatcher()->SendCommandByName("game_interface", "show_message", "finish!");
    GetCommandDispatcher()->SendCommandByName("game_interface", "checkpoint", "timeout!,1");
    GetCommandDispatcher()->SendCommandByCategory("main", "level_failed", "");
    ASSERT_TRUE(Run("local c = HOST.commands('game_interface') "
                    "assert(#c == 2, #c) "
                    "assert(c[1][1] == 'show_message' and c[1][2] == 'finish!' and #c[1] == 2) "
                    "assert(c[2][1] == 'checkpoint' and c[2][2] == 'timeout!' and c[2][3] == '1') "
                    "assert(#HOST.commands('game_interface') == 0) "
                    "local m = HOST.commands('gamemenu') "
                    "assert(#m == 1 and m[1][1] == 'level_failed' and #m[1] == 1) "
                    "assert(#HOST.commands('main') == 1) "
                    "assert(HOST.commands('nobody') == nil)"))
        << m_error;
}

TEST_F(HostRace, SetControlsReachesOnlyRaceVehicles)
{
    auto player = std::make_unique<CPPlayer>();
    lua_State* L = m_host.GetLuaState();
    ScriptPushObject(L, player.get());
    lua_setglobal(L, "car");
    ASSERT_TRUE(Run("assert(HOST.set_controls(car, 0.5, -0.25) == true) "
                    "assert(HOST.set_controls(HOST.script('main'), 1, 1) == false) "
                    "assert(HOST.set_controls('0', 1, 1) == false)"))
        << m_error;
    EXPECT_EQ(player->m_throttle, 0.5f);
    EXPECT_EQ(player->m_steering, -0.25f);
    EXPECT_FALSE(Run("HOST.set_controls(car, 'fast', 0)"));
    player->Lock(true);
    ASSERT_TRUE(Run("HOST.set_controls(car, 1, 1)")) << m_error;
    EXPECT_EQ(player->m_throttle, 0.5f);
}

TEST_F(HostRace, StateHashFollowsPosesAndRaceState)
{
    const uint64_t none = HashRaceState();
    auto level = std::make_unique<CPLevel>();
    auto player = std::make_unique<CPPlayer>();
    level->player = player.get();
    const uint64_t start = HashRaceState();
    EXPECT_NE(start, none);
    EXPECT_EQ(HashRaceState(), start);
    player->SetPosition(D3DXVECTOR3(0.0f, 0.0f, 1e-6f));
    const uint64_t moved = HashRaceState();
    EXPECT_NE(moved, start);
    level->secondPlace = 3;
    EXPECT_NE(HashRaceState(), moved);
    level->secondPlace = -1;
    EXPECT_EQ(HashRaceState(), moved);
    GetGameData()->m_lapTimes.push_back(0.0f);
    EXPECT_NE(HashRaceState(), moved);
    ASSERT_TRUE(Run("local h = HOST.state_hash() assert(#h == 16 and h:match('^[0-9a-f]+$'), h) "
                    "assert(h == HOST.state_hash())"))
        << m_error;
    level->player = nullptr;
    level.reset();
}
}
