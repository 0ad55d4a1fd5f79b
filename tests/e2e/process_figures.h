// What a process holds, counted from inside it: open handles, committed
// private memory and the heap blocks in use. The driver's probe reports them
// for the program, port_floor for itself.
#pragma once

#include <windows.h>

// The process's open handles. Where the system's own count says 0 (Wine
// gives none), the handle values are tried one by one: kernel handles are
// small multiples of 4, and each one in use answers GetHandleInformation.
inline DWORD CountHandles()
{
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) return handles;
    DWORD flags;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++handles;
    return handles;
}

// Committed private memory, from a walk over the address space.
inline SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

// The blocks in use in all of the process's heaps, and their bytes: what
// tells memory held by live allocations from a heap's committed slack.
inline void HeapInUse(unsigned long* blocks, unsigned long long* bytes)
{
    *blocks = 0;
    *bytes = 0;
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++*blocks;
                *bytes += entry.cbData;
            }
        HeapUnlock(heaps[i]);
    }
}
