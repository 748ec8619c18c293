// The text form of object handles. Commands ("add_object", "delete_object",
// "animation_end") and scripts carry an object's address as decimal text;
// on a 64-bit build that needs the full width both ways, so every place that
// turns a handle into text or back goes through these two functions.
#pragma once

#include <string>

// Full-width signed decimal; a null handle is "0".
std::string HandleToString(const void* handle);

// The rules of atoi, 64 bits wide: leading white space, an optional sign,
// then digits up to the first non-digit; no digits gives null.
void* StringToHandle(const char* text);
inline void* StringToHandle(const std::string& text) { return StringToHandle(text.c_str()); }
