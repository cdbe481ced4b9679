// A window shown as a Windows child window inside a parent that somebody else owns (a host's
// editor frame, the standalone program's main window). Each composited cell reaches the screen
// in one BitBlt; the background is never erased.
//
// Threads: the thread that shows the window (hwnd) is its own thread. A redraw asked for there
// paints at once; a redraw asked for on any other thread only invalidates the rectangle, and
// the window's thread paints it on WM_PAINT. So no other thread ever calls GDI or waits for the
// paint lock: a host's audio or automation thread is never held up by painting. Of the redraws
// asked for elsewhere between two paints only the first calls InvalidateRect (under Wine a trip
// to its server, some 30 us of the host's thread); the others grow the area the next WM_PAINT
// paints.
#pragma once

#include "VX/Win/VX_Win.h"

#include <windows.h>

#include <atomic>

class VX_Win_Win32 : public VX_Win {
public:
    static constexpr DWORD paintWaitMs = 1000;

    VX_Win_Win32(int32_t width, int32_t height);
    ~VX_Win_Win32() override;

    HWND parent = nullptr;
    std::atomic<HWND> own{nullptr};
    int leaveArmed = 0;
    std::atomic<DWORD> ownThread{0}; // the thread that created the child window

    // Shows the window as a child of `parent`, or hides it (null); returns the parent now in
    // effect. The first call registers the window class of this module. [ui thread]
    HWND hwnd(HWND parent);

    void redraw(const VX_Rect& r) override;

    // Composites `r` and blits it to `target` cell by cell, under the paint lock; gives up
    // after waiting paintWaitMs for it. [ui thread]
    void paint(HDC target, const VX_Rect& r);

    // The paint lock, which serialises everything that uses the back buffer, the scratch
    // buffer and the memory DC. lockPaint waits at most paintWaitMs for another thread; a
    // thread that holds the lock already gets false at once (a paint inside a paint would
    // composite over the one under way). unlockPaint is for the thread that holds it.
    bool lockPaint();
    void unlockPaint();

    // The name of this module's window class: "VXFRAMEx" and the module handle's 8 hex digits
    // once registered, "VXFRAME" before.
    static const char* className();

private:
    // The thread that holds the paint lock, 0 when free. Not a kernel mutex: only the window's
    // own thread paints, so the lock is all but never contended, and a kernel mutex costs two
    // system calls a paint (under Wine two trips to its server, some 70 us, most of a knob step).
    std::atomic<DWORD> painter{0};
    // The area that redraws on other threads asked for since the window's thread last took it:
    // their bounding rectangle, 16 bits a side in one word; 0 when none is waiting.
    std::atomic<uint64_t> askedElsewhere{0};

    // Adds `r` to the area asked for elsewhere; true when none was waiting, so that this
    // redraw is the one to ask Windows for a WM_PAINT.
    bool askElsewhere(const VX_Rect& r);
    VX_Rect takeAskedElsewhere();

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(HWND self, UINT message, WPARAM w, LPARAM l);
};
