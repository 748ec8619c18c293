#include "Platform/WideChar.h"

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, BOOL* usedDefaultChar)
{
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    if (codePage != CP_ACP || !source || sourceLength == 0 || sourceLength < -1 || destinationLength < 0
        || (destinationLength > 0 && !destination))
        return 0;
    int length = sourceLength;
    if (length < 0) {
        length = 0;
        while (source[length])
            ++length;
        ++length; // the terminating zero is converted too
    }
    if (destinationLength == 0)
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
