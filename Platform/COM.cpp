#include "Platform/COM.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

const IID IID_IUnknown = { 0x00000000, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };

namespace
{
int g_comInit = 0;
int g_oleInit = 0;
int g_unmatched = 0;

// A BSTR's length (in bytes) sits in the four bytes before its first unit.
constexpr size_t kLengthPrefix = sizeof(uint32_t);
}

bool operator==(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3
        && std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

BSTR SysAllocString(LPCOLESTR text)
{
    if (!text)
        return nullptr;
    size_t units = 0;
    while (text[units])
        ++units;
    char* block = static_cast<char*>(std::malloc(kLengthPrefix + (units + 1) * sizeof(WCHAR)));
    if (!block)
        return nullptr;
    const uint32_t bytes = static_cast<uint32_t>(units * sizeof(WCHAR));
    std::memcpy(block, &bytes, kLengthPrefix);
    BSTR result = reinterpret_cast<BSTR>(block + kLengthPrefix);
    std::memcpy(result, text, (units + 1) * sizeof(WCHAR));
    return result;
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(reinterpret_cast<char*>(text) - kLengthPrefix);
}

UINT SysStringLen(BSTR text)
{
    if (!text)
        return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - kLengthPrefix, kLengthPrefix);
    return bytes / sizeof(WCHAR);
}

void VariantInit(VARIANT* value)
{
    if (!value)
        return;
    std::memset(value, 0, sizeof(*value));
    value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value)
{
    if (!value)
        return E_INVALIDARG;
    if (value->vt == VT_BSTR)
        SysFreeString(value->bstrVal);
    VariantInit(value);
    return S_OK;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideLength)
{
    (void)codePage;
    (void)flags;
    if (!text || wideLength < 0)
        return 0;
    const size_t count = length < 0 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    if (wideLength == 0)
        return static_cast<int>(count);
    if (!wide || count > static_cast<size_t>(wideLength))
        return 0;
    for (size_t i = 0; i < count; ++i)
        wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    return static_cast<int>(count);
}

HRESULT CoInitialize(LPVOID reserved)
{
    if (reserved)
        return E_INVALIDARG;
    return g_comInit++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (g_comInit > 0)
        --g_comInit;
    else
        ++g_unmatched;
}

HRESULT OleInitialize(LPVOID reserved)
{
    const HRESULT result = CoInitialize(reserved);
    if (FAILED(result))
        return result;
    return g_oleInit++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize()
{
    if (g_oleInit > 0) {
        --g_oleInit;
        CoUninitialize();
    } else {
        ++g_unmatched;
    }
}

namespace PlatformCom
{
int ComInitCount()
{
    return g_comInit;
}

int OleInitCount()
{
    return g_oleInit;
}

int UnmatchedUninitializeCount()
{
    return g_unmatched;
}

void Reset()
{
    g_comInit = 0;
    g_oleInit = 0;
    g_unmatched = 0;
}
}
