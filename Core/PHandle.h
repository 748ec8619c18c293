// The text form of object handles. Commands ("add_object", "delete_object",
// "animation_end") and scripts carry an object's id (CPManagedObject::GetId,
// never reused) as decimal text, 64 bits wide both ways; every place that
// turns a handle into text or back goes through these functions.
#pragma once

#include <cstdint>
#include <string>

class CPManagedObject;

// Full-width signed decimal; the null handle is "0".
std::string HandleToString(uint64_t handle);
// The object's id as text; "0" for null.
std::string HandleToString(const CPManagedObject* object);

// The rules of atoi, 64 bits wide: leading white space, an optional sign,
// then digits up to the first non-digit; no digits gives the null handle 0.
uint64_t StringToHandle(const char* text);
inline uint64_t StringToHandle(const std::string& text) { return StringToHandle(text.c_str()); }
