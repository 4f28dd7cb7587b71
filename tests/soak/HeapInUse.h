#pragma once

#include <cstddef>
#include <fstream>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define PARLET_HEAP_FROM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PARLET_HEAP_FROM_ASAN 1
#endif
#endif

#ifdef PARLET_HEAP_FROM_ASAN
// The sanitizer runtime's own count (g++ ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

// Bytes the process holds on the heap now (live allocations, from the
// sanitizer's allocator when it replaces malloc).
inline std::size_t HeapInUse()
{
#ifdef PARLET_HEAP_FROM_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// Resident set size of the process, in bytes.
inline std::size_t ResidentBytes()
{
    std::size_t pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}
