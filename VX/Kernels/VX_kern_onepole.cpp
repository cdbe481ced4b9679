#include "VX/Kernels/VX_kern_mode.h"

namespace {

// One step of the one-pole update: b moves toward x by a / 2^32 of their difference d = x - b,
// to b + floor(d a / 2^32 + (a mod 2) / 2). The difference is taken in offset binary, u = d +
// 2^31, so that one unsigned multiply serves a signed value; subtracting a >> 1 takes the
// offset's share of the product out again. u is kept whole: its low 32 bits go through the
// multiply, and its top, -1, 0 or 1 once d passes the 32-bit range (a full-scale step, x = 2^30
// after b came to rest at -2^30), adds that many a. Cut to 32 bits it would flip the sign of
// the step and drive b away from x. The new b lies between b and x, so it always fits.
//
// The loops keep the state as o = b - 2^31 in 64 bits, so that u = x - o is one subtraction.
VX_KERN_INLINE int64_t onepoleStep(int64_t o, int32_t x, uint32_t a, int64_t halfA) {
    const int64_t u = x - o;
    const int64_t top = u >> 32;
    const uint64_t product = static_cast<uint64_t>(static_cast<uint32_t>(u)) * a;
    return o - halfA + top * a + static_cast<int64_t>(product >> 32);
}

constexpr int64_t offset = 0x80000000ll;

template <int Mode>
void lopass1(const int32_t* src, int32_t* dst, int n, const uint32_t* coefficient, int32_t* state) {
    const uint32_t a = *coefficient;
    const int64_t halfA = a >> 1;
    int64_t o = *state - offset;
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        o = onepoleStep(o, src[i], a, halfA);
        dst[i] = VX_kern_write<Mode>(dst[i], static_cast<int32_t>(o + offset));
    }
    *state = static_cast<int32_t>(o + offset);
}

} // namespace

// The high-pass output, x minus the new b, can pass the 32-bit range where the difference did:
// it stops at its end.
void VX_kern_hipass1(const int32_t* src, int32_t* dst, int n, uint32_t a, int32_t* state) {
    const int64_t halfA = a >> 1;
    int64_t o = *state - offset;
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        const int32_t x = src[i];
        o = onepoleStep(o, x, a, halfA);
        dst[i] = VX_kern_sub_sat(x, static_cast<int32_t>(o + offset));
    }
    *state = static_cast<int32_t>(o + offset);
}

constinit const VX_Kern_Lopass1 VX_kern_lopass1[VX_MODE_COUNT] = {VX_KERN_MODES(lopass1)};
