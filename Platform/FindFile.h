// File search as the engine calls it: a pattern whose last component may hold
// '*' (any run of characters) and '?' (any one character), matched without
// regard to case; the directory part is a game path resolved through the path
// layer. Matches come in byte order of their names; "." and ".." are never
// reported. A handle from FindFirstFileA is released with FindClose.
#pragma once

#include "Platform/Win32.h"

// The first match, or INVALID_HANDLE_VALUE when nothing matches or the
// directory does not exist.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* findData);
// The next match; FALSE when there is none left.
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* findData);
BOOL FindClose(HANDLE search);
