#include "gdi_count_win32.h"

#include <cstring>

GdiCounts gdiCounts;

namespace {

void counted() {
    if (GetCurrentThreadId() == gdiCounts.windowThread.load())
        ++gdiCounts.onWindowThread;
    else
        ++gdiCounts.elsewhere;
}

// A stub with the signature of the function whose real address is kept in `real`.
template <typename F> struct Stub;
template <typename R, typename... A> struct Stub<R(WINAPI*)(A...)> {
    template <R(WINAPI** real)(A...)> static R WINAPI call(A... a) {
        counted();
        return (*real)(a...);
    }
};

decltype(&InvalidateRect) realInvalidateRect;
BOOL WINAPI countInvalidateRect(HWND w, const RECT* r, BOOL erase) {
    ++gdiCounts.invalidations;
    return realInvalidateRect(w, r, erase);
}

struct Hooked {
    const char* dll;
    const char* name;
    void** real;
    void* stub;
};

#define COUNTED(dll, fn)                                                                           \
    decltype(&fn) real##fn;                                                                        \
    const Hooked hook##fn{dll,                                                                     \
                          #fn,                                                                     \
                          reinterpret_cast<void**>(&real##fn),                                     \
                          reinterpret_cast<void*>(&Stub<decltype(&fn)>::call<&real##fn>)};

COUNTED("gdi32.dll", BitBlt)
COUNTED("gdi32.dll", CreateCompatibleDC)
COUNTED("gdi32.dll", DeleteDC)
COUNTED("gdi32.dll", SelectObject)
COUNTED("gdi32.dll", CreateDIBSection)
COUNTED("gdi32.dll", DeleteObject)
COUNTED("gdi32.dll", CreateFontA)
COUNTED("gdi32.dll", SetBkColor)
COUNTED("gdi32.dll", SetTextColor)
COUNTED("gdi32.dll", SetMapMode)
COUNTED("gdi32.dll", GdiFlush)
COUNTED("user32.dll", GetDC)
COUNTED("user32.dll", ReleaseDC)
COUNTED("user32.dll", DrawTextA)
COUNTED("user32.dll", BeginPaint)
COUNTED("user32.dll", EndPaint)

const Hooked* const hooks[] = {&hookBitBlt,
                               &hookCreateCompatibleDC,
                               &hookDeleteDC,
                               &hookSelectObject,
                               &hookCreateDIBSection,
                               &hookDeleteObject,
                               &hookCreateFontA,
                               &hookSetBkColor,
                               &hookSetTextColor,
                               &hookSetMapMode,
                               &hookGdiFlush,
                               &hookGetDC,
                               &hookReleaseDC,
                               &hookDrawTextA,
                               &hookBeginPaint,
                               &hookEndPaint};

void patch(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

} // namespace

int installGdiCounting() {
    static int installed = -1;
    if (installed >= 0) return installed;
    installed = 0;
    for (const Hooked* h : hooks)
        *h->real = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(h->dll), h->name));
    realInvalidateRect = reinterpret_cast<decltype(&InvalidateRect)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "InvalidateRect")));

    // Walk the program's import table and redirect every slot that holds one of the addresses.
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
         ++d)
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function;
             ++t) {
            void** slot = reinterpret_cast<void**>(&t->u1.Function);
            if (*slot == reinterpret_cast<void*>(realInvalidateRect)) {
                patch(slot, reinterpret_cast<void*>(countInvalidateRect));
                ++installed;
                continue;
            }
            for (const Hooked* h : hooks)
                if (*h->real && *slot == *h->real) {
                    patch(slot, h->stub);
                    ++installed;
                }
        }
    return installed;
}
