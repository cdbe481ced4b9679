// The picture type that windows and widgets hold: a DIB section on Windows, a heap buffer
// elsewhere. Every pixel algorithm lives in the base and is the same on both.
#pragma once

#ifdef _WIN32
#include "VX/Pic/VX_Pic_Win32.h"
template <typename TPix> using VX_Pic_Platform = VX_Pic_Win32<TPix>;
#else
#include "VX/Pic/VX_Pic_Posix.h"
template <typename TPix> using VX_Pic_Platform = VX_Pic_Posix<TPix>;
#endif

template <typename TPix> class VX_Pic : public VX_Pic_Platform<TPix> {};
