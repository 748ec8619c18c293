#include "Core/PObjUpdater.h"

int32_t CPObjUpdater::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPObjUpdater));
}

std::string CPObjUpdater::GetTypeName() const
{
    return "CPObjUpdater";
}

void CPObjUpdater::Update()
{
    if (m_call)
        m_call();
}

int32_t CPObjUpdater::QueryFlag()
{
    return m_flag;
}
