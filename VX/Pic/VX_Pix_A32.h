// One pixel of 32 bits with straight alpha, the rectangle every drawing call takes, and the one
// compositing rule that all drawing uses.
#pragma once

#include <cstdint>
#include <cstring>

// Bytes B, G, R, A in memory: the little-endian word 0xAARRGGBB. Alpha is not premultiplied;
// the colour of a pixel with alpha 0 carries no meaning.
struct VX_Pix_A32 {
    uint8_t b, g, r, a;

    static VX_Pix_A32 fromWord(uint32_t w) {
        return {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
    }
    uint32_t word() const {
        return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
    }
};
static_assert(sizeof(VX_Pix_A32) == 4);

// d += ((s - d) * s.A) >> 8 for each channel, alpha included. The divisor is 256, so an opaque
// source only comes within 1 of itself (255 over 0 gives 254); the arithmetic shift rounds
// toward minus infinity, so the result lies between d and s.
//
// Computed as (d * (256 - A) + s * A) >> 8, which is the same number (d is whole, so the floor
// of d + x is d plus the floor of x) with no negative terms: two channels at a time then fit
// the 16-bit halves of a word without carrying into each other (at most 255 * 256).
inline uint32_t VX_composite_word(uint32_t d, uint32_t s) {
    const uint32_t a = s >> 24, keep = 256 - a;
    const uint32_t br = ((d & 0x00FF00FFu) * keep + (s & 0x00FF00FFu) * a) >> 8 & 0x00FF00FFu;
    const uint32_t ga = ((d >> 8 & 0x00FF00FFu) * keep + (s >> 8 & 0x00FF00FFu) * a) & 0xFF00FF00u;
    return br | ga;
}

inline void VX_composite(VX_Pix_A32& d, VX_Pix_A32 s) {
    d = VX_Pix_A32::fromWord(VX_composite_word(d.word(), s.word()));
}

// The rule over a run of n pixels.
inline void VX_composite_run(VX_Pix_A32* d, const VX_Pix_A32* s, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        uint32_t dw, sw;
        std::memcpy(&dw, d + i, 4);
        std::memcpy(&sw, s + i, 4);
        dw = VX_composite_word(dw, sw);
        std::memcpy(d + i, &dw, 4);
    }
}

// {left, top, right, bottom}; right and bottom are exclusive.
struct VX_Rect {
    int32_t left, top, right, bottom;

    bool empty() const { return right <= left || bottom <= top; }
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    VX_Rect intersect(const VX_Rect& o) const {
        return {left > o.left ? left : o.left,
                top > o.top ? top : o.top,
                right < o.right ? right : o.right,
                bottom < o.bottom ? bottom : o.bottom};
    }
    VX_Rect offset(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    bool contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    bool operator==(const VX_Rect&) const = default;
};

// Reads a little-endian 32-bit word of a resource, whatever its alignment.
inline uint32_t VX_read_u32(const void* p) {
    unsigned char b[4];
    std::memcpy(b, p, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
