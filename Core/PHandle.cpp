#include "Core/PHandle.h"

#include "Core/PManagedObject.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

std::string HandleToString(uint64_t handle)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%" PRId64, static_cast<int64_t>(handle));
    return text;
}

std::string HandleToString(const CPManagedObject* object)
{
    return HandleToString(object ? object->GetId() : 0);
}

uint64_t StringToHandle(const char* text)
{
    if (!text)
        return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Unsigned arithmetic wraps instead of overflowing; a number that does not
    // fit names no live object anyway.
    uint64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<uint64_t>(*p - '0');
        ++p;
    }
    if (negative)
        value = 0u - value;
    return value;
}
