// A module that holds the framework and shows one window, for loading twice into one process.
#include "VX/VX.h"

#include <windows.h>

namespace {
VX_Win_Win32* window = nullptr;
}

extern "C" __declspec(dllexport) HWND torv_test_open(HWND parent) {
    window = new VX_Win_Win32(64, 64);
    window->hwnd(parent);
    return window->own.load();
}

extern "C" __declspec(dllexport) const char* torv_test_class() {
    return VX_Win_Win32::className();
}

extern "C" __declspec(dllexport) void torv_test_close() {
    delete window;
    window = nullptr;
}
