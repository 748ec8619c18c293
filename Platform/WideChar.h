// Wide-character text as the platform's interfaces take it: 16-bit code
// units, and the conversion from the program's ANSI code page. The ANSI code
// page here is ISO 8859-1: each byte becomes the code unit of the same value.
#pragma once

#include "Platform/Win32.h"

typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

constexpr UINT CP_ACP = 0;

// Converts `sourceLength` bytes (-1: up to and including the terminating
// zero) into at most `destinationLength` code units and returns how many were
// written. With `destinationLength` 0 it only returns how many are needed.
// 0 on failure: an unknown code page, a bad argument, or a destination too
// small for the whole text (nothing is cut off silently).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength);
// The reverse; code units the code page cannot show become '?'.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, BOOL* usedDefaultChar);
