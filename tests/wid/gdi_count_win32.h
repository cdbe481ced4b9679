// Counts the GDI calls this program makes, per thread: the program's own imports of gdi32 (and
// of the user32 calls that paint) are redirected through counting stubs. The framework is
// linked into the test program, so every call it makes is seen.
#pragma once

#include <windows.h>

#include <atomic>

struct GdiCounts {
    std::atomic<long> onWindowThread{0};
    std::atomic<long> elsewhere{0};
    std::atomic<long> invalidations{0}; // InvalidateRect, which any thread may call
    std::atomic<DWORD> windowThread{0};
    void reset() {
        onWindowThread = 0;
        elsewhere = 0;
        invalidations = 0;
    }
};

extern GdiCounts gdiCounts;

// Installs the stubs once; returns how many imports were redirected.
int installGdiCounting();
