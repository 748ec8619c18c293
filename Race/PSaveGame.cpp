#include "Race/PSaveGame.h"

#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Platform/Clock.h"
#include "Platform/GamePath.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace
{
const char* const kSlotPattern = "save%i.sav";
const char* const kSlotPrefix = "save";
const char* const kSlotSuffix = ".sav";
// Saves make this folder when it is missing.
const char* const kFolderToMake = "data\\saves\\";
constexpr int32_t kResetSpare = 4;

bool EqualsIgnoringCase(const std::string& text, size_t at, const char* part)
{
    const size_t length = std::strlen(part);
    if (text.size() < at + length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != part[i])
            return false;
    }
    return true;
}

void WriteQuaternion(CPFileWriter& writer, const D3DXQUATERNION& q)
{
    writer.WriteFloat(q.x);
    writer.WriteFloat(q.y);
    writer.WriteFloat(q.z);
    writer.WriteFloat(q.w);
}

void ReadQuaternion(CPFileReader& reader, D3DXQUATERNION& q)
{
    q.x = reader.ReadFloat();
    q.y = reader.ReadFloat();
    q.z = reader.ReadFloat();
    q.w = reader.ReadFloat();
}

void WriteGhostSample(CPFileWriter& writer, const CPGhostSample& sample)
{
    writer.WriteFloat(sample.position.x);
    writer.WriteFloat(sample.position.y);
    writer.WriteFloat(sample.position.z);
    WriteQuaternion(writer, sample.rotation);
    writer.Write(&sample.bikePartFlag, 1);
    writer.Write(sample.padding, sizeof(sample.padding));
    WriteQuaternion(writer, sample.riderRotation);
    WriteQuaternion(writer, sample.bodyRotation);
    writer.WriteFloat(sample.sampleTime);
}

void ReadGhostSample(CPFileReader& reader, CPGhostSample& sample)
{
    sample.position.x = reader.ReadFloat();
    sample.position.y = reader.ReadFloat();
    sample.position.z = reader.ReadFloat();
    ReadQuaternion(reader, sample.rotation);
    reader.Read(&sample.bikePartFlag, 1);
    reader.Read(sample.padding, sizeof(sample.padding));
    ReadQuaternion(reader, sample.riderRotation);
    ReadQuaternion(reader, sample.bodyRotation);
    sample.sampleTime = reader.ReadFloat();
}

void WriteTimeStamp(CPFileWriter& writer, const SYSTEMTIME& time)
{
    const WORD fields[] = { time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
                            time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds };
    for (const WORD field : fields) {
        const BYTE bytes[2] = { static_cast<BYTE>(field & 0xFF), static_cast<BYTE>(field >> 8) };
        writer.Write(bytes, sizeof(bytes));
    }
}

// A 32-bit count that must be 0 or more and, times `unit`, fit in what remains.
bool ReadCount(CPFileReader& reader, size_t unit, int32_t& count)
{
    if (reader.GetRemaining() < 4)
        return false;
    count = reader.ReadInt();
    return count >= 0 && static_cast<uint64_t>(count) * unit <= static_cast<uint64_t>(reader.GetRemaining());
}

// A length-prefixed string whose bytes are all there; the text ends at its
// first zero byte, as every string the engine reads.
bool ReadCheckedString(CPFileReader& reader, std::string& text)
{
    int32_t length = 0;
    if (!ReadCount(reader, 1, length))
        return false;
    const char* bytes = reinterpret_cast<const char*>(reader.GetCursorData());
    text.assign(bytes, strnlen(bytes, static_cast<size_t>(length)));
    reader.Skip(static_cast<size_t>(length));
    return true;
}

// Makes the save folder when it is missing; the file itself is written by
// the file writer.
void MakeSaveFolder(const std::string& name)
{
    std::string hostPath;
    GamePath::ResolveForWriting(kFolderToMake + name, hostPath, GamePath::MissingDirs::Create);
}
}

namespace SaveFile
{
std::string SlotFileName(int32_t slot)
{
    char name[32];
    std::snprintf(name, sizeof(name), kSlotPattern, slot);
    return name;
}

int32_t SlotOfFileName(const std::string& name)
{
    const size_t prefix = std::strlen(kSlotPrefix);
    const size_t suffix = std::strlen(kSlotSuffix);
    if (name.size() <= prefix + suffix || !EqualsIgnoringCase(name, 0, kSlotPrefix)
        || !EqualsIgnoringCase(name, name.size() - suffix, kSlotSuffix))
        return -1;
    int32_t value = 0;
    for (size_t i = prefix; i < name.size() - suffix; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
        value = value * 10 + (name[i] - '0');
        if (value >= kSlotCount)
            return -1;
    }
    return value;
}

bool IsPlainFileName(const std::string& name)
{
    return name.find('\\') == std::string::npos && name.find('/') == std::string::npos
           && name.find("..") == std::string::npos;
}

void Write(CPFileWriter& writer, const CPSaveProfile& profile)
{
    writer.WriteString(profile.profileName);
    writer.WriteString(profile.playerName);
    WriteTimeStamp(writer, profile.savedAt);
    writer.WriteInt(profile.racesPassed);
    writer.WriteInt(profile.points);
    for (const CPLevelRecord& record : profile.records) {
        writer.WriteFloat(record.bestTime);
        writer.WriteInt(record.spare);
        writer.WriteInt(static_cast<int32_t>(record.ghost.size()));
        if (record.ghost.empty())
            continue;
        writer.WriteString(record.ghostModel);
        for (const CPGhostSample& sample : record.ghost)
            WriteGhostSample(writer, sample);
    }
}

SYSTEMTIME ReadTimeStamp(CPFileReader& reader)
{
    WORD fields[8];
    for (WORD& field : fields) {
        BYTE bytes[2] = {};
        reader.Read(bytes, sizeof(bytes));
        field = static_cast<WORD>(bytes[0] | bytes[1] << 8);
    }
    SYSTEMTIME time;
    time.wYear = fields[0];
    time.wMonth = fields[1];
    time.wDayOfWeek = fields[2];
    time.wDay = fields[3];
    time.wHour = fields[4];
    time.wMinute = fields[5];
    time.wSecond = fields[6];
    time.wMilliseconds = fields[7];
    return time;
}

bool Read(CPFileReader& reader, CPSaveProfile& profile)
{
    if (reader.GetRemaining() == 0)
        return false;
    if (!ReadCheckedString(reader, profile.profileName) || !ReadCheckedString(reader, profile.playerName))
        return false;
    if (reader.GetRemaining() < 16 + 8)
        return false;
    profile.savedAt = ReadTimeStamp(reader);
    profile.racesPassed = reader.ReadInt();
    profile.points = reader.ReadInt();
    for (CPLevelRecord& record : profile.records) {
        if (reader.GetRemaining() < 8)
            return false;
        record.bestTime = reader.ReadFloat();
        record.spare = reader.ReadInt();
        int32_t count = 0;
        if (!ReadCount(reader, 1, count))
            return false;
        record.ghostModel.clear();
        record.ghost.clear();
        if (count == 0)
            continue;
        if (!ReadCheckedString(reader, record.ghostModel))
            return false;
        if (static_cast<uint64_t>(count) * kGhostSampleSize > static_cast<uint64_t>(reader.GetRemaining()))
            return false;
        record.ghost.resize(static_cast<size_t>(count));
        for (CPGhostSample& sample : record.ghost)
            ReadGhostSample(reader, sample);
    }
    // A whole file ends with its last level record.
    return reader.GetRemaining() == 0 && !reader.HasOverrun();
}

bool IsEarlier(const SYSTEMTIME& first, const SYSTEMTIME& second)
{
    const WORD a[] = { first.wYear, first.wMonth, first.wDay, first.wHour, first.wMinute, first.wSecond };
    const WORD b[] = { second.wYear, second.wMonth, second.wDay, second.wHour, second.wMinute, second.wSecond };
    for (size_t i = 0; i < sizeof(a) / sizeof(a[0]); ++i) {
        if (a[i] != b[i])
            return a[i] < b[i];
    }
    return false;
}
}

namespace
{
// Reads a save file; false when it is missing or empty (a free slot).
bool LoadSlot(CPFileReader& reader)
{
    return SUCCEEDED(reader.Load()) && reader.GetSize() > 0;
}

// The time stamp of a slot's file, read past its two names.
SYSTEMTIME StampAfterNames(CPFileReader& reader)
{
    reader.ReadString();
    reader.ReadString();
    return SaveFile::ReadTimeStamp(reader);
}
}

HRESULT CPGameData::WriteSave(const std::string& name)
{
    CPSaveProfile profile;
    profile.profileName = m_profileName;
    profile.playerName = m_playerName;
    GetLocalTime(&profile.savedAt);
    profile.racesPassed = m_racesPassed;
    profile.points = m_points;
    profile.records = m_levelRecords;

    MakeSaveFolder(name);
    CPFileWriter writer(SaveFile::kFolder + name);
    SaveFile::Write(writer, profile);
    return writer.Save();
}

void CPGameData::SaveGame()
{
    if (m_saveSlot != -1) {
        WriteSave(SaveFile::SlotFileName(m_saveSlot));
        return;
    }
    SYSTEMTIME oldest {};
    int32_t oldestSlot = 0;
    CPFileReader first(SaveFile::kFolder + SaveFile::SlotFileName(0));
    if (LoadSlot(first))
        oldest = StampAfterNames(first);
    for (int32_t slot = 0; slot < SaveFile::kSlotCount; ++slot) {
        CPFileReader reader(SaveFile::kFolder + SaveFile::SlotFileName(slot));
        if (!LoadSlot(reader)) {
            m_saveSlot = slot;
            WriteSave(SaveFile::SlotFileName(slot));
            return;
        }
        const SYSTEMTIME stamp = StampAfterNames(reader);
        if (SaveFile::IsEarlier(stamp, oldest)) {
            oldest = stamp;
            oldestSlot = slot;
        }
    }
    m_saveSlot = oldestSlot;
    WriteSave(SaveFile::SlotFileName(oldestSlot));
}

void CPGameData::ResetForLoad(const std::string& profileName)
{
    m_saveSlot = -1;
    m_currentMission = 1;
    m_points = 0;
    for (CPLevelRecord& record : m_levelRecords) {
        record.bestTime = 0.0f;
        record.spare = kResetSpare;
        record.ghostModel.clear();
        // One profile's ghost never stays behind for the next one.
        record.ghost.clear();
    }
    m_profileName = profileName;
}

bool CPGameData::LoadGame(const std::string& name)
{
    if (!SaveFile::IsPlainFileName(name))
        return false;
    CPFileReader reader(SaveFile::kFolder + name);
    if (FAILED(reader.Load()))
        return false;
    CPSaveProfile profile;
    if (!SaveFile::Read(reader, profile))
        return false;

    ResetForLoad(profile.profileName);
    m_saveSlot = SaveFile::SlotOfFileName(name);
    m_playerName = profile.playerName;
    m_racesPassed = profile.racesPassed;
    m_points = profile.points;
    for (size_t i = 0; i < m_levelRecords.size(); ++i) {
        CPLevelRecord& record = m_levelRecords[i];
        CPLevelRecord& loaded = profile.records[i];
        record.bestTime = loaded.bestTime;
        record.spare = loaded.spare;
        if (loaded.ghost.empty())
            continue;
        record.ghostModel = std::move(loaded.ghostModel);
        record.ghost = std::move(loaded.ghost);
    }
    return true;
}

void CPGameData::DeleteSave(const std::string& name)
{
    if (!SaveFile::IsPlainFileName(name))
        return;
    MakeSaveFolder(name);
    CPFileWriter writer(kFolderToMake + name);
    writer.Save();
}

std::vector<std::string> CPGameData::GetSaves() const
{
    std::vector<std::string> names;
    for (int32_t slot = 0; slot < SaveFile::kSlotCount; ++slot) {
        CPFileReader reader(kFolderToMake + SaveFile::SlotFileName(slot));
        names.push_back(LoadSlot(reader) ? reader.ReadString() : std::string());
    }
    return names;
}
