// Arbitrary game paths through the path layer: each line of the input is one
// path, and its first byte picks what is done with it (resolve for reading or
// writing, open, write, remove, rename onto the next line's path, list,
// search). Everything happens in a scratch root under /tmp, emptied before
// each input; ".." stops at the root, so nothing lands outside.
#include "Platform/FindFile.h"
#include "Platform/GamePath.h"
#include "tests/ScratchRoot.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    root.Clear(); // each input starts from an empty root and an empty cache
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
    return 0;
}
