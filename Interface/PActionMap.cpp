#include "Interface/PActionMap.h"

#include "Core/PFileReader.h"
#include "Core/PFileWriter.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"
#include "Interface/PKeyNames.h"

#include <cstdio>

const char* const kActionsFileName = "Actions.cfg";

namespace
{
const char* const kNumericKind = "true";
const char* const kKeyKind = "false";

// A field as the loader will read it back: the tokenizer splits at ";" and
// takes double quotes as grouping, so a field holding either is written in
// quotes with its quotes doubled. Every other field is written as it is, so
// ordinary files keep their exact bytes.
std::string FieldText(const std::string& field)
{
    if (field.find_first_of(";\"") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    quoted += '"';
    return quoted;
}
}

CPKeyBinding::CPKeyBinding()
    : code(0)
    , bound(false)
    , numeric(false)
{
}

CPKeyBinding::CPKeyBinding(const std::string& key, const std::string& label_, bool numeric_)
    : code(0)
    , keyName(key)
    , label(label_)
    , bound(true)
    , numeric(numeric_)
{
    if (numeric) {
        code = static_cast<uint8_t>(StringToInt(key.c_str()));
    } else {
        const int found = FindKeyCode(key);
        code = static_cast<uint8_t>(found < 0 ? 0 : found);
    }
}

void CPKeyBinding::Assign(const std::string& key, const std::string& label_)
{
    keyName = key;
    label = label_;
    bound = true;
    const int found = FindKeyCode(key);
    if (found >= 0)
        code = static_cast<uint8_t>(found);
}

CPActionMap::CPActionMap()
    : cursorX(0.0f)
    , cursorY(0.0f)
    , enabled(false)
    , assignMode(false)
{
}

HRESULT CPActionMap::Load(const std::string& path)
{
    CPFileReader reader(path, 0);
    const HRESULT result = reader.Load();
    if (FAILED(result))
        return result;

    for (CPKeyBinding& slot : keySlots)
        slot = CPKeyBinding();
    actions.clear();
    actionNames.clear();

    CPTextParser parser(reinterpret_cast<const char*>(reader.GetData()), reader.GetSize());
    std::string line;
    while (parser.ReadLine(line)) {
        CPTokenizer tokenizer(line, ";", true);
        std::string action, label, key, kind;
        for (std::string* field : {&action, &label, &key, &kind}) {
            tokenizer.NextToken(*field); // empty once the line runs out
            TrimString(*field);
        }

        if (kind == kNumericKind) {
            const int32_t number = StringToInt(key.c_str());
            if (number >= 0 && number < kNumericSlotCount) {
                CPKeyBinding& slot = numericSlots[number];
                slot = CPKeyBinding();
                slot.code = static_cast<uint8_t>(number);
                slot.label = action;
                slot.bound = true;
                slot.numeric = true;
            }
            actions[action] = CPKeyBinding(key, label, true);
        } else {
            // A key the table does not name binds no slot: code 0 would stand
            // for "undefined key", which no key press produces.
            if (FindKeyCode(key) >= 0) {
                CPKeyBinding binding;
                binding.Assign(key, action);
                keySlots[binding.code] = binding;
            }
            actions[action] = CPKeyBinding(key, label, false);
        }
        actionNames.push_back(action);
    }
    return result;
}

void CPActionMap::Save()
{
    std::string text;
    for (const std::string& name : actionNames) {
        const CPKeyBinding& binding = actions[name];
        std::string key = binding.keyName;
        if (binding.numeric) {
            char number[8];
            std::snprintf(number, sizeof(number), "%d", static_cast<int>(binding.code));
            key = number;
        }
        text += FieldText(name) + ";" + FieldText(binding.label) + ";" + FieldText(key) + ";"
            + (binding.numeric ? kNumericKind : kKeyKind) + "\r\n";
    }
    CPFileWriter writer(kActionsFileName, 0);
    writer.Write(text.data(), text.size());
    writer.Save();
}

void CPActionMap::Update()
{
    Save();
    Load(kActionsFileName);
}

void CPActionMap::SetAction(const std::string& label, const std::string& keyName, bool /*flag*/)
{
    // Free the key. A numbered binding keeps its number as its key name, so
    // only key bindings are compared: rebinding the digit key "3" must not
    // wipe numbered input 3.
    for (auto& entry : actions) {
        CPKeyBinding& binding = entry.second;
        if (!binding.numeric && binding.keyName == keyName) {
            binding.code = 0;
            binding.keyName = kUndefinedKeyName;
            binding.bound = true;
            break;
        }
    }

    const int code = FindKeyCode(keyName);
    if (code < 0)
        return;
    for (auto& entry : actions) {
        CPKeyBinding& binding = entry.second;
        if (binding.label == label) {
            binding.keyName = keyName;
            binding.code = static_cast<uint8_t>(code);
            break;
        }
    }
}

void CPActionMap::GetCursorPosition(int32_t& x, int32_t& y) const
{
    x = TruncateToInt(cursorX);
    y = TruncateToInt(cursorY);
}
