#include "Core/PCommandDispatcher.h"
#include "Core/PTaskManager.h"
#include "Host/PHostFrame.h"
#include "Host/PScriptObject.h"

#include <gtest/gtest.h>

TEST(ScriptObject, RegistersUnderItsNameAndCategories)
{
    CPCommandDispatcher dispatcher;
    CPScriptObject level("level_script", { "main", "level" });
    EXPECT_EQ(level.GetTypeName(), "CPScriptObject - level_script");
    EXPECT_EQ(level.QueryFlag(), 0);
    level.Register(dispatcher);
    EXPECT_EQ(dispatcher.FindObject("level_script").Get(), &level);

    // Not yet a running task: commands are dropped.
    dispatcher.SendCommandByCategory("main", "level_failed", "");
    EXPECT_EQ(level.GetCommandCount(), 0u);

    CPTaskManager tasks;
    ASSERT_EQ(tasks.AddTask(&level), 1);
    dispatcher.SendCommandByCategory("main", "level_failed", "");
    dispatcher.SendCommandByCategory("level", "enemy_death", "");
    RunTasks(tasks);
    ASSERT_TRUE(level.SetNextCommand());
    EXPECT_EQ(level.GetCurrentCommand()->name, "level_failed");
    ASSERT_TRUE(level.SetNextCommand());
    EXPECT_EQ(level.GetCurrentCommand()->name, "enemy_death");
    EXPECT_FALSE(level.SetNextCommand());

    // Killed and dropped by the frame loop: no more commands.
    tasks.KillAllTasks();
    RunTasks(tasks);
    dispatcher.SendCommandByName("level_script", "late", "");
    EXPECT_EQ(level.GetCommandCount(), 0u);
    dispatcher.UnregisterObject(&level);
}
