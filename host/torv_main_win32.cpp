// torv.exe: started as a program it is the standalone host; its export VSTPluginMain (and MAIN,
// from the plug-in's own entry file, linked in beside this one) makes it a plug-in module too.
#include "host/host_main_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    return torvHostMain(instance, show);
}
