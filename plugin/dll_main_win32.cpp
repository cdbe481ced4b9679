// The module's load and unload hook.
#include <windows.h>

// Frees the C++ runtime's own allocations; defined by the runtime, declared by no header.
namespace __gnu_cxx {
void __freeres() noexcept;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // The C++ runtime is linked into the module and keeps an emergency pool for exceptions that
    // outlives FreeLibrary; a host that rescans its plug-ins would lose it on every unload. At
    // process exit (reserved set) the process's memory goes anyway.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}
