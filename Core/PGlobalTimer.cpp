#include "Core/PGlobalTimer.h"

#include "Core/PGameHost.h"

int32_t CPGlobalTimer::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPGlobalTimer));
}

std::string CPGlobalTimer::GetTypeName() const
{
    return "CPGlobalTimer";
}

void CPGlobalTimer::Update()
{
    m_elapsed += g_FrameTime;
}

int32_t CPGlobalTimer::QueryFlag()
{
    return 0;
}
