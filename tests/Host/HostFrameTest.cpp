#include "Core/PGameHost.h"
#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PHostFrame.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
// A task that logs its updates and can act on the frame when it runs.
class CStepTask : public CPTask
{
public:
    CStepTask(std::string name, int32_t order, std::vector<std::string>& log)
        : m_name(std::move(name))
        , m_log(log)
    {
        SetOrder(order);
    }
    int32_t GetObjectSize() const override { return sizeof(*this); }
    std::string GetTypeName() const override { return "CStepTask"; }
    void Update() override
    {
        m_log.push_back(m_name);
        if (onUpdate)
            onUpdate();
    }
    int32_t QueryFlag() override { return 0; }

    std::function<void()> onUpdate;

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

class HostFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = g_TaskManager;
        g_TaskManager = &manager;
        g_FrameTime = 0.0f;
        g_FullTime = 0.0;
        g_FrameCounter = 0;
    }
    void TearDown() override { g_TaskManager = m_saved; }

    CPTaskManager manager;
    std::vector<std::string> log;

private:
    CPTaskManager* m_saved = nullptr;
};
}

TEST_F(HostFrame, WritesTheFrameClocks)
{
    RunFrame(0.25f);
    RunFrame(0.5f);
    EXPECT_EQ(g_FrameTime, 0.5f);
    EXPECT_DOUBLE_EQ(g_FullTime, 0.75);
    EXPECT_EQ(g_FrameCounter, 2u);
}

TEST_F(HostFrame, RunsTasksInOrderAndDropsFinishedOnes)
{
    CStepTask late("late", 500, log);
    CStepTask early("early", 100, log);
    CStepTask once("once", 300, log);
    once.onUpdate = [&] { once.Stop(); };
    manager.AddTask(&late);
    manager.AddTask(&early);
    manager.AddTask(&once);

    RunFrame(0.1f);
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "early", "once", "late", "early", "late" }));
    EXPECT_EQ(manager.GetTasks().size(), 2u);
    EXPECT_EQ(once.GetRefCount(), 0);

    // Dropped, so it can be added and run again.
    once.onUpdate = nullptr;
    EXPECT_EQ(manager.AddTask(&once), 1);
    log.clear();
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "early", "once", "late" }));
}

TEST_F(HostFrame, KilledTasksAreDroppedAndCanStartAgain)
{
    CStepTask a("a", 1, log);
    CStepTask b("b", 2, log);
    manager.AddTask(&a);
    manager.AddTask(&b);
    manager.KillAllTasks();
    RunFrame(0.1f);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(manager.GetTasks().empty());
    EXPECT_FALSE(a.IsRunning());
    EXPECT_EQ(manager.AddTask(&a), 1);
    EXPECT_EQ(manager.AddTask(&b), 1);
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "a", "b" }));
}

TEST_F(HostFrame, ChangesMadeDuringTheFrame)
{
    // first stops second and adds a task behind itself and one ahead of
    // itself; the one behind runs this frame, the one ahead next frame.
    CStepTask first("first", 200, log);
    CStepTask second("second", 300, log);
    CStepTask behind("behind", 400, log);
    CStepTask ahead("ahead", 100, log);
    bool done = false;
    first.onUpdate = [&] {
        if (done)
            return;
        done = true;
        second.Stop();
        manager.AddTask(&behind);
        manager.AddTask(&ahead);
    };
    manager.AddTask(&first);
    manager.AddTask(&second);
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "first", "behind" }));
    log.clear();
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "ahead", "first", "behind" }));
}

TEST_F(HostFrame, TaskStoppedAndAddedAgainInOneFrameStays)
{
    CStepTask a("a", 100, log);
    CStepTask b("b", 200, log);
    manager.AddTask(&a);
    manager.AddTask(&b);
    bool done = false;
    b.onUpdate = [&] {
        if (done)
            return;
        done = true;
        a.Stop();
        a.SetOrder(300);
        manager.AddTask(&a);
    };
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "a", "b", "a" }));
    log.clear();
    RunFrame(0.1f);
    EXPECT_EQ(log, (std::vector<std::string> { "b", "a" }));
}

namespace
{
struct CRaceClock
{
    void Update() { seconds += g_FrameTime; }
    float seconds = 0.0f;
};
}

TEST_F(HostFrame, ObjUpdaterReadsTheFrameTime)
{
    CRaceClock clock;
    CPObjUpdater updater(&clock, &CRaceClock::Update);
    updater.SetOrder(500);
    manager.AddTask(&updater);
    RunFrame(0.25f);
    RunFrame(0.5f);
    EXPECT_FLOAT_EQ(clock.seconds, 0.75f);
}
