#include "plugin/editor_window.h"

#include "VX/Win/VX_Win_Win32.h"

VX_Win* editorWindowCreate(int32_t width, int32_t height) {
    return new VX_Win_Win32(width, height);
}

bool editorWindowShow(VX_Win* window, void* parent) {
    auto* win = static_cast<VX_Win_Win32*>(window);
    HWND p = static_cast<HWND>(parent);
    if (!p || !IsWindow(p)) return false;
    // The parent takes exactly the editor's size, where it is now.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(p, &placement);
    SetWindowPos(p,
                 nullptr,
                 placement.rcNormalPosition.left,
                 placement.rcNormalPosition.top,
                 win->width,
                 win->height,
                 0);
    return win->hwnd(p) == p;
}

void editorWindowHide(VX_Win* window) {
    static_cast<VX_Win_Win32*>(window)->hwnd(nullptr);
}
