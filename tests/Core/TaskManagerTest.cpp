#include "Core/PObjUpdater.h"
#include "Core/PTaskManager.h"
#include "Host/PHostFrame.h"
#include "Platform/CRand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{
class CNamedTask : public CPTask
{
public:
    CNamedTask(std::string name, int32_t order)
        : m_name(std::move(name))
    {
        SetOrder(order);
    }
    int32_t GetObjectSize() const override { return sizeof(*this); }
    std::string GetTypeName() const override { return "CNamedTask - " + m_name; }
    void Update() override {}
    int32_t QueryFlag() override { return 0; }
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

std::vector<std::string> ListedNames(const CPTaskManager& manager)
{
    std::vector<std::string> names;
    for (const CPSmartPtr<CPTask>& task : manager.GetTasks())
        names.push_back(static_cast<const CNamedTask*>(task.Get())->Name());
    return names;
}
}

TEST(Task, StartRefusesARunningTaskAndStopFinishesIt)
{
    CNamedTask task("t", 1);
    EXPECT_EQ(CNamedTask("fresh", CPTask::kDefaultOrder).GetOrder(), 5000);
    EXPECT_FALSE(task.IsRunning());
    EXPECT_FALSE(task.IsFinished());
    EXPECT_TRUE(task.Start());
    EXPECT_TRUE(task.IsRunning());
    EXPECT_FALSE(task.Start());
    task.Stop();
    EXPECT_TRUE(task.IsFinished());
    EXPECT_FALSE(task.IsRunning());
    EXPECT_TRUE(task.Start());
    EXPECT_FALSE(task.IsFinished());
    EXPECT_FALSE(task.Clone());
}

TEST(TaskManager, LowerOrdersFirstEqualOrdersKeepArrivalOrder)
{
    const struct
    {
        const char* name;
        int32_t order;
    } added[] = { { "500", 500 }, { "100", 100 }, { "400", 400 }, { "200a", 200 }, { "200b", 200 }, { "200c", 200 } };
    std::vector<std::unique_ptr<CNamedTask>> tasks;
    CPTaskManager manager;
    for (const auto& entry : added) {
        tasks.push_back(std::make_unique<CNamedTask>(entry.name, entry.order));
        EXPECT_EQ(manager.AddTask(tasks.back().get()), 1);
        EXPECT_TRUE(tasks.back()->IsRunning());
    }
    EXPECT_EQ(ListedNames(manager), (std::vector<std::string> { "100", "200a", "200b", "200c", "400", "500" }));
}

TEST(TaskManager, RefusesNullAndRunningTasks)
{
    CPTaskManager manager;
    CNamedTask a("a", 1);
    EXPECT_EQ(manager.AddTask(nullptr), 0);
    EXPECT_TRUE(manager.GetTasks().empty());

    ASSERT_EQ(manager.AddTask(&a), 1);
    EXPECT_EQ(manager.AddTask(&a), 0);
    CNamedTask b("b", 2);
    b.Start();
    EXPECT_EQ(manager.AddTask(&b), 0);
    EXPECT_EQ(ListedNames(manager), std::vector<std::string> { "a" });
}

TEST(TaskManager, KillAllTasksMarksFinishedButLeavesRunningAndList)
{
    CPTaskManager manager;
    manager.KillAllTasks();
    EXPECT_TRUE(manager.GetTasks().empty());

    CNamedTask a("a", 1);
    CNamedTask b("b", 2);
    manager.AddTask(&a);
    manager.AddTask(&b);
    manager.KillAllTasks();
    EXPECT_EQ(ListedNames(manager), (std::vector<std::string> { "a", "b" }));
    for (const CNamedTask* task : { &a, &b }) {
        EXPECT_TRUE(task->IsFinished());
        EXPECT_TRUE(task->IsRunning());
    }
    // Still running: a killed task cannot be added until the frame loop drops it.
    EXPECT_EQ(manager.AddTask(&a), 0);
}

TEST(TaskManager, StoppedTaskStillListedMovesInsteadOfListingTwice)
{
    CPTaskManager manager;
    CNamedTask a("a", 200);
    CNamedTask b("b", 300);
    CNamedTask c("c", 500);
    manager.AddTask(&a);
    manager.AddTask(&b);
    manager.AddTask(&c);
    a.Stop();
    a.SetOrder(400);
    EXPECT_EQ(manager.AddTask(&a), 1);
    EXPECT_EQ(ListedNames(manager), (std::vector<std::string> { "b", "a", "c" }));
    EXPECT_TRUE(a.IsRunning());
    EXPECT_FALSE(a.IsFinished());
}

TEST(TaskManager, DestroyedTaskLeavesTheList)
{
    CPTaskManager manager;
    CNamedTask kept("kept", 1);
    manager.AddTask(&kept);
    {
        CNamedTask gone("gone", 2);
        manager.AddTask(&gone);
        EXPECT_EQ(manager.GetTasks().size(), 2u);
    }
    EXPECT_EQ(ListedNames(manager), std::vector<std::string> { "kept" });

    // A task outliving its manager is no longer listed anywhere.
    auto late = std::make_unique<CNamedTask>("late", 3);
    {
        CPTaskManager shortLived;
        shortLived.AddTask(late.get());
    }
    late.reset();
}

TEST(TaskManager, HoldsTheWindowHandleAndIsReachedGlobally)
{
    CPTaskManager manager;
    EXPECT_EQ(manager.GetWindowHandle(), nullptr);
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));
    manager.SetWindowHandle(window);
    EXPECT_EQ(manager.GetWindowHandle(), window);

    CPTaskManager* saved = g_TaskManager;
    g_TaskManager = &manager;
    EXPECT_EQ(GetTaskManager(), &manager);
    g_TaskManager = saved;
}

namespace
{
struct CCounter
{
    void Step() { ++steps; }
    int steps = 0;
};
}

TEST(ObjUpdater, CallsItsMemberOncePerUpdate)
{
    CCounter counter;
    CPObjUpdater updater(&counter, &CCounter::Step);
    EXPECT_EQ(updater.GetTypeName(), "CPObjUpdater");
    EXPECT_EQ(updater.GetObjectSize(), static_cast<int32_t>(sizeof(CPObjUpdater)));
    EXPECT_EQ(updater.QueryFlag(), 0);
    EXPECT_EQ(updater.GetTarget(), &counter);
    EXPECT_FALSE(updater.Clone());
    updater.Update();
    updater.Update();
    EXPECT_EQ(counter.steps, 2);

    CPObjUpdater unbound(static_cast<CCounter*>(nullptr), &CCounter::Step);
    unbound.Update(); // nothing to call
}

// Many tasks of few orders listed, moved, dropped by the frame loop and
// destroyed in a random mix; after every step the list matches a plain model
// of the rule: each task goes after every task whose order is not greater.
TEST(TaskManager, MixedListingsKeepTheOrderRule)
{
    CPTaskManager manager;
    std::vector<std::unique_ptr<CNamedTask>> tasks;
    std::vector<const CPTask*> model;
    const auto listInModel = [&model](const CPTask* task) {
        auto place = model.begin();
        while (place != model.end() && (*place)->GetOrder() <= task->GetOrder())
            ++place;
        model.insert(place, task);
    };
    const auto listed = [&manager] {
        std::vector<const CPTask*> list;
        for (const CPSmartPtr<CPTask>& task : manager.GetTasks())
            list.push_back(task.Get());
        return list;
    };
    CPTaskManager* const saved = g_TaskManager;
    g_TaskManager = &manager;
    crt::srand(3);
    for (int step = 0; step < 3000; ++step) {
        const int action = crt::rand() % 10;
        if (action < 5 || tasks.empty()) {
            tasks.push_back(std::make_unique<CNamedTask>(std::to_string(step), crt::rand() % 7 * 100));
            ASSERT_EQ(manager.AddTask(tasks.back().get()), 1);
            listInModel(tasks.back().get());
        } else {
            const size_t pick = static_cast<size_t>(crt::rand()) % tasks.size();
            CNamedTask* task = tasks[pick].get();
            model.erase(std::remove(model.begin(), model.end(), task), model.end());
            if (action < 7) {
                // Stopped, given a new order and added again: it moves.
                task->Stop();
                task->SetOrder(crt::rand() % 7 * 100);
                ASSERT_EQ(manager.AddTask(task), 1);
                listInModel(task);
            } else if (action < 9) {
                tasks.erase(tasks.begin() + static_cast<std::ptrdiff_t>(pick));
            } else {
                // Stopped and dropped by the next frame.
                task->Stop();
                RunFrame(0.0f);
            }
        }
        ASSERT_EQ(listed(), model) << "step " << step;
    }
    g_TaskManager = saved;
}
