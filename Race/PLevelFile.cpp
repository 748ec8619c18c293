#include "Race/PLevelFile.h"

#include "Core/PFileReader.h"
#include "Core/PTokenizer.h"

#include <cstdlib>
#include <string_view>

namespace
{
const char* const kLevelFolder = "Data\\Levels\\";
const char* const kLevelExtension = ".lvl";
constexpr float kGateBaseTime = 15.0f;
constexpr int32_t kHeaderFloats = 4;
// The first start camera: four bytes, then three matrix columns of four.
constexpr int32_t kFirstCameraBytes = 4 + 12 * 4;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// The ","-separated token of that index; empty past the last.
std::string NameToken(const std::string& fullName, int index)
{
    CPTokenizer tokens(fullName, ",", 0);
    std::string token;
    for (int i = 0; i <= index; ++i) {
        if (!tokens.NextToken(token))
            return std::string();
    }
    return token;
}
}

std::string LevelFilePath(const std::string& levelName)
{
    return kLevelFolder + levelName + kLevelExtension;
}

std::string StripTrailingDigits(const std::string& name)
{
    size_t end = name.size();
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9')
        --end;
    return name.substr(0, end);
}

CPLevelObjectKind ClassifyLevelObject(std::string_view baseName)
{
    if (baseName == "player")
        return CPLevelObjectKind::Player;
    if (StartsWith(baseName, "enemy"))
        return CPLevelObjectKind::Opponent;
    if (StartsWith(baseName, "che"))
        return CPLevelObjectKind::Gate;
    if (StartsWith(baseName, "chk"))
        return CPLevelObjectKind::Checkpoint;
    if (StartsWith(baseName, "src"))
        return CPLevelObjectKind::EnemySource;
    return CPLevelObjectKind::Scene;
}

std::string GateBaseName(const std::string& fullName)
{
    return StripTrailingDigits(NameToken(fullName, 0));
}

float GateTime(const std::string& fullName)
{
    return static_cast<float>(std::atof(NameToken(fullName, 1).c_str())) + kGateBaseTime;
}

bool ReadLevelHeader(CPFileReader& reader)
{
    for (int32_t i = 0; i < kHeaderFloats; ++i)
        reader.ReadFloat();
    const int32_t cameraCount = reader.ReadInt();
    if (cameraCount > 0) {
        reader.Skip(kFirstCameraBytes);
        // The further cameras are skipped whole; a count past the file's end
        // runs the cursor to the end instead of wrapping.
        reader.Skip(static_cast<size_t>(cameraCount - 1) * kLevelCameraBytes);
    }
    return !reader.HasOverrun();
}

bool ReadLevelObject(CPFileReader& reader, CPLevelObjectRecord& record)
{
    reader.ReadString(record.name);
    record.position.x = reader.ReadFloat();
    record.position.y = reader.ReadFloat();
    record.position.z = reader.ReadFloat();
    record.rotation.x = reader.ReadFloat();
    record.rotation.y = reader.ReadFloat();
    record.rotation.z = reader.ReadFloat();
    record.rotation.w = reader.ReadFloat();
    record.scale.x = reader.ReadFloat();
    record.scale.y = reader.ReadFloat();
    record.scale.z = reader.ReadFloat();
    return !reader.HasOverrun();
}
