#include "call_counter.h"

#include <windows.h>

#include <cstring>

namespace {

// One counting stand-in per imported function: it counts and calls the function the import
// table held before. `conv` is the function's calling convention on 32-bit Windows.
#define COUNTED(kind, ret, conv, name, params, args)                                               \
    void* original_##name = nullptr;                                                               \
    ret conv counted_##name params {                                                               \
        call_counter::count##kind();                                                               \
        return reinterpret_cast<ret(conv*) params>(original_##name) args;                          \
    }

// C runtime (msvcrt), __cdecl.
COUNTED(Allocation, void*, __cdecl, malloc, (size_t n), (n))
COUNTED(Allocation, void*, __cdecl, calloc, (size_t n, size_t s), (n, s))
COUNTED(Allocation, void*, __cdecl, realloc, (void* p, size_t n), (p, n))
COUNTED(Allocation, char*, __cdecl, _strdup, (const char* s), (s))
COUNTED(Allocation, void*, __cdecl, _aligned_malloc, (size_t n, size_t a), (n, a))
COUNTED(Free, void, __cdecl, free, (void* p), (p))
COUNTED(Free, void, __cdecl, _aligned_free, (void* p), (p))
COUNTED(Lock, void, __cdecl, _lock, (int n), (n))
// Kernel, WINAPI.
COUNTED(Allocation, LPVOID, WINAPI, HeapAlloc, (HANDLE h, DWORD f, SIZE_T n), (h, f, n))
COUNTED(Allocation, LPVOID, WINAPI, HeapReAlloc, (HANDLE h, DWORD f, LPVOID p, SIZE_T n),
        (h, f, p, n))
COUNTED(Allocation, HLOCAL, WINAPI, LocalAlloc, (UINT f, SIZE_T n), (f, n))
COUNTED(Allocation, HGLOBAL, WINAPI, GlobalAlloc, (UINT f, SIZE_T n), (f, n))
COUNTED(Allocation, LPVOID, WINAPI, VirtualAlloc, (LPVOID p, SIZE_T n, DWORD t, DWORD f),
        (p, n, t, f))
COUNTED(Free, BOOL, WINAPI, HeapFree, (HANDLE h, DWORD f, LPVOID p), (h, f, p))
COUNTED(Free, HLOCAL, WINAPI, LocalFree, (HLOCAL p), (p))
COUNTED(Free, HGLOBAL, WINAPI, GlobalFree, (HGLOBAL p), (p))
COUNTED(Lock, void, WINAPI, EnterCriticalSection, (LPCRITICAL_SECTION c), (c))
COUNTED(Lock, BOOL, WINAPI, TryEnterCriticalSection, (LPCRITICAL_SECTION c), (c))
COUNTED(Lock, void, WINAPI, AcquireSRWLockExclusive, (PSRWLOCK l), (l))
COUNTED(Lock, void, WINAPI, AcquireSRWLockShared, (PSRWLOCK l), (l))
COUNTED(Lock, DWORD, WINAPI, WaitForSingleObject, (HANDLE h, DWORD t), (h, t))
COUNTED(Lock, DWORD, WINAPI, WaitForSingleObjectEx, (HANDLE h, DWORD t, BOOL a), (h, t, a))
COUNTED(Lock, DWORD, WINAPI, WaitForMultipleObjects, (DWORD n, const HANDLE* h, BOOL w, DWORD t),
        (n, h, w, t))
COUNTED(Lock, void, WINAPI, Sleep, (DWORD t), (t))
COUNTED(Lock, DWORD, WINAPI, SleepEx, (DWORD t, BOOL a), (t, a))
// Painting, WINAPI.
COUNTED(Paint, HDC, WINAPI, GetDC, (HWND w), (w))
COUNTED(Paint, HDC, WINAPI, BeginPaint, (HWND w, LPPAINTSTRUCT p), (w, p))
COUNTED(Paint, BOOL, WINAPI, BitBlt,
        (HDC d, int x, int y, int cx, int cy, HDC s, int x1, int y1, DWORD op),
        (d, x, y, cx, cy, s, x1, y1, op))
// GDI objects and windows, WINAPI.
COUNTED(GdiMade, HDC, WINAPI, CreateCompatibleDC, (HDC d), (d))
COUNTED(GdiMade, HBITMAP, WINAPI, CreateDIBSection,
        (HDC d, const BITMAPINFO* i, UINT u, void** b, HANDLE s, DWORD o), (d, i, u, b, s, o))
COUNTED(GdiMade, HFONT, WINAPI, CreateFontA,
        (int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s, DWORD cs, DWORD op,
         DWORD cp, DWORD q, DWORD pf, LPCSTR f),
        (h, w, e, o, wt, i, u, s, cs, op, cp, q, pf, f))
COUNTED(GdiFreed, BOOL, WINAPI, DeleteDC, (HDC d), (d))
COUNTED(GdiFreed, BOOL, WINAPI, DeleteObject, (HGDIOBJ o), (o))
COUNTED(WindowMade, HWND, WINAPI, CreateWindowExA,
        (DWORD x, LPCSTR c, LPCSTR n, DWORD s, int l, int t, int w, int h, HWND p, HMENU m,
         HINSTANCE i, LPVOID d),
        (x, c, n, s, l, t, w, h, p, m, i, d))
COUNTED(WindowFreed, BOOL, WINAPI, DestroyWindow, (HWND w), (w))

struct Hook {
    const char* name;
    void** original;
    void* counted;
};

#define HOOK(name)                                                                                 \
    { #name, &original_##name, reinterpret_cast < void*>(&counted_##name) }
const Hook hooks[] = {
    HOOK(malloc),
    HOOK(calloc),
    HOOK(realloc),
    HOOK(_strdup),
    HOOK(_aligned_malloc),
    HOOK(free),
    HOOK(_aligned_free),
    HOOK(_lock),
    HOOK(HeapAlloc),
    HOOK(HeapReAlloc),
    HOOK(LocalAlloc),
    HOOK(GlobalAlloc),
    HOOK(VirtualAlloc),
    HOOK(HeapFree),
    HOOK(LocalFree),
    HOOK(GlobalFree),
    HOOK(EnterCriticalSection),
    HOOK(TryEnterCriticalSection),
    HOOK(AcquireSRWLockExclusive),
    HOOK(AcquireSRWLockShared),
    HOOK(WaitForSingleObject),
    HOOK(WaitForSingleObjectEx),
    HOOK(WaitForMultipleObjects),
    HOOK(Sleep),
    HOOK(SleepEx),
    HOOK(GetDC),
    HOOK(BeginPaint),
    HOOK(BitBlt),
    HOOK(CreateCompatibleDC),
    HOOK(CreateDIBSection),
    HOOK(CreateFontA),
    HOOK(DeleteDC),
    HOOK(DeleteObject),
    HOOK(CreateWindowExA),
    HOOK(DestroyWindow),
};

const Hook* hookFor(const char* name) {
    for (const Hook& h : hooks)
        if (std::strcmp(h.name, name) == 0) return &h;
    return nullptr;
}

// Points the module's import slots of the hooked functions at the counting stand-ins.
int patchImports(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return -1;
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return 0;
    int patched = 0;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name;
         ++imp) {
        if (!imp->OriginalFirstThunk) continue; // no names left to match
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const Hook* hook = hookFor(reinterpret_cast<const char*>(byName->Name));
            if (!hook) continue;
            void* current = reinterpret_cast<void*>(slots->u1.Function);
            if (current == hook->counted) {
                ++patched;
                continue;
            }
            DWORD protection;
            if (!VirtualProtect(
                    &slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection))
                continue;
            if (!*hook->original) *hook->original = current;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook->counted);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            ++patched;
        }
    }
    return patched;
}

} // namespace

namespace call_counter {

bool install(const Module& module, std::string& how, std::string& error) {
    const int patched = patchImports(static_cast<HMODULE>(module.nativeHandle()));
    if (patched <= 0) {
        error = "no allocation or lock function found in the module's import table";
        return false;
    }
    how = "the module's own calls, through its import table: " + std::to_string(patched) +
          " imports of malloc/calloc/realloc/_strdup/free, Heap/Local/Global/VirtualAlloc, "
          "critical sections, SRW locks, waits and sleeps; GetDC, BeginPaint and BitBlt as paints; "
          "GDI objects and windows made and destroyed";
    error.clear();
    return true;
}

} // namespace call_counter
