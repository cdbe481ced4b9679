#include "editor_host.h"

#include <windows.h>

namespace {

const char* const frameClass = "TorvTortureEditorFrame";

LRESULT CALLBACK frameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

HWND editorOf(void* parent) {
    return FindWindowExA(static_cast<HWND>(parent), nullptr, nullptr, nullptr);
}

void send(HWND w, UINT message, WPARAM keys, int x, int y) {
    SendMessageA(w, message, keys, MAKELPARAM(x, y));
}

} // namespace

void* makeParentWindow(int index) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA c{};
        c.lpfnWndProc = frameProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = frameClass;
        registered = RegisterClassA(&c) != 0;
    }
    return CreateWindowExA(0,
                           frameClass,
                           "torv-torture",
                           WS_POPUP | WS_VISIBLE,
                           40 + 240 * index,
                           40,
                           100,
                           100,
                           nullptr,
                           nullptr,
                           GetModuleHandleA(nullptr),
                           nullptr);
}

void destroyParentWindow(void* parent) {
    if (parent) DestroyWindow(static_cast<HWND>(parent));
    pumpWindowMessages(0);
}

int childWindows(void* parent) {
    int n = 0;
    for (HWND c = editorOf(parent); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
    return n;
}

void pumpWindowMessages(int ms) {
    const DWORD start = GetTickCount();
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (ms > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    } while (GetTickCount() - start < DWORD(ms));
}

bool dragInEditor(void* parent, int x, int y, int dx) {
    HWND w = editorOf(parent);
    if (!w) return false;
    send(w, WM_MOUSEMOVE, 0, x, y);
    send(w, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    for (int k = 1; k <= 4; ++k) send(w, WM_MOUSEMOVE, MK_LBUTTON, x + dx * k / 4, y);
    send(w, WM_LBUTTONUP, 0, x + dx, y);
    return true;
}

int64_t gdiObjects() {
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

int64_t userObjects() {
    return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
}
