// Key bindings: which game action each keyboard key or numbered input
// triggers. The map loads its bindings from a text file of lines
// "action;label;key;kind", lets the scripts rebind an action to another key,
// and writes everything back to "Actions.cfg". The host creates the one map
// (g_ActionMap), writes the pointer position into it and uses keySlots and
// numericSlots to turn key codes and numbered inputs into actions.
#pragma once

#include "Platform/Win32.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The file the map is saved to and reloaded from.
extern const char* const kActionsFileName;

// One binding: a key code or numbered input, the key's name as written in the
// file, and a label (the action's display label in `actions`, the action's
// name in the slot tables).
struct CPKeyBinding
{
    // Unbound: empty texts, both flags clear, code 0.
    CPKeyBinding();
    // A bound entry. The code is the number in `key` cut to 8 bits when
    // numeric, else the key's code in KeyNames (0 for a name it lacks).
    CPKeyBinding(const std::string& key, const std::string& label, bool numeric);

    // Binds to a named key; the code stays as it was when the name is unknown.
    void Assign(const std::string& key, const std::string& label);

    uint8_t code;
    std::string keyName;
    std::string label;
    bool bound;
    bool numeric;
};

class CPActionMap
{
public:
    static constexpr int kKeySlotCount = 256;
    static constexpr int kNumericSlotCount = 128;

    CPActionMap();

    // Replaces the bindings with those of a file. S_OK, or the reader's
    // failure code with every table left as it was. Numbered slots are only
    // overwritten, never cleared.
    HRESULT Load(const std::string& path);
    // Writes one line per entry of actionNames to "Actions.cfg". A failed
    // write is not reported.
    void Save();
    // Save, then load "Actions.cfg" again, so the slot tables follow the
    // bindings that SetAction changed.
    void Update();
    // Frees the key from the action that held it (it becomes "undefined key")
    // and binds it to the action with that display label. Only `actions`
    // changes; `flag` is not used.
    void SetAction(const std::string& label, const std::string& keyName, bool flag);
    // The pointer position truncated toward zero.
    void GetCursorPosition(int32_t& x, int32_t& y) const;

    float cursorX;
    float cursorY;
    CPKeyBinding keySlots[kKeySlotCount];
    CPKeyBinding numericSlots[kNumericSlotCount];
    std::unordered_map<std::string, CPKeyBinding> actions;
    // Action names in file order; a repeated name is repeated here.
    std::vector<std::string> actionNames;
    // Set and cleared by the scripts for the host's input code.
    bool enabled;
    // Set by the scripts: the host reports the next key for assignment.
    bool assignMode;
};
