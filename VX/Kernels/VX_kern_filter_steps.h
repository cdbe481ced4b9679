// Private to the kernels: one step of each recursive filter, shared by the node kernels and the
// fused chain that runs several of them in one loop.
#pragma once

#include "VX/Kernels/VX_kern_mode.h"

// One step of the one-pole update: b moves toward x by a / 2^32 of their difference d = x - b,
// to b + floor(d a / 2^32 + (a mod 2) / 2). The difference is taken in offset binary, u = d +
// 2^31, so that one unsigned multiply serves a signed value; subtracting a >> 1 takes the
// offset's share of the product out again. u is kept whole: its low 32 bits go through the
// multiply, and its top, -1, 0 or 1 once d passes the 32-bit range (a full-scale step, x = 2^30
// after b came to rest at -2^30), adds that many a. Cut to 32 bits it would flip the sign of
// the step and drive b away from x. The new b lies between b and x, so it always fits.
//
// The loops keep the state as o = b - 2^31 in 64 bits, so that u = x - o is one subtraction.
VX_KERN_INLINE int64_t VX_kern_onepole_step(int64_t o, int32_t x, uint32_t a, int64_t halfA) {
    const int64_t u = x - o;
    const int64_t top = u >> 32;
    const uint64_t product = static_cast<uint64_t>(static_cast<uint32_t>(u)) * a;
    return o - halfA + top * a + static_cast<int64_t>(product >> 32);
}

inline constexpr int64_t VX_kern_onepole_offset = 0x80000000ll;

// One output of the two-pole section, from samples and outputs sign-extended to 64 bits: y =
// mul31(x - x2, c2) - y2 + mul31(y2, c1) + 2 y1 - 2 mul31(y1, c0), every term taken exactly (each
// product whole) and the sum saturated to 32 bits. Wrapping sums would turn the overshoot of a
// full-scale edge into a large value of the other sign, which the recursion then sustains as a
// full-scale oscillation; a saturated sum only clips that sample. Whenever the exact sum fits in 32
// bits (and x - x2 does) this is the wrapping formula's result, bit for bit.
VX_KERN_INLINE int64_t VX_kern_twopole_step(int64_t x, int64_t x2, int64_t y1, int64_t y2,
                                            int32_t c0, int32_t c1, int32_t c2) {
    const int64_t sum =
        VX_kern_mul31(x - x2, c2) - y2 + VX_kern_mul31(y2, c1) + 2 * y1 - 2 * VX_kern_mul31(y1, c0);
    return VX_kern_clamp(sum);
}
