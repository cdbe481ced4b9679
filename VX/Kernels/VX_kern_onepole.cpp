#include "VX/Kernels/VX_kern_mode.h"

namespace {

// One step of the one-pole low-pass: b moves toward x by a / 2^32 of the difference. The
// difference is taken in offset binary so that one unsigned multiply serves a signed value;
// subtracting a >> 1 takes the offset's share of the product out again. For a signed
// difference d this is b + floor(d * a / 2^32 + (a mod 2) / 2).
// The difference is saturated to 32 bits: a full-scale step (x = 2^30 after b came to rest at
// -2^30) would otherwise wrap to the opposite sign and drive b away from x. The new b then lies
// between b and x, so it never overflows.
VX_KERN_INLINE uint32_t onepoleStep(uint32_t b, uint32_t x, uint32_t a, uint32_t halfA) {
    const uint32_t difference = VX_kern_u(VX_kern_sub_sat(VX_kern_s(x), VX_kern_s(b)));
    const uint32_t offsetDifference = 0x80000000u + difference;
    const uint32_t h = static_cast<uint32_t>((static_cast<uint64_t>(offsetDifference) * a) >> 32);
    return b + h - halfA;
}

template <int Mode>
void lopass1(const int32_t* src, int32_t* dst, int n, const uint32_t* coefficient, int32_t* state) {
    const uint32_t a = *coefficient;
    const uint32_t halfA = a >> 1;
    uint32_t b = VX_kern_u(*state);
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        b = onepoleStep(b, VX_kern_u(src[i]), a, halfA);
        dst[i] = VX_kern_write<Mode>(dst[i], VX_kern_s(b));
    }
    *state = VX_kern_s(b);
}

} // namespace

void VX_kern_hipass1(const int32_t* src, int32_t* dst, int n, uint32_t a, int32_t* state) {
    const uint32_t halfA = a >> 1;
    uint32_t b = VX_kern_u(*state);
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        const uint32_t x = VX_kern_u(src[i]);
        b = onepoleStep(b, x, a, halfA);
        dst[i] = VX_kern_sub_sat(VX_kern_s(x), VX_kern_s(b));
    }
    *state = VX_kern_s(b);
}

constinit const VX_Kern_Lopass1 VX_kern_lopass1[VX_MODE_COUNT] = {VX_KERN_MODES(lopass1)};
