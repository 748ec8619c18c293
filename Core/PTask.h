// A task: anything that runs once per frame under the task manager. It is
// idle when built, running once the manager has started it, and finished when
// stopped or killed; the host's frame loop then drops it from the list. The
// order value places it in the list: lower values run first.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/Win32.h"

#include <cstdint>
#include <list>

class CPTaskManager;

class CPTask : public CPManagedObject
{
public:
    static constexpr int32_t kDefaultOrder = 5000;

    CPTask();
    // Leaves the task manager's list first, so a destroyed task is never run.
    ~CPTask() override;

    // Refuses (false) a running task; otherwise clears finished, sets running.
    virtual bool Start();
    virtual void PreUpdate();
    // Once per frame; the frame's length is in g_FrameTime.
    virtual void Update() = 0;
    virtual void PostUpdate();
    // Sets finished and clears running; the frame loop then drops the task.
    virtual void Stop();
    virtual int32_t QueryFlag() = 0;
    // A copy of the task; none unless a class provides one.
    virtual CPSmartPtr<CPTask> Clone();

    bool IsRunning() const { return m_running != 0; }
    bool IsFinished() const { return m_finished != 0; }
    void SetRunning(bool running) { m_running = running ? 1 : 0; }
    void SetFinished(bool finished) { m_finished = finished ? 1 : 0; }
    int32_t GetOrder() const { return m_order; }
    void SetOrder(int32_t order) { m_order = order; }

protected:
    BYTE m_running;
    BYTE m_finished;
    int32_t m_order;

private:
    friend class CPTaskManager;
    // While listed: the manager whose list holds the task, the task's node in
    // that list and the order it was listed under.
    CPTaskManager* m_listedIn = nullptr;
    std::list<CPSmartPtr<CPTask>>::iterator m_listNode;
    int32_t m_listedOrder = 0;
};
