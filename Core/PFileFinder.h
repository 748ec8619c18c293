// Tells whether a file matching a pattern exists ('*' and '?' in the last
// component, any case) and names the first match in byte order. The search
// handle is closed when the finder goes.
#pragma once

#include "Platform/Win32.h"

#include <string>

class CPFileFinder
{
public:
    explicit CPFileFinder(const std::string& pattern);
    virtual ~CPFileFinder();
    CPFileFinder(const CPFileFinder&) = delete;
    CPFileFinder& operator=(const CPFileFinder&) = delete;

    // S_OK with the first match's name, or E_FAIL (name left empty) when
    // nothing matches.
    HRESULT FindFirst();

    // File name of the first match, without its directory.
    const std::string& GetName() const { return m_name; }
    const WIN32_FIND_DATAA& GetFindData() const { return m_findData; }

private:
    void CloseSearch();

    std::string m_pattern;
    HANDLE m_search;
    WIN32_FIND_DATAA m_findData;
    std::string m_name;
};
