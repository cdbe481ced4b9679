// The picture of platforms without GDI: the plain heap buffer of the base.
#pragma once

#include "VX/Pic/VX_Pic_Base.h"

template <typename TPix> class VX_Pic_Posix : public VX_Pic_Base<TPix> {};
