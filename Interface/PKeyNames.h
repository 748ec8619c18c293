// Key names by keyboard scan code (the DirectInput key codes 0x00 to 0xD3), as
// the key-assignment screens show them and "Actions.cfg" writes them. Codes
// without a key of their own read "undefined key"; codes 212 to 255 have no
// name at all.
#pragma once

#include <cstdint>
#include <string>

constexpr int kKeyNameCount = 212;

// The name of every code below kKeyNameCount. A constant table, so it is
// ready before any static constructor could ask for it.
extern const char* const KeyNames[kKeyNameCount];

// The name given to codes that have no key.
extern const char* const kUndefinedKeyName;

// The first code whose name equals `name` byte for byte (case matters), or -1
// when no code has that name. "undefined key" is found at code 0.
int FindKeyCode(const std::string& name);
