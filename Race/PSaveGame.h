// Save games: the profile on disk, one file per slot, "save0.sav" to
// "save5.sav" in "DATA\Saves\". A file holds, all fields little-endian and
// strings as a 32-bit length and their bytes: the profile name, the player
// name, the time of saving (eight 16-bit values: year, month, day of week,
// day, hour, minute, second, milliseconds), the races passed, the points,
// and per level the best time, the spare value, the ghost's sample count
// and, when there are samples, the ghost's model and the 68-byte samples.
// A missing or empty file is a free slot.
#pragma once

#include "Platform/Win32.h"
#include "Race/PGameData.h"

#include <array>
#include <cstdint>
#include <string>

class CPFileReader;
class CPFileWriter;

// The contents of one save file.
struct CPSaveProfile
{
    std::string profileName;
    std::string playerName;
    SYSTEMTIME savedAt {};
    int32_t racesPassed = 0;
    int32_t points = 0;
    std::array<CPLevelRecord, CPGameData::kLevelCount> records;
};

namespace SaveFile
{
constexpr int32_t kSlotCount = 6;
constexpr size_t kGhostSampleSize = 68;
constexpr const char* kFolder = "DATA\\Saves\\";

// "save%i.sav" of the slot.
std::string SlotFileName(int32_t slot);
// The slot a file name stands for: "save", decimal digits, ".sav" (any
// letter case) with a value 0 to 5; -1 for every other name.
int32_t SlotOfFileName(const std::string& name);
// Whether a script-given file name stays inside the save folder: no "\",
// "/" or "..".
bool IsPlainFileName(const std::string& name);

// Appends the whole save file.
void Write(CPFileWriter& writer, const CPSaveProfile& profile);
// Reads a whole save file, every length checked against the bytes that
// remain; false (the profile then holds no meaning) when the bytes are
// empty, end early or go on past the last level record.
bool Read(CPFileReader& reader, CPSaveProfile& profile);
// Reads the time stamp after the two names of a save file; past the end of
// the file it reads as zeros.
SYSTEMTIME ReadTimeStamp(CPFileReader& reader);
// Whether the first stamp is earlier, by year, month, day, hour, minute
// and second (day of week and milliseconds take no part).
bool IsEarlier(const SYSTEMTIME& first, const SYSTEMTIME& second);
}
