#include "Interface/PKeyNames.h"

namespace
{
// constexpr, so the table below is filled at compile time.
constexpr const char* kUndefined = "undefined key";
}

const char* const kUndefinedKeyName = kUndefined;

const char* const KeyNames[kKeyNameCount] = {
    kUndefined, "Esc", "1", "2", // 0x00
    "3", "4", "5", "6", // 0x04
    "7", "8", "9", "0", // 0x08
    "-", "=", "Backspace", "Tab", // 0x0C
    "Q", "W", "E", "R", // 0x10
    "T", "Y", "U", "I", // 0x14
    "O", "P", "[", "]", // 0x18
    "Enter", "LCtrl", "A", "S", // 0x1C
    "D", "F", "G", "H", // 0x20
    "J", "K", "L", ";", // 0x24
    "'", "`", "LShift", "\\", // 0x28
    "Z", "X", "C", "V", // 0x2C
    "B", "N", "M", ",", // 0x30
    ".", "/", "RShift", "*", // 0x34
    "LAlt", "Space", "CapsLock", "F1", // 0x38
    "F2", "F3", "F4", "F5", // 0x3C
    "F6", "F7", "F8", "F9", // 0x40
    "F10", "NumLock", "ScrollLock", "NumPad 7", // 0x44
    "NumPad 8", "NumPad 9", "NumPad -", "NumPad 4", // 0x48
    "NumPad 5", "NumPad 6", "NumPad +", "NumPad 1", // 0x4C
    "NumPad 2", "NumPad 3", "NumPad 0", "NumPad .", // 0x50
    kUndefined, kUndefined, kUndefined, "F11", // 0x54
    "F12", kUndefined, kUndefined, kUndefined, // 0x58
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x5C
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x60
    "F13", "F14", "F15", kUndefined, // 0x64
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x68
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x6C
    "Kana", kUndefined, kUndefined, kUndefined, // 0x70
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x74
    kUndefined, "Convert", kUndefined, "NoConvert", // 0x78
    kUndefined, "Yen", kUndefined, kUndefined, // 0x7C
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x80
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x84
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x88
    kUndefined, "Numpad =", kUndefined, kUndefined, // 0x8C
    "CircumFlex", "@", ":", "_", // 0x90
    "Kanji", "Stop", "Ax", "Unlabeled", // 0x94
    kUndefined, kUndefined, kUndefined, kUndefined, // 0x98
    "NumPad Enter", "RCtrl", kUndefined, kUndefined, // 0x9C
    kUndefined, kUndefined, kUndefined, kUndefined, // 0xA0
    kUndefined, kUndefined, kUndefined, kUndefined, // 0xA4
    kUndefined, kUndefined, kUndefined, kUndefined, // 0xA8
    kUndefined, kUndefined, kUndefined, kUndefined, // 0xAC
    kUndefined, kUndefined, kUndefined, "Numpad ,", // 0xB0
    kUndefined, "Numpad /", kUndefined, "SysRq", // 0xB4
    "RAlt", kUndefined, kUndefined, kUndefined, // 0xB8
    kUndefined, kUndefined, kUndefined, kUndefined, // 0xBC
    kUndefined, kUndefined, kUndefined, kUndefined, // 0xC0
    kUndefined, "Pause", kUndefined, "Home", // 0xC4
    "Up", "PgUp", kUndefined, "Left", // 0xC8
    kUndefined, "Right", kUndefined, "End", // 0xCC
    "Down", "PgDn", "Ins", "Del", // 0xD0
};

int FindKeyCode(const std::string& name)
{
    for (int code = 0; code < kKeyNameCount; ++code) {
        if (name == KeyNames[code])
            return code;
    }
    return -1;
}
