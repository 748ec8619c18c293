// Names and descriptions of the result codes the engine's device calls can
// return, for the log's reports of failed calls. Both functions take any
// code: one that is not in the table gets a fixed "unknown" text.
#pragma once

#include "Platform/Win32.h"

// The code's symbolic name, for example "E_OUTOFMEMORY".
const char* DXGetErrorString9A(HRESULT result);
// One sentence saying what the code means.
const char* DXGetErrorDescription9A(HRESULT result);
