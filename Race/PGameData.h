// Game data: everything that outlives one race or belongs to the player: the
// seven shop catalogues, the set-up being edited and the one the race uses,
// money, the current mission's checkpoints and enemy sources, the difficulty
// coefficients, the profile with its records, and the counters of the race
// in progress. The host creates the one object, fills its catalogues, texts,
// presets and record tables, and publishes it in g_GameData.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PLiveRef.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Race/PRaceRecords.h"

#include <array>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// A shop catalogue: the same items by name and in catalogue order.
template <class Item>
struct CPShopCatalogue
{
    std::unordered_map<std::string, Item> items;
    std::vector<std::pair<std::string, Item>> list;

    // Files the item under the name in both members.
    void Add(const std::string& name, const Item& item)
    {
        items[name] = item;
        list.emplace_back(name, item);
    }
};

struct CPWeaponItem
{
    std::string displayKey;
    int32_t price = 0;
    int32_t value1 = 0;
    float value2 = 0.0f;
    int32_t value3 = 0;
    float value4 = 0.0f;
    float value5 = 0.0f;
    int32_t value6 = 0;
    float value7 = 0.0f;
    float value8 = 0.0f;
    std::string descriptionKey;
    int32_t level = 0;
};

struct CPMineItem
{
    std::string displayKey;
    int32_t price = 0;
    int32_t value1 = 0;
    float value2 = 0.0f;
    float value3 = 0.0f;
    int32_t value4 = 0;
    float value5 = 0.0f;
    float value6 = 0.0f;
    float value7 = 0.0f;
    std::string descriptionKey;
    int32_t level = 0;
};

struct CPSuperWeaponItem
{
    std::string displayKey;
    int32_t price = 0;
    std::string descriptionKey;
    int32_t level = 0;
};

// Bumpers, equipment and armour.
struct CPPartItem
{
    std::string displayKey;
    int32_t price = 0;
    float value1 = 0.0f;
    std::string descriptionKey;
    int32_t level = 0;
};

struct CPEngineItem
{
    std::string displayKey;
    int32_t price = 0;
    float value1 = 0.0f;
    float value2 = 0.0f;
    float value3 = 0.0f;
    float value4 = 0.0f;
    float value5 = 0.0f;
    std::string descriptionKey;
    int32_t level = 0;
};

// A vehicle set-up: item names of the catalogues, empty for an empty slot.
struct CPCarRecord
{
    std::string weapons[3];
    std::string equipment[2];
    std::string bumper;
    std::string engine;
    std::string armor;
    std::string superWeapon;
    int32_t superWeaponCount = 0;
    std::string mine;
};

// One item of a weighted list; it covers [from, to) of the running total.
struct CPWeightedName
{
    std::string name;
    int32_t from = 0;
    int32_t to = 0;
};

struct CPMissionCheckpoint
{
    float value = 0.0f;
    int32_t param1 = 0;
    int32_t param2 = 0;
    int32_t param3 = 0;
    std::vector<CPWeightedName> enemyTypes;
    int32_t bonusChance = 0;
    std::vector<CPWeightedName> bonusTypes;
};

struct CPEnemySource
{
    D3DXVECTOR3 position;
    uint8_t flag = 0;
    float value = 0.0f;
    std::vector<CPWeightedName> enemyTypes;
};

struct CPLevelRecord
{
    float bestTime = 0.0f;
    int32_t spare = 0;
    std::string ghostModel;
    std::vector<CPGhostSample> ghost;
};

// An object of the bonus list with its value. The level deletes its pickups
// whatever the list holds: an entry whose object has ended reads as one
// without an object.
struct CPBonusEntry
{
    CPLiveRef<CPGameObject> object;
    int32_t value = 0;
};

// Laps, lap times and progress of one computer vehicle.
struct CPRaceRecord
{
    int32_t lapCount = 1;
    std::vector<float> lapTimes;
    int32_t progress = -1;
};

// Splits a list "name,count;name,count" into entries over the running total.
std::vector<CPWeightedName> ParseWeightedList(const std::string& field);

class CPGameData
{
public:
    static constexpr int32_t kLevelCount = 12;
    static constexpr int32_t kLapSlots = 20;

    // Replaces the mission checkpoints and enemy sources from
    // "Data\Levels\<name>". The checkpoints are emptied even when the file
    // cannot be read; the sources then stay as they were.
    void LoadMissionInfo(const std::string& name);
    // Reads "DATA\player.dat" into the edited set-up and applies it.
    void InitPlayer();
    void SetCarInfo(const CPCarRecord& record);
    // The race's set-up becomes a copy of the edited one.
    void ApplyCarInfo();
    // Sum of the item prices of a set-up; the super weapon counts once per
    // charge. Names missing from their catalogue count 0.
    float GetCarValue(const CPCarRecord& record);
    // The coefficients: all 1.0 with a difficulty index and the difficult
    // switch set, else read from "DATA\coeff.dat".
    void SetDifficult();
    // Lap 1, twenty zero lap times, progress reset; the opponents' positions
    // and laps and the collected bonuses are dropped.
    void ClearGameData();
    // The player's vehicle model key.
    std::string* GetPlayerName() { return &m_playerName; }
    int32_t GetPlayerType() const { return m_playerType; }
    // Stores the lap time of the current lap, appending it when the list has
    // no entry for that lap yet.
    void SetLapTime(float value);
    void SetCurrentLap(int32_t lap) { m_currentLap = lap; }
    void ResetRaceTime() { m_raceTime = 0.0f; }

    // The stored time of the lap index (from 0); 0 for a lap without one.
    float GetLapTime(int32_t index) const
    {
        return index >= 0 && static_cast<size_t>(index) < m_lapTimes.size() ? m_lapTimes[static_cast<size_t>(index)]
                                                                            : 0.0f;
    }

    // Money, then "change_money" with the amount as "%.2f" to "gamemenu".
    void SetMoney(float money);
    // Appends the object (a counted reference, may be null) with its value.
    void AddBonus(CPGameObject* object, int32_t value);
    // Drops the first entry holding this object; nothing when none does.
    void EraseBonus(CPGameObject* object);

    // Enters the entry into the best-lap table of the level number (from 1);
    // true when it was entered.
    bool CheckPlayerRecords(int32_t level, const CPRecordEntry& entry);
    // Writes every best-lap table to "Data\scores.dat".
    void SaveScore();
    // No score lines are kept: every index gives "".
    std::string GetScoreLine(int32_t index) const;

    // Saves the profile: into its own slot when it has one, else into the
    // first free slot, else over the oldest save.
    void SaveGame();
    // Writes the profile to the save file of that name, stamped with the
    // local time. E_FAIL, with any earlier file left whole, when it cannot.
    HRESULT WriteSave(const std::string& name);
    // Starts a profile of that name: no slot, mission 1, no points, and
    // every level record cleared, ghost included. Races passed stay.
    void ResetForLoad(const std::string& profileName);
    // Loads the save file of that name; false, with nothing changed, when
    // the name is refused or the file is missing, empty or inconsistent.
    bool LoadGame(const std::string& name);
    // Empties the save file of that name, which frees its slot.
    void DeleteSave(const std::string& name);
    // The profile names of the six slots; "" for a free slot.
    std::vector<std::string> GetSaves() const;

    int32_t m_trafficCount = 0;
    std::list<CPBonusEntry> m_bonuses;
    std::vector<std::vector<CPRecordEntry>> m_recordTables;
    CPShopCatalogue<CPWeaponItem> m_weapons;
    CPShopCatalogue<CPMineItem> m_mines;
    CPShopCatalogue<CPSuperWeaponItem> m_superWeapons;
    CPShopCatalogue<CPPartItem> m_bumpers;
    CPShopCatalogue<CPPartItem> m_equipment;
    CPShopCatalogue<CPPartItem> m_armor;
    CPShopCatalogue<CPEngineItem> m_engines;
    CPCarRecord m_carInfo;
    CPCarRecord m_activeCar;
    float m_money = 0.0f;
    std::vector<CPMissionCheckpoint> m_checkpoints;
    std::unordered_map<std::string, std::vector<CPEnemySource>> m_enemySources;
    // A lookup of a missing key adds it with an empty text.
    std::unordered_map<std::string, std::string> m_texts;
    // The display text under a key; a missing key is added with an empty text.
    const std::string& GetDisplayText(const std::string& key) { return m_texts[key]; }
    int32_t m_currentMission = 1;
    std::vector<CPCarRecord> m_carPresets;
    float m_spareCoeff = 1.0f;
    float m_bonusChanceCoeff = 1.0f;
    float m_damageCoeff = 1.0f;
    float m_timeCoeff = 1.0f;
    int32_t m_kills = 0;
    uint8_t m_difficult = 0;
    int32_t m_saveSlot = -1;
    int32_t m_racesPassed = 0;
    int32_t m_currentLap = 1;
    std::vector<float> m_lapTimes;
    int32_t m_trackProgress = -1;
    std::string m_playerName;
    std::string m_profileName;
    std::unordered_map<std::string, std::pair<float, float>> m_aiPositions;
    std::unordered_map<std::string, CPRaceRecord> m_opponentProgress;
    int32_t m_roundsCount = 0;
    int32_t m_playerType = 0;
    float m_roundTime = 0.0f;
    float m_raceTime = 0.0f;
    int32_t m_maxAbilities = 0;
    int32_t m_mana = 0;
    uint8_t m_levelStarted = 0;
    std::array<CPLevelRecord, kLevelCount> m_levelRecords;
    int32_t m_points = 0;
    uint8_t m_single = 0;
    uint8_t m_timeAttack = 0;
};
