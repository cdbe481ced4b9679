#include "VX/Kernels/VX_kern_filter_steps.h"

namespace {

constexpr int64_t offset = VX_kern_onepole_offset;

template <int Mode>
void lopass1(const int32_t* src, int32_t* dst, int n, const uint32_t* coefficient, int32_t* state) {
    const uint32_t a = *coefficient;
    const int64_t halfA = a >> 1;
    int64_t o = *state - offset;
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        o = VX_kern_onepole_step(o, src[i], a, halfA);
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
        o = VX_kern_onepole_step(o, x, a, halfA);
        dst[i] = VX_kern_sub_sat(x, static_cast<int32_t>(o + offset));
    }
    *state = static_cast<int32_t>(o + offset);
}

constinit const VX_Kern_Lopass1 VX_kern_lopass1[VX_MODE_COUNT] = {VX_KERN_MODES(lopass1)};
