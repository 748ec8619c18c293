#include "Race/PGameData.h"

#include "Core/PFileReader.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"
#include "Race/PLevel.h"
#include "Startup/PConfigVars.h"

#include <cstdlib>

namespace
{
const char* const kMissionFolder = "Data\\Levels\\";
const char* const kPlayerFile = "DATA\\player.dat";
const char* const kCoeffFile = "DATA\\coeff.dat";
const char* const kSourcesLine = "sources";
const char* const kNoItem = "none";

int32_t ToInt(const std::string& text)
{
    return StringToInt(text.c_str());
}

float ToFloat(const std::string& text)
{
    return static_cast<float>(std::atof(text.c_str()));
}

// The fields of a line split at blanks; missing fields are empty.
std::vector<std::string> SplitFields(const std::string& line, size_t count)
{
    std::vector<std::string> fields(count);
    CPTokenizer tokenizer(line, " ", 1);
    for (std::string& field : fields)
        tokenizer.NextToken(field);
    return fields;
}

template <class Item>
int32_t PriceOf(const CPShopCatalogue<Item>& catalogue, const std::string& name)
{
    if (name.empty())
        return 0;
    const auto found = catalogue.items.find(name);
    return found == catalogue.items.end() ? 0 : found->second.price;
}
}

std::vector<CPWeightedName> ParseWeightedList(const std::string& field)
{
    std::vector<CPWeightedName> list;
    CPTokenizer items(field, ";", 1);
    std::string item;
    int32_t total = 0;
    while (items.NextToken(item)) {
        CPTokenizer parts(item, ",", 1);
        CPWeightedName entry;
        std::string count;
        parts.NextToken(entry.name);
        parts.NextToken(count);
        entry.from = total;
        // Counts from the file are not trusted: the running total wraps
        // instead of overflowing.
        total = static_cast<int32_t>(static_cast<uint32_t>(total) + static_cast<uint32_t>(ToInt(count)));
        entry.to = total;
        list.push_back(entry);
    }
    return list;
}

void CPGameData::LoadMissionInfo(const std::string& name)
{
    m_checkpoints.clear();
    CPFileReader reader(kMissionFolder + name);
    if (FAILED(reader.Load()))
        return;
    CPTextParser parser(reader.GetData(), reader.GetSize());
    std::string line;
    bool inSources = false;
    while (parser.ReadLine(line)) {
        if (line == kSourcesLine) {
            inSources = true;
            break;
        }
        const std::vector<std::string> fields = SplitFields(line, 7);
        CPMissionCheckpoint checkpoint;
        checkpoint.value = ToFloat(fields[0]);
        checkpoint.param1 = ToInt(fields[1]);
        checkpoint.param2 = ToInt(fields[2]);
        checkpoint.param3 = ToInt(fields[3]);
        checkpoint.enemyTypes = ParseWeightedList(fields[4]);
        checkpoint.bonusChance = ToInt(fields[5]);
        checkpoint.bonusTypes = ParseWeightedList(fields[6]);
        m_checkpoints.push_back(checkpoint);
    }

    m_enemySources.clear();
    std::unordered_map<std::string, D3DXVECTOR3> positions;
    if (const CPLevel* level = GetLevel())
        positions = level->enemySources;
    while (inSources && parser.ReadLine(line)) {
        const std::vector<std::string> fields = SplitFields(line, 5);
        const auto position = positions.find(fields[0]);
        if (position == positions.end())
            continue; // a source the level does not have
        CPEnemySource source;
        source.position = position->second;
        source.flag = fields[2] != "0" ? 1 : 0;
        source.value = ToFloat(fields[3]);
        source.enemyTypes = ParseWeightedList(fields[4]);
        m_enemySources[fields[1]].push_back(source);
    }
}

void CPGameData::InitPlayer()
{
    CPCarRecord record;
    CPFileReader reader(kPlayerFile);
    if (SUCCEEDED(reader.Load())) {
        std::string* const names[] = { &record.weapons[0], &record.weapons[1], &record.weapons[2],
                                       &record.mine,       &record.armor,      &record.bumper,
                                       &record.engine,     &record.superWeapon };
        CPTextParser parser(reader.GetData(), reader.GetSize());
        std::string line;
        for (std::string* name : names) {
            if (!parser.ReadLine(line))
                break;
            *name = line == kNoItem ? std::string() : line;
        }
        if (parser.ReadLine(line)) {
            record.superWeaponCount = ToInt(line);
            for (std::string& equipment : record.equipment) {
                if (!parser.ReadLine(line))
                    break;
                equipment = line == kNoItem ? std::string() : line;
            }
        }
    }
    SetCarInfo(record);
    ApplyCarInfo();
}

void CPGameData::SetCarInfo(const CPCarRecord& record)
{
    if (&record != &m_carInfo)
        m_carInfo = record;
}

void CPGameData::ApplyCarInfo()
{
    m_activeCar = m_carInfo;
}

float CPGameData::GetCarValue(const CPCarRecord& record)
{
    float value = 0.0f;
    for (const std::string& weapon : record.weapons)
        value += static_cast<float>(PriceOf(m_weapons, weapon));
    for (const std::string& equipment : record.equipment)
        value += static_cast<float>(PriceOf(m_equipment, equipment));
    value += static_cast<float>(PriceOf(m_armor, record.armor));
    value += static_cast<float>(PriceOf(m_bumpers, record.bumper));
    value += static_cast<float>(PriceOf(m_engines, record.engine));
    value += static_cast<float>(PriceOf(m_mines, record.mine));
    value += static_cast<float>(PriceOf(m_superWeapons, record.superWeapon))
        * static_cast<float>(record.superWeaponCount);
    return value;
}

void CPGameData::SetDifficult()
{
    if (g_CfgCamSpeed != 0 && m_difficult) {
        m_spareCoeff = m_damageCoeff = m_bonusChanceCoeff = m_timeCoeff = 1.0f;
        return;
    }
    CPFileReader reader(kCoeffFile);
    if (FAILED(reader.Load()))
        return;
    CPTextParser parser(reader.GetData(), reader.GetSize());
    std::string line;
    for (float* coefficient : { &m_spareCoeff, &m_damageCoeff, &m_bonusChanceCoeff, &m_timeCoeff }) {
        if (!parser.ReadLine(line))
            break;
        *coefficient = ToFloat(line);
    }
}

void CPGameData::ClearGameData()
{
    m_currentLap = 1;
    m_lapTimes.assign(kLapSlots, 0.0f);
    m_trackProgress = -1;
    m_aiPositions.clear();
    m_opponentProgress.clear();
    m_bonuses.clear();
}

void CPGameData::SetLapTime(float value)
{
    // A lap number below 1 has no entry of its own: the time is appended.
    const int64_t entry = static_cast<int64_t>(m_currentLap) - 1;
    if (entry >= 0 && entry < static_cast<int64_t>(m_lapTimes.size()))
        m_lapTimes[static_cast<size_t>(entry)] = value;
    else
        m_lapTimes.push_back(value);
}
