#include "Core/PFileFinder.h"

#include "Platform/FindFile.h"

CPFileFinder::CPFileFinder(const std::string& pattern)
    : m_pattern(pattern)
    , m_search(INVALID_HANDLE_VALUE)
    , m_findData()
{
}

CPFileFinder::~CPFileFinder()
{
    CloseSearch();
}

HRESULT CPFileFinder::FindFirst()
{
    CloseSearch();
    m_name.clear();
    m_search = FindFirstFileA(m_pattern.c_str(), &m_findData);
    if (m_search == INVALID_HANDLE_VALUE)
        return E_FAIL;
    m_name = m_findData.cFileName;
    return S_OK;
}

void CPFileFinder::CloseSearch()
{
    if (m_search != INVALID_HANDLE_VALUE)
        FindClose(m_search);
    m_search = INVALID_HANDLE_VALUE;
}
