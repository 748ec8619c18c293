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
        const auto node = holder->Find(task.Get());
        if (node != holder->m_tasks.end())
            moved.splice(moved.end(), holder->m_tasks, node);
    }

    const int32_t order = task->GetOrder();
    auto place = m_tasks.begin();
    while (place != m_tasks.end() && (*place)->GetOrder() <= order)
        ++place;
    if (moved.empty())
        m_tasks.insert(place, task);
    else
        m_tasks.splice(place, moved);
    task->m_listedIn = this;
    return 1;
}

void CPTaskManager::KillAllTasks()
{
    for (const CPSmartPtr<CPTask>& task : m_tasks)
        task->SetFinished(true);
}

CPTaskManager::TaskList::const_iterator CPTaskManager::RemoveTask(TaskList::const_iterator position)
{
    (*position)->m_listedIn = nullptr;
    return m_tasks.erase(position);
}

void CPTaskManager::Unlist(CPTask* task)
{
    const auto position = Find(task);
    if (position != m_tasks.end())
        RemoveTask(position);
}

CPTaskManager::TaskList::iterator CPTaskManager::Find(const CPTask* task)
{
    auto position = m_tasks.begin();
    while (position != m_tasks.end() && position->Get() != task)
        ++position;
    return position;
}
