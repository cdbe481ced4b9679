#include "VX/Pic/VX_Pic_Base.h"

#include "VX/VX_cfuncs.h"

#include <new>

template <typename TPix> VX_Pic_Base<TPix>::~VX_Pic_Base() {
    freeOwned();
}

template <typename TPix> void VX_Pic_Base<TPix>::freeOwned() {
    delete[] owned;
    owned = nullptr;
}

template <typename TPix> void VX_Pic_Base<TPix>::adopt(int32_t w, int32_t h, TPix* pixels) {
    if (!pixels) w = h = 0;
    width = w;
    height = h;
    data = pixels;
}

template <typename TPix> void VX_Pic_Base<TPix>::resize(int32_t w, int32_t h) {
    freeOwned();
    if (w > 0 && h > 0 && int64_t(w) * h <= maxPixels)
        owned = new (std::nothrow) TPix[static_cast<size_t>(int64_t(w) * h)]();
    adopt(w, h, owned);
}

// The report names the picture code and the line it always had.
template <typename TPix> bool VX_Pic_Base<TPix>::map(const void* resource) {
    if (!resource) return false; // the resource loader has reported it
    const unsigned char* p = static_cast<const unsigned char*>(resource);
    if (VX_read_u32(p) != VX_VXIF_MAGIC) {
        VX_error_func(
            "VX/Pic/Base", 21, "VX_Pic_Base<TPix>::map", __DATE__, __TIME__, "Invalid VXIF header");
        return false;
    }
    freeOwned();
    const int32_t w = static_cast<int32_t>(VX_read_u32(p + 4));
    const int32_t h = static_cast<int32_t>(VX_read_u32(p + 8));
    adopt(w, h, reinterpret_cast<TPix*>(const_cast<unsigned char*>(p + 12)));
    return true;
}

bool VX_clip_draw(int32_t& x, int32_t& y, VX_Rect& r, int32_t w, int32_t h) {
    if (r.empty()) return false;
    if (x < 0) {
        r.left -= x;
        x = 0;
    }
    if (y < 0) {
        r.top -= y;
        y = 0;
    }
    if (int64_t(x) + r.width() > w) r.right = static_cast<int32_t>(r.left + (int64_t(w) - x));
    if (int64_t(y) + r.height() > h) r.bottom = static_cast<int32_t>(r.top + (int64_t(h) - y));
    return !r.empty();
}

template <typename TPix>
void VX_Pic_Base<TPix>::blend(const VX_Pic_Base& src, VX_Pic_Base& dst, int32_t x, int32_t y,
                              const VX_Rect& rect) {
    if (!src.data || !dst.data || src.width <= 0 || src.height <= 0) return;
    VX_Rect r = rect;
    if (!VX_clip_draw(x, y, r, dst.width, dst.height)) return;
    // Source coordinates of a widget are never negative; the remainder is taken as positive
    // all the same.
    auto wrap = [](int32_t v, int32_t n) {
        const int32_t m = v % n;
        return m < 0 ? m + n : m;
    };
    const int32_t firstColumn = wrap(r.left, src.width);
    int32_t sy = wrap(r.top, src.height);
    for (int32_t j = r.top; j < r.bottom; ++j) {
        const TPix* s = src.row(sy);
        TPix* d = dst.row(y + (j - r.top)) + x;
        // Runs up to the source's right edge, then again from its left edge.
        int32_t sx = firstColumn;
        for (int32_t left = r.width(); left > 0;) {
            const int32_t n = left < src.width - sx ? left : src.width - sx;
            VX_composite_run(d, s + sx, n);
            d += n;
            left -= n;
            sx = 0;
        }
        if (++sy == src.height) sy = 0;
    }
}

template class VX_Pic_Base<VX_Pix_A32>;
