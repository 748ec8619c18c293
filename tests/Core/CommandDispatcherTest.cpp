#include "Core/PCommandDispatcher.h"
#include "Core/PHandle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class CTarget : public CPCommandTarget
{
public:
    explicit CTarget(const std::string& name, bool running = true)
        : CPCommandTarget(name)
    {
        if (running)
            Start();
    }
    int32_t GetObjectSize() const override { return sizeof(*this); }
    std::string GetTypeName() const override { return "CTarget - " + m_name; }
    void Update() override {}
    int32_t QueryFlag() override { return 0; }
};

// Every command the target takes, oldest first, each as "name(p1|p2...)".
std::vector<std::string> Drain(CPCommandTarget& target)
{
    std::vector<std::string> handled;
    while (target.SetNextCommand()) {
        std::string text = target.GetCurrentCommand()->name + "(";
        const std::vector<std::string>& params = *target.GetCurrentParams();
        for (size_t i = 0; i < params.size(); ++i)
            text += (i ? "|" : "") + params[i];
        handled.push_back(text + ")");
    }
    return handled;
}

class CommandDispatcher : public ::testing::Test
{
protected:
    CommandDispatcher()
    {
        for (CTarget* target : { &menu, &hud, &stopped }) {
            dispatcher.RegisterObject(target);
            dispatcher.RegisterCategory("interface", target);
        }
    }
    CPCommandDispatcher dispatcher;
    CTarget menu { "gamemenu" };
    CTarget hud { "game_interface" };
    CTarget stopped { "stopped", false };
};
}

TEST(Command, ParameterSplitTable)
{
    const struct
    {
        const char* text;
        std::vector<std::string> params;
    } cases[] = {
        { "", {} },
        { " \t ", {} },
        { "12.50", { "12.50" } },
        { "a, b ,c", { "a", "b", "c" } },
        { "a,,b", { "a", "", "b" } },
        { ",a", { "", "a" } },
        { "a,", { "a" } },
        { "\"one, two\",three", { "one, two", "three" } },
        { "\"say \"\"go\"\"\"", { "say \"go\"" } },
        { "name,1.00,2.50", { "name", "1.00", "2.50" } },
    };
    for (const auto& c : cases) {
        const CPCommand command("cmd", c.text);
        EXPECT_EQ(command.name, "cmd");
        EXPECT_EQ(command.params, c.params) << "[" << c.text << "]";
    }
}

TEST_F(CommandDispatcher, ByNameIsExactAndFirstInFirstOut)
{
    dispatcher.SendCommandByName("gamemenu", "set_money", "100.00");
    dispatcher.SendCommandByName("gamemenu", "init_game_interface", "");
    dispatcher.SendCommandByName("GameMenu", "wrong_case", "");
    dispatcher.SendCommandByName("nobody", "lost", "");
    dispatcher.SendCommandByName("gamemenu", "window", "ok,1.00,2.00");
    EXPECT_EQ(Drain(menu), (std::vector<std::string> { "set_money(100.00)", "init_game_interface()", "window(ok|1.00|2.00)" }));
    EXPECT_EQ(hud.GetCommandCount(), 0u);
}

TEST_F(CommandDispatcher, StoppedTargetsDropCommands)
{
    dispatcher.SendCommandByName("stopped", "place", "1");
    dispatcher.SendCommandByObject(&stopped, "place", "1");
    EXPECT_EQ(stopped.GetCommandCount(), 0u);

    // A target stopped later keeps what it has queued.
    dispatcher.SendCommandByName("gamemenu", "kept", "");
    menu.Stop();
    dispatcher.SendCommandByName("gamemenu", "dropped", "");
    EXPECT_EQ(Drain(menu), std::vector<std::string> { "kept()" });
}

TEST_F(CommandDispatcher, ByCategoryReachesEveryRunningMember)
{
    dispatcher.SendCommandByCategory("interface", "mouse_move", "5,6");
    dispatcher.SendCommandByCategory("nothing", "lost", "");
    EXPECT_EQ(Drain(menu), std::vector<std::string> { "mouse_move(5|6)" });
    EXPECT_EQ(Drain(hud), std::vector<std::string> { "mouse_move(5|6)" });
    EXPECT_EQ(stopped.GetCommandCount(), 0u);

    // Joining a category twice still delivers once.
    dispatcher.RegisterCategory("interface", &menu);
    dispatcher.SendCommandByCategory("interface", "again", "");
    EXPECT_EQ(menu.GetCommandCount(), 1u);
}

TEST_F(CommandDispatcher, ByObjectAndFindObject)
{
    dispatcher.SendCommandByObject(nullptr, "nothing", "");
    dispatcher.SendCommandByObject(dispatcher.FindObject("game_interface"), "checkpoint", "");
    EXPECT_EQ(Drain(hud), std::vector<std::string> { "checkpoint()" });
    EXPECT_FALSE(dispatcher.FindObject("missing"));
    EXPECT_EQ(dispatcher.FindObject("gamemenu").Get(), &menu);
}

TEST_F(CommandDispatcher, HandlesTravelAtFullWidth)
{
    const uint64_t id = uint64_t{ 1 } << 62;
    dispatcher.SendCommandByName("gamemenu", "add_object", HandleToString(id));
    ASSERT_TRUE(menu.SetNextCommand());
    EXPECT_EQ(StringToHandle(menu.GetCurrentParams()->at(0)), id);
}

TEST_F(CommandDispatcher, CurrentCommandRules)
{
    EXPECT_EQ(menu.GetCurrentCommand(), nullptr);
    EXPECT_EQ(menu.GetCurrentParams(), nullptr);
    EXPECT_FALSE(menu.SetNextCommand());

    dispatcher.SendCommandByName("gamemenu", "first", "");
    ASSERT_TRUE(menu.SetNextCommand());
    const CPCommand* current = menu.GetCurrentCommand();
    // Commands arriving meanwhile leave the current one where it is.
    for (int i = 0; i < 100; ++i)
        dispatcher.SendCommandByName("gamemenu", "later", std::to_string(i));
    EXPECT_EQ(menu.GetCurrentCommand(), current);
    EXPECT_EQ(current->name, "first");
    EXPECT_EQ(menu.GetCommandCount(), 101u);

    std::vector<std::string> handled = Drain(menu);
    EXPECT_EQ(handled.size(), 100u);
    EXPECT_EQ(handled.front(), "later(0)");
    EXPECT_EQ(menu.GetCurrentCommand(), nullptr);
    EXPECT_EQ(menu.GetCommandCount(), 0u);
}

TEST_F(CommandDispatcher, UnregisteredObjectsGetNothing)
{
    dispatcher.UnregisterObject(&menu);
    dispatcher.UnregisterObject(nullptr);
    dispatcher.SendCommandByName("gamemenu", "gone", "");
    dispatcher.SendCommandByCategory("interface", "mouse_move", "");
    EXPECT_EQ(menu.GetCommandCount(), 0u);
    EXPECT_EQ(hud.GetCommandCount(), 1u);
    EXPECT_FALSE(dispatcher.FindObject("gamemenu"));
}
