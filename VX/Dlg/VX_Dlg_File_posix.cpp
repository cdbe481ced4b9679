#include "VX/Dlg/VX_Dlg_File.h"

VX_Dlg_File::VX_Dlg_File(VX_Win* owner, const char* filter) : owner(owner), filter(filter) {
    takeExtension();
}

VX_Dlg_File::~VX_Dlg_File() = default;

// There is no system dialog here: only an answerer chooses a file.
bool VX_Dlg_File::askSystem(bool) {
    return false;
}
