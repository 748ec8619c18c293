// Enemy registry: what the game knows of each enemy type, by type name: two
// numbers and three texts. The host creates the one registry and fills it
// from its data file; the race only looks names up, and looking up a name
// the registry lacks adds it with zeros and empty texts.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

struct CPEnemyRecord
{
    float number1 = 0.0f;
    float number2 = 0.0f;
    std::string text1;
    std::string text2;
    std::string text3;
};

class CPEnemyRegistry
{
public:
    // Files the record under the name, replacing an earlier one.
    void Add(const std::string& name, const CPEnemyRecord& record);
    // The record of the name; an unknown name is added with an empty record.
    const CPEnemyRecord& Get(const std::string& name);
    size_t GetCount() const { return m_records.size(); }

private:
    std::unordered_map<std::string, CPEnemyRecord> m_records;
};

extern CPEnemyRegistry* g_EnemyRegistry;
// The registry, null before the host creates it.
CPEnemyRegistry* GetEnemyRegistry();
