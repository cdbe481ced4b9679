#include "VX/Dlg/VX_Dlg_File.h"

#include "VX/Win/VX_Win_Win32.h"

#include <commdlg.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The common dialogs are loaded when first asked for, not with the module: a host that loads
// and unloads the plug-in to scan it does not load them (and all they pull in) every time.
// Once loaded they stay for the process's life. Not a function's static: its guard (winpthreads,
// linked into the module) would give the asking thread two handles that an unload never closes.
std::atomic<HMODULE> commonDialogs{nullptr};

using Ask = BOOL(WINAPI*)(LPOPENFILENAMEA);
Ask dialog(const char* name) {
    HMODULE library = commonDialogs.load(std::memory_order_acquire);
    if (!library) {
        HMODULE loaded = LoadLibraryA("comdlg32.dll");
        if (!loaded) return nullptr;
        // Two threads may both load it; the one that comes second gives its reference back.
        if (commonDialogs.compare_exchange_strong(library, loaded, std::memory_order_acq_rel))
            library = loaded;
        else
            FreeLibrary(loaded);
    }
    return reinterpret_cast<Ask>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

} // namespace

VX_Dlg_File::VX_Dlg_File(VX_Win* owner, const char* filter) : owner(owner), filter(filter) {
    takeExtension();
    auto* r = new OPENFILENAMEA{};
    r->lStructSize = sizeof(OPENFILENAMEA);
    r->hInstance = GetModuleHandleA(nullptr);
    r->lpstrFilter = filter;
    r->lpstrFile = file;
    r->nMaxFile = sizeof file;
    r->lpstrInitialDir = ".";
    r->lpstrTitle = "File preset";
    // A name typed without an extension gets the filter's own, so the file shows under the
    // filter afterwards.
    r->lpstrDefExt = extension[0] ? extension : nullptr;
    request = r;
}

VX_Dlg_File::~VX_Dlg_File() {
    delete static_cast<OPENFILENAMEA*>(request);
}

bool VX_Dlg_File::askSystem(bool forSaving) {
    auto* r = static_cast<OPENFILENAMEA*>(request);
    auto* shown = dynamic_cast<VX_Win_Win32*>(owner);
    r->hwndOwner = shown ? shown->parent : nullptr;
    r->Flags =
        forSaving ? OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT : OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    // Unattended runs, whose message boxes go to standard error, have nobody to answer a modal
    // dialog either: it counts as cancelled instead of waiting for ever.
    const char* messages = std::getenv("VX_MESSAGES");
    if (messages && std::strcmp(messages, "stderr") == 0) {
        std::fprintf(stderr,
                     "%s: no dialog without a person (VX_MESSAGES=stderr), cancelled\n",
                     r->lpstrTitle);
        return false;
    }
    Ask ask = dialog(forSaving ? "GetSaveFileNameA" : "GetOpenFileNameA");
    return ask && ask(r) != 0;
}
