// Data resources of the program file (raw bytes such as sounds), looked up
// by name and type as the engine does for sounds inside the executable. This
// build carries none: the registry starts empty and the game leaves it so;
// tests add the resources they need. Names and types are matched without regard to ASCII
// case. A resource's bytes stay at one address until it is replaced or the
// registry is cleared.
#pragma once

#include "Platform/Win32.h"

#include <string>

typedef struct HRSRC__* HRSRC;
typedef void* HGLOBAL;

// Null module means the program file itself (the only module there is).
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);

namespace PlatformResources
{
// Registers (or replaces) the resource `name` of type `type`.
void Add(const std::string& name, const std::string& type, const std::string& bytes);
// Forgets every resource; handles obtained before become invalid.
void Clear();
}
