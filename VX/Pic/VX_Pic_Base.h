// A picture: width x height pixels, top row first, rows without padding. Its pixels are either
// its own (after resize) or borrowed from a "VXIF" resource (after map), never copied.
#pragma once

#include "VX/Pic/VX_Pix_A32.h"

template <typename TPix> class VX_Pic_Base {
public:
    // The largest picture resize makes (16 M pixels, far beyond any window); larger requests
    // leave it empty.
    static constexpr int64_t maxPixels = int64_t(1) << 24;

    VX_Pic_Base() = default;
    VX_Pic_Base(const VX_Pic_Base&) = delete;
    VX_Pic_Base& operator=(const VX_Pic_Base&) = delete;
    virtual ~VX_Pic_Base();

    int32_t width = 0;
    int32_t height = 0;
    TPix* data = nullptr; // null: the picture is empty and draws nothing

    // A fresh buffer of the given size, all pixels transparent black (as a new DIB section is).
    // An impossible size (not positive, or beyond maxPixels) or a failed allocation leaves an
    // empty picture.
    virtual void resize(int32_t w, int32_t h);

    // Borrows the pixels of a "VXIF" resource. A wrong magic is reported; then, as for missing
    // data, the picture is left as it was and false returned.
    bool map(const void* resource);

    // Draws the part `r` of `src` (in the drawing widget's coordinates) onto `dst` with r's
    // top-left at (x, y). A source smaller than the rectangle repeats, anchored at (0, 0) of the
    // widget. Nothing is drawn outside `dst`, nor from an empty source.
    static void blend(const VX_Pic_Base& src, VX_Pic_Base& dst, int32_t x, int32_t y,
                      const VX_Rect& r);

    TPix* row(int32_t y) const { return data + static_cast<int64_t>(y) * width; }

protected:
    // Sets width, height and data after a subclass made its own buffer.
    void adopt(int32_t w, int32_t h, TPix* pixels);
    // Frees the heap buffer of the base resize, if any.
    void freeOwned();

private:
    TPix* owned = nullptr;
};

// The magic of a "VXIF" picture: the characters "VXIF" read as a little-endian word.
inline constexpr uint32_t VX_VXIF_MAGIC = 'V' | 'X' << 8 | 'I' << 16 | uint32_t('F') << 24;

// Clips a drawing of rectangle `r` (source coordinates) at (x, y) to a destination of w x h:
// moves x, y and r together. Returns false when nothing is left.
bool VX_clip_draw(int32_t& x, int32_t& y, VX_Rect& r, int32_t w, int32_t h);

extern template class VX_Pic_Base<VX_Pix_A32>;
