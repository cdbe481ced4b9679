#include "VX/Dlg/VX_Dlg_File.h"

#include "VX/Win/VX_Win_Win32.h"

#include <commdlg.h>

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
    if (forSaving) {
        r->Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
        return GetSaveFileNameA(r) != 0;
    }
    r->Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    return GetOpenFileNameA(r) != 0;
}
