// The best-lap tables of the levels (table i belongs to level number i + 1)
// and their file "Data\scores.dat". A table takes arrivals in order until it
// holds seven entries; from then on a new entry must beat one of them: the
// table is sorted (equal times keep their order) and the slowest drops out.
// The file is only written, scrambled: for every entry of every table in
// order, the table index, the name as a length-prefixed string and the
// minutes, seconds and hundredths, all integers 32-bit little-endian.
#pragma once

#include "Platform/Win32.h"
#include "Race/PRaceRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using CPRecordTables = std::vector<std::vector<CPRecordEntry>>;

class CPScoreTable
{
public:
    static constexpr size_t kFilledSize = 7;
    static constexpr const char* kFileName = "Data\\scores.dat";

    // Works on the tables it is given; they stay the caller's.
    explicit CPScoreTable(CPRecordTables& tables);

    // The entry of a lap time in seconds, split as the engine splits times.
    static CPRecordEntry MakeEntry(const std::string& name, float lapTime);
    // By minutes, then seconds, then hundredths; the name takes no part.
    static bool IsFaster(const CPRecordEntry& first, const CPRecordEntry& second);

    // Enters the entry into the table of the level number (from 1); true
    // when it was entered. A level without a table enters nothing.
    bool CheckPlayerRecords(int32_t level, const CPRecordEntry& entry);
    // Writes every table to the score file, replacing it. E_FAIL, with any
    // earlier file left as it was, when it cannot be written.
    HRESULT SaveScore() const;
    // The level's entries in stored order as name and "mm:ss:hh"; an entry
    // without a name gives two empty texts. Empty for a level without a table.
    std::vector<std::pair<std::string, std::string>> GetListing(int32_t level) const;

private:
    std::vector<CPRecordEntry>* Table(int32_t level) const;

    CPRecordTables& m_tables;
};
