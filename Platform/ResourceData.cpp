#include "Platform/ResourceData.h"

#include <list>

namespace
{
struct Resource
{
    std::string name;
    std::string type;
    std::string bytes;
};

// A list keeps every resource at its address while others come and go.
std::list<Resource>& Registry()
{
    static std::list<Resource> resources;
    return resources;
}

bool SameText(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return i == a.size() && !b[i];
}

Resource* AsResource(const void* handle)
{
    for (Resource& r : Registry())
        if (&r == handle)
            return &r;
    return nullptr;
}
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    if (module || !name || !type)
        return nullptr;
    for (Resource& r : Registry())
        if (SameText(r.name, name) && SameText(r.type, type))
            return reinterpret_cast<HRSRC>(&r);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    return AsResource(resource);
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    const Resource* r = AsResource(resource);
    return r ? static_cast<DWORD>(r->bytes.size()) : 0;
}

LPVOID LockResource(HGLOBAL loaded)
{
    Resource* r = AsResource(loaded);
    return r && !r->bytes.empty() ? &r->bytes[0] : nullptr;
}

namespace PlatformResources
{
void Add(const std::string& name, const std::string& type, const std::string& bytes)
{
    for (Resource& r : Registry())
        if (SameText(r.name, name.c_str()) && SameText(r.type, type.c_str())) {
            r.bytes = bytes;
            return;
        }
    Registry().push_back({ name, type, bytes });
}

void Clear()
{
    Registry().clear();
}
}
