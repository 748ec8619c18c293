#include "Race/PEnemyRegistry.h"

CPEnemyRegistry* g_EnemyRegistry = nullptr;

CPEnemyRegistry* GetEnemyRegistry()
{
    return g_EnemyRegistry;
}

void CPEnemyRegistry::Add(const std::string& name, const CPEnemyRecord& record)
{
    m_records[name] = record;
}

const CPEnemyRecord& CPEnemyRegistry::Get(const std::string& name)
{
    return m_records[name];
}
