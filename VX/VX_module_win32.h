// The module that holds the framework's code: the plug-in DLL when a host loaded it, else the
// program. Its resources and its window class belong to it.
#pragma once

#include <windows.h>

HMODULE VX_own_module();
