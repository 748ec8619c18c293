// Narrowing wide-character text (the widening is MultiByteToWideChar in
// Platform/COM.h). The ANSI code page here is ISO 8859-1: code units up to
// 0xFF become the byte of the same value.
#pragma once

#include "Platform/COM.h"
#include "Platform/Win32.h"

// Converts `sourceLength` code units (-1: up to and including the
// terminating zero) into at most `destinationLength` bytes and returns how
// many were written; with `destinationLength` 0 it only returns how many are
// needed. Code units the code page cannot show become `defaultChar` (or '?')
// and set *usedDefaultChar. 0 on failure: an unknown code page, a bad
// argument, or a destination too small for the whole text.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, BOOL* usedDefaultChar);
