#include "Host/PHostGameData.h"

#include "Core/PFileReader.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"
#include "Race/PEnemyRegistry.h"
#include "Race/PGameData.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
const char* const kGameDataFile = "Data\\gamedata.txt";
// Record tables beyond this level number are not made.
constexpr int32_t kMaxRecordLevel = 64;

// Reads the fields of one line in order; a missing field reads as empty.
class FieldReader
{
public:
    explicit FieldReader(const std::vector<std::string>& fields)
        : m_fields(fields)
    {
    }
    std::string Text() { return m_next < m_fields.size() ? m_fields[m_next++] : std::string(); }
    int32_t Int()
    {
        const std::string text = Text();
        return StringToInt(text.c_str());
    }
    float Float()
    {
        const std::string text = Text();
        return static_cast<float>(std::atof(text.c_str()));
    }

private:
    const std::vector<std::string>& m_fields;
    size_t m_next = 0;
};

template <class Item>
void ReadItemEnds(FieldReader& fields, Item& item)
{
    item.descriptionKey = fields.Text();
    item.level = fields.Int();
}

void ReadWeapon(CPGameData& data, const std::string& name, FieldReader& f)
{
    CPWeaponItem item;
    item.displayKey = f.Text();
    item.price = f.Int();
    item.value1 = f.Int();
    item.value2 = f.Float();
    item.value3 = f.Int();
    item.value4 = f.Float();
    item.value5 = f.Float();
    item.value6 = f.Int();
    item.value7 = f.Float();
    item.value8 = f.Float();
    ReadItemEnds(f, item);
    data.m_weapons.Add(name, item);
}

void ReadMine(CPGameData& data, const std::string& name, FieldReader& f)
{
    CPMineItem item;
    item.displayKey = f.Text();
    item.price = f.Int();
    item.value1 = f.Int();
    item.value2 = f.Float();
    item.value3 = f.Float();
    item.value4 = f.Int();
    item.value5 = f.Float();
    item.value6 = f.Float();
    item.value7 = f.Float();
    ReadItemEnds(f, item);
    data.m_mines.Add(name, item);
}

void ReadSuperWeapon(CPGameData& data, const std::string& name, FieldReader& f)
{
    CPSuperWeaponItem item;
    item.displayKey = f.Text();
    item.price = f.Int();
    ReadItemEnds(f, item);
    data.m_superWeapons.Add(name, item);
}

void ReadPart(CPShopCatalogue<CPPartItem>& catalogue, const std::string& name, FieldReader& f)
{
    CPPartItem item;
    item.displayKey = f.Text();
    item.price = f.Int();
    item.value1 = f.Float();
    ReadItemEnds(f, item);
    catalogue.Add(name, item);
}

void ReadEngine(CPGameData& data, const std::string& name, FieldReader& f)
{
    CPEngineItem item;
    item.displayKey = f.Text();
    item.price = f.Int();
    item.value1 = f.Float();
    item.value2 = f.Float();
    item.value3 = f.Float();
    item.value4 = f.Float();
    item.value5 = f.Float();
    ReadItemEnds(f, item);
    data.m_engines.Add(name, item);
}

void ReadPreset(CPGameData& data, const std::string& first, FieldReader& f)
{
    CPCarRecord record;
    record.weapons[0] = first;
    record.weapons[1] = f.Text();
    record.weapons[2] = f.Text();
    record.equipment[0] = f.Text();
    record.equipment[1] = f.Text();
    record.bumper = f.Text();
    record.engine = f.Text();
    record.armor = f.Text();
    record.superWeapon = f.Text();
    record.superWeaponCount = f.Int();
    record.mine = f.Text();
    data.m_carPresets.push_back(record);
}

void ReadEnemy(CPEnemyRegistry& enemies, const std::string& name, FieldReader& f)
{
    CPEnemyRecord record;
    record.number1 = f.Float();
    record.number2 = f.Float();
    record.text1 = f.Text();
    record.text2 = f.Text();
    record.text3 = f.Text();
    enemies.Add(name, record);
}

void ReadRecord(CPGameData& data, const std::string& levelText, FieldReader& f)
{
    const int32_t level = StringToInt(levelText.c_str());
    if (level < 1 || level > kMaxRecordLevel)
        return;
    if (static_cast<int32_t>(data.m_recordTables.size()) < level)
        data.m_recordTables.resize(static_cast<size_t>(level));
    CPRecordEntry entry;
    entry.name = f.Text();
    entry.minutes = f.Int();
    entry.seconds = f.Int();
    entry.hundredths = f.Int();
    data.m_recordTables[static_cast<size_t>(level - 1)].push_back(entry);
}
}

void ParseHostGameData(CPGameData& data, const void* text, int32_t size, CPEnemyRegistry* enemies)
{
    data.m_spareCoeff = data.m_damageCoeff = data.m_bonusChanceCoeff = data.m_timeCoeff = 1.0f;
    if (static_cast<int32_t>(data.m_recordTables.size()) < CPGameData::kLevelCount)
        data.m_recordTables.resize(CPGameData::kLevelCount);

    CPTextParser parser(text, size);
    std::string section;
    while (parser.NextLine()) {
        const std::string_view line = parser.GetLineView();
        if (!parser.IsPlainLine()) {
            section = line;
            ToLowerString(section);
            continue;
        }
        std::vector<std::string> tokens;
        CPTokenizer tokenizer(line, ",", 1);
        std::string_view token;
        while (tokenizer.NextToken(token))
            tokens.emplace_back(token);
        if (tokens.empty())
            continue;
        const std::string first = tokens.front();
        tokens.erase(tokens.begin());
        FieldReader fields(tokens);
        if (section == "weapons")
            ReadWeapon(data, first, fields);
        else if (section == "mines")
            ReadMine(data, first, fields);
        else if (section == "superweapons")
            ReadSuperWeapon(data, first, fields);
        else if (section == "bumpers")
            ReadPart(data.m_bumpers, first, fields);
        else if (section == "equipment")
            ReadPart(data.m_equipment, first, fields);
        else if (section == "armor")
            ReadPart(data.m_armor, first, fields);
        else if (section == "engines")
            ReadEngine(data, first, fields);
        else if (section == "texts")
            data.m_texts[first] = fields.Text();
        else if (section == "presets")
            ReadPreset(data, first, fields);
        else if (section == "records")
            ReadRecord(data, first, fields);
        else if (section == "enemies" && enemies)
            ReadEnemy(*enemies, first, fields);
    }
}

bool LoadHostGameData(CPGameData& data, CPEnemyRegistry* enemies)
{
    CPFileReader reader(kGameDataFile);
    if (FAILED(reader.Load())) {
        ParseHostGameData(data, "", 0, enemies);
        return false;
    }
    ParseHostGameData(data, reader.GetData(), reader.GetSize(), enemies);
    return true;
}
