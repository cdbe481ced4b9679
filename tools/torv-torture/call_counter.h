// Counts heap allocations, frees and lock or wait operations made while counting is switched
// on: how torv-torture proves that processing allocates nothing and takes no lock.
//
// On Windows the module's import table is patched, so exactly the calls the module makes into
// the C runtime and the kernel are seen (its statically linked C++ runtime allocates through
// them too). Elsewhere the process's allocator and lock functions are hooked; the checks run on
// one thread, so what is counted while processing is the effect's.
#pragma once

#include "tools/vsthost/module.h"

#include <cstdint>
#include <string>

struct CallCounts {
    uint64_t allocations = 0;
    uint64_t frees = 0;
    uint64_t locks = 0;  // mutex, critical section and wait calls
    uint64_t paints = 0; // device contexts taken and pixels copied to a window (Windows)
    // GDI objects (DCs, bitmaps, fonts) and windows the module made and destroyed (Windows).
    uint64_t gdiMade = 0, gdiFreed = 0;
    uint64_t windowsMade = 0, windowsFreed = 0;
};

namespace call_counter {
// Prepares counting for `module`. False with a reason when it cannot be done here; `how`
// describes what is counted.
bool install(const Module& module, std::string& how, std::string& error);
void enable(bool on);
// Counting on, but only of the calls made on the calling thread.
void enableForThisThread();
void reset();
CallCounts counts();

// For the platform's hooks: each counts one call while counting is on.
void countAllocation();
void countFree();
void countLock();
void countPaint();
void countGdiMade();
void countGdiFreed();
void countWindowMade();
void countWindowFreed();
} // namespace call_counter
