#include "Platform/WideChar.h"

namespace
{
template <class Char>
int Length(const Char* text, int given)
{
    if (given >= 0)
        return given;
    int length = 0;
    while (text[length])
        ++length;
    return length + 1; // the terminating zero is converted too
}

// The checks both conversions make, and the length of the source; 0 when an
// argument is bad.
template <class Char, class Out>
int SourceLength(UINT codePage, const Char* source, int sourceLength, const Out* destination, int destinationLength)
{
    if (codePage != CP_ACP || !source || sourceLength == 0 || sourceLength < -1 || destinationLength < 0
        || (destinationLength > 0 && !destination))
        return 0;
    return Length(source, sourceLength);
}
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength)
{
    const int length = SourceLength(codePage, source, sourceLength, destination, destinationLength);
    if (length == 0 || destinationLength == 0)
        return length;
    if (length > destinationLength)
        return 0;
    for (int i = 0; i < length; ++i)
        destination[i] = static_cast<WCHAR>(static_cast<unsigned char>(source[i]));
    return length;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, BOOL* usedDefaultChar)
{
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    const int length = SourceLength(codePage, source, sourceLength, destination, destinationLength);
    if (length == 0 || destinationLength == 0)
        return length;
    if (length > destinationLength)
        return 0;
    const char fallback = defaultChar ? *defaultChar : '?';
    for (int i = 0; i < length; ++i) {
        if (source[i] > 0xFF) {
            destination[i] = fallback;
            if (usedDefaultChar)
                *usedDefaultChar = TRUE;
        } else {
            destination[i] = static_cast<char>(source[i]);
        }
    }
    return length;
}
