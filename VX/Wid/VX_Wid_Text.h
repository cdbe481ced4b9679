// The registered text widget: GDI text on Windows, a small built-in bitmap font elsewhere.
#pragma once

#ifdef _WIN32
#include "VX/Wid/VX_Wid_Text_Win32.h"
using VX_Wid_Text_Platform = VX_Wid_Text_Win32;
#else
#include "VX/Wid/VX_Wid_Text_Posix.h"
using VX_Wid_Text_Platform = VX_Wid_Text_Posix;
#endif

class VX_Wid_Text : public VX_Wid_Text_Platform {};
