#include "Core/PTask.h"

#include "Core/PTaskManager.h"

CPTask::CPTask()
    : m_running(0)
    , m_finished(0)
    , m_order(kDefaultOrder)
{
}

CPTask::~CPTask()
{
    if (m_listedIn)
        m_listedIn->Unlist(this);
    m_running = 0;
    m_finished = 0;
}

bool CPTask::Start()
{
    if (m_running)
        return false;
    m_finished = 0;
    m_running = 1;
    return true;
}

void CPTask::PreUpdate()
{
}

void CPTask::PostUpdate()
{
}

void CPTask::Stop()
{
    m_finished = 1;
    m_running = 0;
}

CPSmartPtr<CPTask> CPTask::Clone()
{
    return CPSmartPtr<CPTask>();
}
