// The money, the bonus list and the best-lap tables of the game data.
#include "Race/PGameData.h"

#include "Core/PCommandDispatcher.h"
#include "Race/PScoreTable.h"

#include <cstdio>

namespace
{
const char* const kMenuObject = "gamemenu";
const char* const kMoneyCommand = "change_money";
}

void CPGameData::SetMoney(float money)
{
    m_money = money;
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(m_money));
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(kMenuObject, kMoneyCommand, text);
}

void CPGameData::AddBonus(CPGameObject* object, int32_t value)
{
    CPBonusEntry entry;
    entry.object = object;
    entry.value = value;
    m_bonuses.push_back(entry);
}

void CPGameData::EraseBonus(CPGameObject* object)
{
    for (auto entry = m_bonuses.begin(); entry != m_bonuses.end(); ++entry) {
        if (entry->object.Get() == object) {
            m_bonuses.erase(entry);
            return;
        }
    }
}

bool CPGameData::CheckPlayerRecords(int32_t level, const CPRecordEntry& entry)
{
    return CPScoreTable(m_recordTables).CheckPlayerRecords(level, entry);
}

void CPGameData::SaveScore()
{
    CPScoreTable(m_recordTables).SaveScore();
}

std::string CPGameData::GetScoreLine(int32_t) const
{
    return std::string();
}
