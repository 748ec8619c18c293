#include "Script/ScriptShopBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PGlobals.h"
#include "Race/PGameData.h"

#include <string>
#include <vector>

namespace
{
// Items up to this level are offered while the difficult switch is set.
constexpr int32_t kDifficultLevelLimit = 15;
// Super weapons are no longer offered once this many are fitted.
constexpr int32_t kSuperWeaponLimit = 3;
constexpr int kCarInfoCount = 11;

// The vehicle keys of the player names that differ from their key.
const struct
{
    const char* playerName;
    const char* vehicle;
} kActiveCars[] = {
    { "coupe_tt", "coupe_tt" },   { "saloon", "saloon_i745" }, { "sedan_3110_main", "sedan_z110" },
    { "tourer_suv", "tourer_t" }, { "scout", "scout_469" },    { "truck_130_", "truck_130" },
};

// The numbers of an item between its display text and its description.
std::vector<ScriptValue> Numbers(const CPWeaponItem& item)
{
    return { item.price,          item.value1, double(item.value2), item.value3,        double(item.value4),
             double(item.value5), item.value6, double(item.value7), double(item.value8) };
}

std::vector<ScriptValue> Numbers(const CPMineItem& item)
{
    return { item.price,  item.value1,         double(item.value2), double(item.value3),
             item.value4, double(item.value5), double(item.value6), double(item.value7) };
}

std::vector<ScriptValue> Numbers(const CPSuperWeaponItem& item)
{
    return { item.price };
}

std::vector<ScriptValue> Numbers(const CPPartItem& item)
{
    return { item.price, double(item.value1) };
}

std::vector<ScriptValue> Numbers(const CPEngineItem& item)
{
    return { item.price,          double(item.value1), double(item.value2),
             double(item.value3), double(item.value4), double(item.value5) };
}

// Display text, numbers, description text and level; nothing for a name
// the catalogue lacks.
template <class Item>
int PushItem(lua_State* L, CPShopCatalogue<Item> CPGameData::*catalogue)
{
    CPGameData* data = GetGameData();
    if (!data)
        return 0;
    const auto found = (data->*catalogue).items.find(ScriptReadText(L, 1));
    if (found == (data->*catalogue).items.end())
        return 0;
    const Item& item = found->second;
    std::vector<ScriptValue> values { data->GetDisplayText(item.displayKey) };
    for (const ScriptValue& number : Numbers(item))
        values.push_back(number);
    values.emplace_back(data->GetDisplayText(item.descriptionKey));
    values.emplace_back(item.level);
    if (!lua_checkstack(L, static_cast<int>(values.size())))
        return 0;
    for (const ScriptValue& value : values)
        ScriptPushValue(L, value);
    return static_cast<int>(values.size());
}

// The names on offer at the current mission, in catalogue order, less the
// ones `fitted` says the edited set-up carries.
template <class Item, class Fitted>
int PushNames(lua_State* L, CPShopCatalogue<Item> CPGameData::*catalogue, Fitted fitted)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    const int32_t limit = data->m_difficult ? kDifficultLevelLimit : data->m_currentMission;
    std::vector<ScriptValue> names;
    for (const auto& [name, item] : (data->*catalogue).list) {
        if (item.level <= limit && !fitted(data->m_carInfo, name))
            names.emplace_back(name);
    }
    return ScriptPushList(L, names, true);
}

int PushCar(lua_State* L, CPCarRecord CPGameData::*record)
{
    const CPGameData* data = GetGameData();
    if (!data || !lua_checkstack(L, kCarInfoCount))
        return 0;
    const CPCarRecord& car = data->*record;
    for (const std::string* name : { &car.weapons[0], &car.weapons[1], &car.weapons[2], &car.equipment[0],
                                     &car.equipment[1], &car.bumper, &car.engine, &car.armor, &car.superWeapon })
        lua_pushlstring(L, name->data(), name->size());
    lua_pushnumber(L, car.superWeaponCount);
    lua_pushlstring(L, car.mine.data(), car.mine.size());
    return kCarInfoCount;
}

template <class Item>
bool InCatalogue(const CPShopCatalogue<Item>& catalogue, const std::string& name)
{
    for (const auto& entry : catalogue.list) {
        if (entry.first == name)
            return true;
    }
    return false;
}
}

namespace ScriptApi
{
int GetWeaponInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_weapons);
}

int GetMineInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_mines);
}

int GetSuperWeaponInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_superWeapons);
}

int GetBumperInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_bumpers);
}

int GetEquipmentInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_equipment);
}

int GetArmorInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_armor);
}

int GetEngineInfo(lua_State* L)
{
    return PushItem(L, &CPGameData::m_engines);
}

int GetWeaponNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_weapons, [](const CPCarRecord& car, const std::string& name) {
        return name == car.weapons[0] || name == car.weapons[1] || name == car.weapons[2];
    });
}

int GetMineNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_mines,
                     [](const CPCarRecord& car, const std::string& name) { return name == car.mine; });
}

// Every super weapon stays on offer, the fitted one too, until the set-up
// carries the most it can.
int GetSuperWeaponNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_superWeapons, [](const CPCarRecord& car, const std::string&) {
        return car.superWeaponCount >= kSuperWeaponLimit;
    });
}

int GetBumperNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_bumpers,
                     [](const CPCarRecord& car, const std::string& name) { return name == car.bumper; });
}

int GetEquipmentNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_equipment, [](const CPCarRecord& car, const std::string& name) {
        return name == car.equipment[0] || name == car.equipment[1];
    });
}

int GetArmorNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_armor,
                     [](const CPCarRecord& car, const std::string& name) { return name == car.armor; });
}

int GetEngineNames(lua_State* L)
{
    return PushNames(L, &CPGameData::m_engines,
                     [](const CPCarRecord& car, const std::string& name) { return name == car.engine; });
}

int IsValidGameDataName(lua_State* L)
{
    const CPGameData* data = GetGameData();
    const std::string name = ScriptReadText(L, 1);
    const bool valid = data
                       && (InCatalogue(data->m_weapons, name) || InCatalogue(data->m_mines, name)
                           || InCatalogue(data->m_superWeapons, name) || InCatalogue(data->m_bumpers, name)
                           || InCatalogue(data->m_equipment, name) || InCatalogue(data->m_armor, name)
                           || InCatalogue(data->m_engines, name));
    lua_pushboolean(L, valid ? 1 : 0);
    return 1;
}

int GetCarInfo(lua_State* L)
{
    return PushCar(L, &CPGameData::m_carInfo);
}

int GetRealCarInfo(lua_State* L)
{
    return PushCar(L, &CPGameData::m_activeCar);
}

// Nine names, the super weapon count and the mine, in GetCarInfo's order.
int SetCarInfo(lua_State* L)
{
    CPGameData* data = GetGameData();
    if (!data)
        return 0;
    CPCarRecord car;
    int index = 1;
    for (std::string* name : { &car.weapons[0], &car.weapons[1], &car.weapons[2], &car.equipment[0], &car.equipment[1],
                               &car.bumper, &car.engine, &car.armor, &car.superWeapon })
        *name = ScriptReadText(L, index++);
    car.superWeaponCount = ScriptReadInt(L, index++);
    car.mine = ScriptReadText(L, index);
    data->SetCarInfo(car);
    return 0;
}

int CommitCarSettings(lua_State*)
{
    if (CPGameData* data = GetGameData())
        data->ApplyCarInfo();
    return 0;
}

int GetActiveCar(lua_State* L)
{
    const CPGameData* data = GetGameData();
    if (!data)
        return 0;
    for (const auto& car : kActiveCars) {
        if (data->m_playerName == car.playerName) {
            lua_pushstring(L, car.vehicle);
            return 1;
        }
    }
    lua_pushlstring(L, data->m_playerName.data(), data->m_playerName.size());
    return 1;
}
}
