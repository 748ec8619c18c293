// Watches the heap while a test opens a file: the largest single allocation
// and the bytes allocated in all (an upper bound of how far the heap grew),
// where the sanitizer tells every allocation's size. Watch() says whether it
// does; without the sanitizer nothing is watched, and a test of allocations
// skips with kUnwatched as its reason.
#pragma once

#include <cstddef>

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*))
    __attribute__((weak));

struct AllocationWatch
{
    static constexpr const char* kUnwatched
        = "allocation sizes are seen only under the address sanitizer (the build of ./test.sh)";

    static bool Watch()
    {
        static const bool installed = __sanitizer_install_malloc_and_free_hooks
            && __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
        Largest() = 0;
        Total() = 0;
        Watching() = installed;
        return installed;
    }
    static void Stop() { Watching() = false; }
    static size_t& Largest()
    {
        static size_t largest = 0;
        return largest;
    }
    static size_t& Total()
    {
        static size_t total = 0;
        return total;
    }

private:
    static bool& Watching()
    {
        static bool watching = false;
        return watching;
    }
    static void OnMalloc(const volatile void*, size_t size)
    {
        if (!Watching())
            return;
        Total() += size;
        if (size > Largest())
            Largest() = size;
    }
    static void OnFree(const volatile void*) { }
};
