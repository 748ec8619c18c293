// Level files ("Data\Levels\<name>.lvl"): a binary file of little-endian
// 32-bit fields. Four header floats and the start cameras (read past), the
// placed object records (name, position, rotation quaternion, scale), then
// the path records, which the paths read themselves. This layer reads the
// records and tells the kinds of objects apart by their names; the level
// decides what each kind becomes.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>
#include <string_view>

class CPFileReader;

// One placed object as the file stores it.
struct CPLevelObjectRecord
{
    std::string name;
    D3DXVECTOR3 position;
    // x, y, z, w as stored.
    D3DXQUATERNION rotation{ 0.0f, 0.0f, 0.0f, 1.0f };
    D3DXVECTOR3 scale{ 1.0f, 1.0f, 1.0f };
};

enum class CPLevelObjectKind
{
    Player,
    Opponent,
    Gate,
    Checkpoint,
    EnemySource,
    Scene,
};

// Bytes of an object record with an empty name, and of a start camera after
// the first.
constexpr int32_t kLevelObjectMinBytes = 44;
constexpr int32_t kLevelCameraBytes = 28;

// "Data\Levels\" + name + ".lvl".
std::string LevelFilePath(const std::string& levelName);
// The name without its trailing decimal digits.
std::string StripTrailingDigits(const std::string& name);
// The kind of an object by its base name (trailing digits removed), tested
// in order: "player", "enemy...", "che...", "chk...", "src...", anything else.
CPLevelObjectKind ClassifyLevelObject(std::string_view baseName);
// A gate's base name: the first ","-separated token of the full name
// without its trailing digits.
std::string GateBaseName(const std::string& fullName);
// The seconds a checkpoint gate grants: its name's second ","-separated token
// as a number, plus 15.
float GateTime(const std::string& fullName);

// Reads past the header floats and the start cameras. False when the file
// ends inside them.
bool ReadLevelHeader(CPFileReader& reader);
// Reads one object record; false (the record to be dropped) when the file
// ends inside it. The record's name keeps its storage from one record to
// the next.
bool ReadLevelObject(CPFileReader& reader, CPLevelObjectRecord& record);
