#include "Platform/FindFile.h"

#include "Platform/GamePath.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A search in progress: the matches found at its start and the next to report.
struct FindSearch
{
    std::vector<GamePath::Entry> matches;
    size_t next = 0;
};

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Wildcard match without regard to ASCII case; '*' backtracks to the most
// recent star only, which is enough for a single-component pattern.
bool Matches(const std::string& pattern, const std::string& name)
{
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::string::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

void Fill(const GamePath::Entry& entry, WIN32_FIND_DATAA* findData)
{
    std::memset(findData, 0, sizeof(*findData));
    findData->dwFileAttributes = entry.isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    findData->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    findData->nFileSizeLow = static_cast<DWORD>(entry.size & 0xFFFFFFFFu);
    const size_t length = std::min(entry.name.size(), sizeof(findData->cFileName) - 1);
    std::memcpy(findData->cFileName, entry.name.data(), length);
}

FindSearch* AsSearch(HANDLE search)
{
    if (!search || search == INVALID_HANDLE_VALUE)
        return nullptr;
    return static_cast<FindSearch*>(search);
}
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* findData)
{
    if (!pattern || !findData)
        return INVALID_HANDLE_VALUE;
    const std::string path = pattern;
    const size_t cut = path.find_last_of("\\/");
    const std::string directory = cut == std::string::npos ? std::string() : path.substr(0, cut);
    const std::string namePattern = cut == std::string::npos ? path : path.substr(cut + 1);
    if (namePattern.empty())
        return INVALID_HANDLE_VALUE;

    std::vector<GamePath::Entry> entries;
    if (!GamePath::ListDirectory(directory, entries))
        return INVALID_HANDLE_VALUE;
    auto search = std::make_unique<FindSearch>();
    for (GamePath::Entry& entry : entries) {
        if (Matches(namePattern, entry.name))
            search->matches.push_back(std::move(entry));
    }
    if (search->matches.empty())
        return INVALID_HANDLE_VALUE;
    Fill(search->matches[0], findData);
    search->next = 1;
    return search.release();
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* findData)
{
    FindSearch* state = AsSearch(search);
    if (!state || !findData || state->next >= state->matches.size())
        return FALSE;
    Fill(state->matches[state->next++], findData);
    return TRUE;
}

BOOL FindClose(HANDLE search)
{
    FindSearch* state = AsSearch(search);
    if (!state)
        return FALSE;
    delete state;
    return TRUE;
}
