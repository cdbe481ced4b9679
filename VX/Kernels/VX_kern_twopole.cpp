#include "VX/Kernels/VX_kern_mode.h"

namespace {

// One output: y = mul31(x - x2, c2) - y2 + mul31(y2, c1) + 2 y1 - 2 mul31(y1, c0), every term
// taken exactly (each product whole) and the sum saturated to 32 bits. Wrapping sums would turn
// the overshoot of a full-scale edge into a large value of the other sign, which the recursion then
// sustains as a full-scale oscillation; a saturated sum only clips that sample. Whenever the exact
// sum fits in 32 bits (and x - x2 does) this is the wrapping formula's result, bit for bit.
VX_KERN_INLINE uint32_t step(uint32_t x, uint32_t x2, uint32_t y1, uint32_t y2, int32_t c0,
                             int32_t c1, int32_t c2) {
    const int64_t wy1 = VX_kern_s(y1), wy2 = VX_kern_s(y2);
    const int64_t sum = VX_kern_mul31(int64_t{VX_kern_s(x)} - VX_kern_s(x2), c2) - wy2 +
                        VX_kern_mul31(wy2, c1) + 2 * wy1 - 2 * VX_kern_mul31(wy1, c0);
    return VX_kern_u(VX_kern_clamp(sum));
}

// The state always carries y itself, whatever the mode writes; the mode's write saturates too,
// since the plug-in subtracts this section from the one-pole high-pass with it. Two samples per
// turn of the loop, the second with the roles of the state words swapped, so that the state does
// not have to be moved from word to word after every sample. Each sample is read before its output
// is written, and before the next sample is read, as in a loop of single samples.
template <int Mode>
int bapass(const int32_t* src, int32_t* dst, int n, int32_t c0, int32_t c1, int32_t c2,
           int32_t* x1State, int32_t* x2State, int32_t* y1State, int32_t* y2State) {
    if (n <= 0) return 0;
    uint32_t x1 = VX_kern_u(*x1State), x2 = VX_kern_u(*x2State);
    uint32_t y1 = VX_kern_u(*y1State), y2 = VX_kern_u(*y2State);
    src += n;
    dst += n;
    VX_kern_index i = -n;
    if (n & 1) {
        const uint32_t x = VX_kern_u(src[i]);
        const uint32_t y = step(x, x2, y1, y2, c0, c1, c2);
        dst[i] = VX_kern_write_sat<Mode>(dst[i], VX_kern_s(y));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        ++i;
    }
    for (; i != 0; i += 2) {
        const uint32_t xa = VX_kern_u(src[i]);
        const uint32_t ya = step(xa, x2, y1, y2, c0, c1, c2);
        dst[i] = VX_kern_write_sat<Mode>(dst[i], VX_kern_s(ya));
        const uint32_t xb = VX_kern_u(src[i + 1]);
        const uint32_t yb = step(xb, x1, ya, y1, c0, c1, c2);
        dst[i + 1] = VX_kern_write_sat<Mode>(dst[i + 1], VX_kern_s(yb));
        x2 = xa;
        x1 = xb;
        y2 = ya;
        y1 = yb;
    }
    *x1State = VX_kern_s(x1);
    *x2State = VX_kern_s(x2);
    *y1State = VX_kern_s(y1);
    *y2State = VX_kern_s(y2);
    return 0;
}

} // namespace

constinit const VX_Kern_Bapass VX_kern_bapass[VX_MODE_COUNT] = {VX_KERN_MODES(bapass)};
