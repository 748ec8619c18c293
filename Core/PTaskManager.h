// Task manager: the ordered list of everything that runs once per frame.
// Lower order values run first; tasks of equal order keep their arrival order.
// The host creates the one manager, stores the game window's handle in it,
// runs the list each frame and drops finished tasks.
#pragma once

#include "Core/PSmartPtr.h"
#include "Core/PTask.h"
#include "Platform/Win32.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>

class CPTaskManager
{
public:
    using TaskList = std::list<CPSmartPtr<CPTask>>;

    CPTaskManager();
    // Drops the list's references; the tasks themselves live on.
    ~CPTaskManager();
    CPTaskManager(const CPTaskManager&) = delete;
    CPTaskManager& operator=(const CPTaskManager&) = delete;

    // Starts the task and lists it before the first task of a greater order.
    // False for a null task and for one that is running (the list is then
    // unchanged). A stopped task still in the list is moved to its new place
    // rather than listed twice.
    BYTE AddTask(CPSmartPtr<CPTask> task);
    // Marks every listed task finished; running flags and the list stay.
    void KillAllTasks();

    // The game window; the video players draw into it.
    HWND GetWindowHandle() const { return m_windowHandle; }
    void SetWindowHandle(HWND window) { m_windowHandle = window; }

    // The list in run order, for the host's frame loop. Tasks added while the
    // list is walked go to their ordered place; a task must not be destroyed
    // while its own Update runs.
    const TaskList& GetTasks() const { return m_tasks; }
    // Drops the task at the position from the list; returns the next position.
    TaskList::const_iterator RemoveTask(TaskList::const_iterator position);

private:
    friend class CPTask;

    // The tasks listed under one order stand together in the list: the first
    // of them and how many there are.
    struct OrderRun
    {
        TaskList::iterator first;
        size_t count = 0;
    };

    // Forgets a task that is being destroyed.
    void Unlist(CPTask* task);
    // Takes the node out of the index of runs; the list itself is unchanged.
    void LeaveRun(TaskList::iterator node);

    HWND m_windowHandle = nullptr;
    TaskList m_tasks;
    // Every order in the list, so that a task finds its place without a walk.
    std::map<int32_t, OrderRun> m_runs;
};

extern CPTaskManager* g_TaskManager;
CPTaskManager* GetTaskManager();
