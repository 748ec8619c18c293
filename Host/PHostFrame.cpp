#include "Host/PHostFrame.h"

#include "Core/PGameHost.h"
#include "Core/PTaskManager.h"
#include "Host/PHostDevice.h"
#include "Platform/MediaFile.h"
#include "Host/PHostDraw.h"
#include "Host/PHostSound.h"
#include "Render/PRender.h"

void (*g_HostFrameWork)() = nullptr;

void AdvanceFrameClock(float frameTime)
{
    g_FullTime += frameTime;
    g_FrameTime = frameTime;
    ++g_FrameCounter;
    // Music and videos play on by the frame's length.
    PlatformMedia::AdvanceClock(frameTime);
}

void RunTasks(CPTaskManager& tasks)
{
    const CPTaskManager::TaskList& list = tasks.GetTasks();
    // Tasks added meanwhile go to their ordered place and run this frame when
    // that place lies ahead.
    for (auto position = list.begin(); position != list.end(); ++position) {
        CPTask* task = position->Get();
        if (!task->IsFinished())
            task->Update();
    }
    auto position = list.begin();
    while (position != list.end()) {
        CPTask* task = position->Get();
        if (task->IsFinished()) {
            task->SetRunning(false);
            position = tasks.RemoveTask(position);
        } else {
            ++position;
        }
    }
}

void RunFrame(float frameTime)
{
    // A lost render device is brought back before the frame's work.
    const bool drawable = SUCCEEDED(RestoreHostRender());
    AdvanceFrameClock(frameTime);
    if (CPTaskManager* tasks = GetTaskManager())
        RunTasks(*tasks);
    KeepHostMusicListed();
    if (g_HostFrameWork)
        g_HostFrameWork();
    // Drawing follows the tasks; a lost device draws nothing.
    if (CPRender* render = GetRender()) {
        if (drawable)
            DrawFrame(*render);
    }
}
