// A picture whose pixels are a top-down DIB section, so that GDI can draw into it and blit
// from it.
#pragma once

#include "VX/Pic/VX_Pic_Base.h"

#include <windows.h>

template <typename TPix> class VX_Pic_Win32 : public VX_Pic_Base<TPix> {
public:
    VX_Pic_Win32() = default;
    ~VX_Pic_Win32() override;

    HDC memDC = nullptr;       // set by whoever selects the bitmap into a DC, deleted here
    HBITMAP bitmap = nullptr;  // the DIB section, from resize on
    BITMAPINFOHEADER header{}; // what the DIB section was made from

    // A new 32-bit top-down DIB section replaces the previous one. [ui thread]
    void resize(int32_t w, int32_t h) override;
};

extern template class VX_Pic_Win32<VX_Pix_A32>;
