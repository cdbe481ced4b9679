#include "process_stats.h"

#include <cstdio>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include "sanitizer.h"

#if TORV_ASAN
#include <sanitizer/allocator_interface.h>
#endif

ProcessStats processStats() {
    ProcessStats s;
#if TORV_ASAN
    s.heapBytes = static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
#else
    s.heapBytes = static_cast<int64_t>(mallinfo2().uordblks);
#endif
    // statm: size resident shared text lib data dt, in pages.
    long pages[7] = {};
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f,
                        "%ld %ld %ld %ld %ld %ld %ld",
                        &pages[0],
                        &pages[1],
                        &pages[2],
                        &pages[3],
                        &pages[4],
                        &pages[5],
                        &pages[6]) == 7) {
            // The data segment is no measure of leaks here (the sanitizer reserves vast
            // shadow areas, malloc keeps freed arenas), so only the heap figure is compared.
            s.workingSet = static_cast<int64_t>(pages[1]) * sysconf(_SC_PAGESIZE);
        }
        std::fclose(f);
    }
    if (DIR* d = opendir("/proc/self/fd")) {
        int64_t n = 0;
        while (readdir(d)) ++n;
        closedir(d);
        s.handles = n - 3; // ".", ".." and the directory's own descriptor
    }
    return s;
}

const char* heapMeasure() {
#if TORV_ASAN
    return "bytes allocated through the sanitizer's allocator";
#else
    return "bytes in use by malloc (mallinfo2)";
#endif
}
