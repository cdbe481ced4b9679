// What the process holds: heap in use, memory and handles, for spotting leaks over many cycles.
// Platform files: process_stats_win32.cpp, process_stats_posix.cpp.
#pragma once

#include <cstdint>

struct ProcessStats {
    int64_t heapBytes = -1;    // bytes in live heap blocks; -1 where unknown
    int64_t privateBytes = -1; // committed private memory (Windows)
    int64_t workingSet = -1;   // resident memory
    int64_t handles = -1;      // kernel handles (Windows) or open file descriptors
};

ProcessStats processStats();
// How heapBytes is measured here, for the report.
const char* heapMeasure();
