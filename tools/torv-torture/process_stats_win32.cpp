#include "process_stats.h"

#include <windows.h>
#include <psapi.h>

#include <vector>

namespace {
// Bytes in busy blocks of every heap of the process.
int64_t busyHeapBytes() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    if (count == 0 || count > 64) return -1;
    int64_t total = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}
// Handles of this process from the system's handle table. Wine reports no count through
// GetProcessHandleCount but keeps the table, in its own entry layout.
int64_t handlesFromSystemTable() {
    struct Entry {
        ULONG process;
        BYTE type, flags;
        USHORT handle;
        PVOID object;
        ULONG access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    constexpr ULONG systemHandleInformation = 16;
    constexpr LONG infoLengthMismatch = static_cast<LONG>(0xC0000004L);
    std::vector<char> buffer(1 << 20);
    LONG status;
    ULONG length = 0;
    while (
        (status = query(
             systemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length)) ==
            infoLengthMismatch &&
        buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    if (sizeof(void*) + count * sizeof(Entry) > buffer.size()) return -1;
    const DWORD self = GetCurrentProcessId();
    int64_t mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].process == self;
    return mine;
}
} // namespace

ProcessStats processStats() {
    ProcessStats s;
    s.heapBytes = busyHeapBytes();
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        // Both are the commit charge; Wine fills in only the older of the two.
        s.privateBytes = static_cast<int64_t>(counters.PrivateUsage ? counters.PrivateUsage
                                                                    : counters.PagefileUsage);
        s.workingSet = static_cast<int64_t>(counters.WorkingSetSize);
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
        s.handles = handles;
    else
        s.handles = handlesFromSystemTable();
    return s;
}

const char* heapMeasure() {
    return "bytes in busy blocks of all process heaps (HeapWalk)";
}
