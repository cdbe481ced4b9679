#include "VX/Pic/VX_Pic_Win32.h"

template <typename TPix> VX_Pic_Win32<TPix>::~VX_Pic_Win32() {
    if (memDC) DeleteDC(memDC);
    if (bitmap) DeleteObject(bitmap);
}

template <typename TPix> void VX_Pic_Win32<TPix>::resize(int32_t w, int32_t h) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
    this->freeOwned();
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = w;
    header.biHeight = -h; // top-down: row 0 is the top row, as in memory
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    if (w > 0 && h > 0 && int64_t(w) * h <= VX_Pic_Base<TPix>::maxPixels)
        bitmap = CreateDIBSection(
            nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) bits = nullptr;
    this->adopt(w, h, static_cast<TPix*>(bits));
}

template class VX_Pic_Win32<VX_Pix_A32>;
