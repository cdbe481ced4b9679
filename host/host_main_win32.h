// The standalone host's entry logic on Windows: start-up in order, the two window classes, the
// main window with its menus and the editor's child window, the message loop, and shutdown on
// WM_CLOSE. torv.exe's WinMain is this function; tests run it in their own process too (which
// must export the plug-in entry as torv.exe does).
#pragma once

#include "plugin/vst/vst_abi.h"

#include <windows.h>

// Returns 0 when the message loop has ended.
int torvHostMain(HINSTANCE instance, int show);

// The plug-in entry exported by a module: "VSTPluginMain" as the linker writes it at both
// pointer sizes, else the decorated "_VSTPluginMain" some linkers write for 32-bit cdecl
// functions, else "MAIN". Null when there is none.
VstPluginMainProc torvPluginEntry(HMODULE module);

// Messages of the main window besides the menu commands.
enum : UINT {
    torvRestartMessage = WM_APP + 0x50, // lParam: the VX_Rts that asked for a restart
};
