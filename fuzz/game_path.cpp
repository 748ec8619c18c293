// Arbitrary game paths through the path layer: each line of the input is one
// path, and its first byte picks what is done with it (resolve for reading or
// writing, open, write, remove, rename onto the next line's path, list,
// search). The game root is made afresh for each input inside a scratch
// sandbox, beside an empty directory "outside"; the root holds a symbolic
// link "alias" to one of its own directories, so ".." after the link would
// leave the root if it were taken on disk. After each input nothing may
// have appeared beside the root or in "outside", and every entry in the root,
// links followed, must lie inside it.
#include "Platform/FindFile.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
void Run(uint8_t op, const std::string& path, const std::string& next)
{
    std::string host;
    std::vector<GamePath::Entry> entries;
    switch (op % 10) {
    case 0:
        GamePath::ResolveForReading(path, host);
        break;
    case 1:
        GamePath::ResolveForWriting(path, host, GamePath::MissingDirs::Fail);
        break;
    case 2:
        GamePath::ResolveForWriting(path, host, GamePath::MissingDirs::Create);
        break;
    case 3:
        if (FILE* file = GamePath::GameFOpen(path, (op & 0x80) ? "ab" : "wb")) {
            std::fputs("x", file);
            std::fclose(file);
        }
        break;
    case 4:
        if (FILE* file = GamePath::GameFOpen(path, "rb")) {
            std::fgetc(file);
            std::fclose(file);
        }
        break;
    case 5:
        GamePath::Exists(path);
        GamePath::IsDirectory(path);
        break;
    case 6:
        GamePath::RemoveFile(path);
        break;
    case 7:
        GamePath::RenameFile(path, next);
        break;
    case 8:
        GamePath::ListDirectory(path, entries);
        break;
    default: {
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(path.c_str(), &data);
        if (search != INVALID_HANDLE_VALUE) {
            while (FindNextFileA(search, &data)) {
            }
            FindClose(search);
        }
        break;
    }
    }
}
}

namespace
{
namespace fs = std::filesystem;

void Check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "escaped the game root: %s\n", what);
        std::abort();
    }
}

// Nothing beside the root, nothing in "outside", and every entry of the root
// (links followed) inside it.
void CheckNothingLandedOutside(const fs::path& sandbox)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sandbox))
        names.push_back(entry.path().filename().string());
    Check(names.size() == 2, "an entry beside the root");
    Check(fs::is_empty(sandbox / "outside"), "an entry in the directory beside the root");
    const fs::path root = fs::canonical(sandbox / "root");
    const std::string inside = root.string() + "/";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::error_code error;
        const fs::path real = fs::canonical(entry.path(), error);
        Check(error || real.string().compare(0, inside.size(), inside) == 0, entry.path().c_str());
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    static ScratchRoot sandbox;
    static const fs::path base = sandbox.Path();
    // Each input starts from a fresh root and an empty cache.
    fs::remove_all(base / "root");
    fs::create_directories(base / "root" / "nest" / "deeper");
    fs::create_directories(base / "outside");
    fs::create_directory_symlink("nest/deeper", base / "root" / "alias");
    GamePath::SetRoot((base / "root").string());
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back() += static_cast<char>(data[i]);
    }
    for (size_t i = 0; i < lines.size() && i < 32; ++i) {
        if (lines[i].empty())
            continue;
        const std::string& next = i + 1 < lines.size() ? lines[i + 1] : lines[i];
        Run(static_cast<uint8_t>(lines[i][0]), lines[i].substr(1), next);
    }
    CheckNothingLandedOutside(base);
    return 0;
}
