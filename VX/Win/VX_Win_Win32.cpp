#include "VX/Win/VX_Win_Win32.h"

#include "VX/VX_module_win32.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

// One class per loaded module: two copies of the plug-in in one host each register their own,
// named after their module handle. A module that is unloaded takes its class away with it.
struct FrameClass {
    char name[32] = "VXFRAME";
    ATOM atom = 0;
    HINSTANCE instance = nullptr;
    ~FrameClass() {
        if (atom) UnregisterClassA(name, instance);
    }
};
FrameClass frameClass;
// 0: not registered, 1: being registered, 2: registered. Not std::call_once: on Windows the C++
// runtime's once (winpthreads, linked into the module) gives each thread that goes through it an
// event and a copy of its thread handle, which are lost when the host unloads the module.
std::atomic<int> frameClassState{0};

void registerFrameClass(WNDPROC procedure) {
    int expected = 0;
    if (!frameClassState.compare_exchange_strong(expected, 1)) {
        while (frameClassState.load(std::memory_order_acquire) != 2) SwitchToThread();
        return;
    }
    HINSTANCE instance = VX_own_module();
    std::snprintf(frameClass.name,
                  sizeof frameClass.name,
                  "VXFRAMEx%8.8X",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(instance)));
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = 0;
    c.lpfnWndProc = procedure;
    c.hInstance = instance;
    c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    c.lpszClassName = frameClass.name;
    frameClass.instance = instance;
    frameClass.atom = RegisterClassExA(&c);
    frameClassState.store(2, std::memory_order_release);
}

struct Blit {
    HDC target;
    HDC source;
};

void blitCell(void* context, const VX_Rect& s, int32_t cellLeft, int32_t cellTop) {
    const Blit* b = static_cast<const Blit*>(context);
    BitBlt(b->target,
           s.left,
           s.top,
           s.width(),
           s.height(),
           b->source,
           s.left - cellLeft,
           s.top - cellTop,
           SRCCOPY);
}

uint64_t packArea(const VX_Rect& r) {
    return uint64_t(uint16_t(r.left)) | uint64_t(uint16_t(r.top)) << 16 |
           uint64_t(uint16_t(r.right)) << 32 | uint64_t(uint16_t(r.bottom)) << 48;
}

VX_Rect unpackArea(uint64_t a) {
    return {int32_t(a & 0xFFFF),
            int32_t(a >> 16 & 0xFFFF),
            int32_t(a >> 32 & 0xFFFF),
            int32_t(a >> 48)};
}

} // namespace

const char* VX_Win_Win32::className() {
    return frameClass.name;
}

VX_Win_Win32::VX_Win_Win32(int32_t w, int32_t h) : VX_Win(w, h) {}

VX_Win_Win32::~VX_Win_Win32() {
    if (parent) hwnd(nullptr);
}

HWND VX_Win_Win32::hwnd(HWND newParent) {
    registerFrameClass(windowProc);
    if (newParent == parent) return parent;
    if (parent) {
        HWND old = own.exchange(nullptr);
        if (old) DestroyWindow(old);
        askedElsewhere = 0; // nothing left to paint it
        if (back.memDC) DeleteDC(back.memDC);
        back.memDC = nullptr;
        ownThread = 0;
    }
    parent = newParent;
    if (!parent) return nullptr;
    HWND created = CreateWindowExA(0,
                                   frameClass.name,
                                   "Window",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                   0,
                                   0,
                                   width,
                                   height,
                                   parent,
                                   nullptr,
                                   frameClass.instance,
                                   nullptr);
    if (!created) {
        // No child window (a parent that is not a window): stay hidden rather than paint into
        // whatever GetDC(null) would give.
        parent = nullptr;
        return nullptr;
    }
    SetWindowLongPtrA(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    HDC dc = GetDC(created);
    back.memDC = CreateCompatibleDC(dc);
    ReleaseDC(created, dc);
    if (back.memDC) SelectObject(back.memDC, back.bitmap);
    ownThread = GetCurrentThreadId();
    askedElsewhere = 0;
    own = created;
    return parent;
}

bool VX_Win_Win32::askElsewhere(const VX_Rect& r) {
    // Within the window, so that every side fits in 16 bits.
    const VX_Rect area = r.intersect(bounds());
    if (area.empty()) return false;
    uint64_t was = askedElsewhere.load(std::memory_order_relaxed);
    for (;;) {
        VX_Rect grown = area;
        if (was != 0) {
            const VX_Rect a = unpackArea(was);
            grown = {std::min(a.left, area.left),
                     std::min(a.top, area.top),
                     std::max(a.right, area.right),
                     std::max(a.bottom, area.bottom)};
        }
        // Release: the widget's new state is seen by the thread that takes the area.
        if (askedElsewhere.compare_exchange_weak(
                was, packArea(grown), std::memory_order_release, std::memory_order_relaxed))
            return was == 0;
    }
}

VX_Rect VX_Win_Win32::takeAskedElsewhere() {
    const uint64_t a = askedElsewhere.exchange(0, std::memory_order_acquire);
    return a != 0 ? unpackArea(a) : VX_Rect{0, 0, 0, 0};
}

void VX_Win_Win32::redraw(const VX_Rect& r) {
    HWND w = own.load();
    if (!w) return;
    if (GetCurrentThreadId() != ownThread.load()) {
        // Another thread: the window's thread paints this on WM_PAINT. A window that is gone
        // meanwhile takes nothing, so the next redraw asks again.
        if (askElsewhere(r)) {
            RECT rc{r.left, r.top, r.right, r.bottom};
            if (!InvalidateRect(w, &rc, FALSE)) askedElsewhere = 0;
        }
        return;
    }
    HDC dc = GetDC(w);
    if (!dc) return;
    paint(dc, r);
    ReleaseDC(w, dc);
}

bool VX_Win_Win32::lockPaint() {
    const DWORD self = GetCurrentThreadId();
    DWORD holder = 0;
    if (painter.compare_exchange_strong(holder, self, std::memory_order_acquire)) return true;
    if (holder == self) return false;
    // Held by another thread: rare enough that looking again each millisecond is cheap.
    const ULONGLONG deadline = GetTickCount64() + paintWaitMs;
    do {
        Sleep(1);
        holder = 0;
        if (painter.compare_exchange_strong(holder, self, std::memory_order_acquire)) return true;
    } while (GetTickCount64() < deadline);
    return false;
}

void VX_Win_Win32::unlockPaint() {
    painter.store(0, std::memory_order_release);
}

void VX_Win_Win32::paint(HDC target, const VX_Rect& r) {
    if (!lockPaint()) return; // the next paint covers it
    if (back.memDC) {
        Blit blit{target, back.memDC};
        composite(r, blitCell, &blit);
    }
    unlockPaint();
}

LRESULT CALLBACK VX_Win_Win32::windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    auto* win = reinterpret_cast<VX_Win_Win32*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!win) return DefWindowProcA(hwnd, message, w, l);
    return win->handle(hwnd, message, w, l);
}

LRESULT VX_Win_Win32::handle(HWND self, UINT message, WPARAM w, LPARAM l) {
    // Signed 16-bit coordinates: a captured drag may leave the window to the left or above.
    const int32_t x = static_cast<int16_t>(LOWORD(l));
    const int32_t y = static_cast<int16_t>(HIWORD(l));
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(self, &ps);
        // Taken once the update region is validated: a redraw asked for after this asks for
        // another WM_PAINT, one asked for before is painted now.
        const VX_Rect asked = takeAskedElsewhere();
        const VX_Rect update{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
        if (dc) paint(dc, update);
        EndPaint(self, &ps);
        // The paint DC reaches only the update region, which holds the first of those redraws.
        if (!asked.empty() && asked.intersect(update) != asked) redraw(asked);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_MOUSEMOVE:
        if (!leaveArmed) {
            leaveArmed = 1;
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = self;
            track.dwHoverTime = HOVER_DEFAULT;
            TrackMouseEvent(&track);
        }
        mouseMove(x, y);
        return 0;
    case WM_LBUTTONDOWN:
        SetCapture(self);
        buttonDown(x, y);
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        buttonUp();
        return 0;
    case WM_MOUSELEAVE:
        ReleaseCapture();
        buttonUp();
        // Leave notification ends with the message: the next move asks for it again.
        leaveArmed = 0;
        return 0;
    default:
        return DefWindowProcA(self, message, w, l);
    }
}
