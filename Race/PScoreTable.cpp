#include "Race/PScoreTable.h"

#include "Core/PFileWriter.h"
#include "Script/ScriptBinding.h"

#include <algorithm>
#include <cstdio>

CPScoreTable::CPScoreTable(CPRecordTables& tables)
    : m_tables(tables)
{
}

CPRecordEntry CPScoreTable::MakeEntry(const std::string& name, float lapTime)
{
    const ScriptTime split = SplitTime(lapTime);
    CPRecordEntry entry;
    entry.name = name;
    entry.minutes = split.minutes;
    entry.seconds = split.seconds;
    entry.hundredths = split.hundredths;
    return entry;
}

bool CPScoreTable::IsFaster(const CPRecordEntry& first, const CPRecordEntry& second)
{
    if (first.minutes != second.minutes)
        return first.minutes < second.minutes;
    if (first.seconds != second.seconds)
        return first.seconds < second.seconds;
    return first.hundredths < second.hundredths;
}

std::vector<CPRecordEntry>* CPScoreTable::Table(int32_t level) const
{
    if (level < 1 || static_cast<size_t>(level) > m_tables.size())
        return nullptr;
    return &m_tables[static_cast<size_t>(level) - 1];
}

bool CPScoreTable::CheckPlayerRecords(int32_t level, const CPRecordEntry& entry)
{
    std::vector<CPRecordEntry>* table = Table(level);
    if (!table)
        return false;
    if (table->size() < kFilledSize) {
        table->push_back(entry);
        return true;
    }
    // Stable, so entries with equal times keep the order they came in.
    std::stable_sort(table->begin(), table->end(), IsFaster);
    const auto slower = std::find_if(table->begin(), table->end(),
                                     [&entry](const CPRecordEntry& stored) { return IsFaster(entry, stored); });
    if (slower == table->end())
        return false;
    table->insert(slower, entry);
    // The slowest drops out, so the table keeps its length.
    table->pop_back();
    return true;
}

HRESULT CPScoreTable::SaveScore() const
{
    CPFileWriter writer(kFileName, 1);
    for (size_t index = 0; index < m_tables.size(); ++index) {
        for (const CPRecordEntry& entry : m_tables[index]) {
            writer.WriteInt(static_cast<int32_t>(index));
            writer.WriteString(entry.name);
            writer.WriteInt(entry.minutes);
            writer.WriteInt(entry.seconds);
            writer.WriteInt(entry.hundredths);
        }
    }
    return writer.Save();
}

std::vector<std::pair<std::string, std::string>> CPScoreTable::GetListing(int32_t level) const
{
    std::vector<std::pair<std::string, std::string>> listing;
    const std::vector<CPRecordEntry>* table = Table(level);
    if (!table)
        return listing;
    for (const CPRecordEntry& entry : *table) {
        if (entry.name.empty()) {
            listing.emplace_back(std::string(), std::string());
            continue;
        }
        char time[48];
        std::snprintf(time, sizeof(time), "%02d:%02d:%02d", entry.minutes, entry.seconds, entry.hundredths);
        listing.emplace_back(entry.name, time);
    }
    return listing;
}
