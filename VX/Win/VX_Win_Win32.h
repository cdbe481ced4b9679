// A window shown as a Windows child window inside a parent that somebody else owns (a host's
// editor frame, the standalone program's main window). Each composited cell reaches the screen
// in one BitBlt; the background is never erased.
//
// Threads: the thread that shows the window (hwnd) is its own thread. A redraw asked for there
// paints at once; a redraw asked for on any other thread only invalidates the rectangle, and
// the window's thread paints it on WM_PAINT. So no other thread ever calls GDI or waits for the
// paint mutex: a host's audio or automation thread is never held up by painting.
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
    HANDLE paintMutex;
    std::atomic<DWORD> ownThread{0}; // the thread that created the child window

    // Shows the window as a child of `parent`, or hides it (null); returns the parent now in
    // effect. The first call registers the window class of this module. [ui thread]
    HWND hwnd(HWND parent);

    void redraw(const VX_Rect& r) override;

    // Composites `r` and blits it to `target` cell by cell, under the paint mutex; gives up
    // after waiting paintWaitMs for it. [ui thread]
    void paint(HDC target, const VX_Rect& r);

    // The name of this module's window class: "VXFRAMEx" and the module handle's 8 hex digits
    // once registered, "VXFRAME" before.
    static const char* className();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(HWND self, UINT message, WPARAM w, LPARAM l);
};
