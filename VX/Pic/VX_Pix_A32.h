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
inline void VX_composite(VX_Pix_A32& d, VX_Pix_A32 s) {
    const int a = s.a;
    d.b = uint8_t(d.b + (((s.b - d.b) * a) >> 8));
    d.g = uint8_t(d.g + (((s.g - d.g) * a) >> 8));
    d.r = uint8_t(d.r + (((s.r - d.r) * a) >> 8));
    d.a = uint8_t(d.a + (((s.a - d.a) * a) >> 8));
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
