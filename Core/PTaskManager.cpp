#include "Core/PTaskManager.h"

CPTaskManager* g_TaskManager = nullptr;

CPTaskManager* GetTaskManager()
{
    return g_TaskManager;
}

CPTaskManager::CPTaskManager() = default;

CPTaskManager::~CPTaskManager()
{
    for (const CPSmartPtr<CPTask>& task : m_tasks)
        task->m_listedIn = nullptr;
}

BYTE CPTaskManager::AddTask(CPSmartPtr<CPTask> task)
{
    if (!task)
        return 0;
    if (!task->Start())
        return 0;

    // A task stopped and added again before the frame loop dropped it keeps
    // its one node; the node moves to the task's new place.
    TaskList moved;
    if (CPTaskManager* holder = task->m_listedIn) {
        holder->LeaveRun(task->m_listNode);
        moved.splice(moved.end(), holder->m_tasks, task->m_listNode);
    }

    // Before the first task of a greater order, which is where a walk from
    // the head past every order not greater than this one would stop.
    const int32_t order = task->GetOrder();
    const auto greater = m_runs.upper_bound(order);
    const TaskList::iterator place = greater == m_runs.end() ? m_tasks.end() : greater->second.first;
    TaskList::iterator node;
    if (moved.empty()) {
        node = m_tasks.insert(place, task);
    } else {
        node = moved.begin();
        m_tasks.splice(place, moved);
    }
    OrderRun& run = m_runs[order];
    if (run.count++ == 0)
        run.first = node;
    task->m_listedIn = this;
    task->m_listNode = node;
    task->m_listedOrder = order;
    return 1;
}

void CPTaskManager::KillAllTasks()
{
    for (const CPSmartPtr<CPTask>& task : m_tasks)
        task->SetFinished(true);
}

CPTaskManager::TaskList::const_iterator CPTaskManager::RemoveTask(TaskList::const_iterator position)
{
    // An empty erase turns the position into a node that can be changed.
    const TaskList::iterator node = m_tasks.erase(position, position);
    LeaveRun(node);
    (*node)->m_listedIn = nullptr;
    return m_tasks.erase(node);
}

void CPTaskManager::Unlist(CPTask* task)
{
    RemoveTask(task->m_listNode);
}

void CPTaskManager::LeaveRun(TaskList::iterator node)
{
    const auto run = m_runs.find((*node)->m_listedOrder);
    if (run == m_runs.end())
        return;
    if (--run->second.count == 0)
        m_runs.erase(run);
    else if (run->second.first == node)
        ++run->second.first;
}
