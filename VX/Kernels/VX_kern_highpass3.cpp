#include "VX/Kernels/VX_kern_filter_steps.h"

// The two recursions share nothing but the input sample, so in one loop their latencies overlap
// instead of adding up. Each result is the one the separate kernels give: the one-pole
// high-pass as VX_kern_hipass1 writes it, the section as VX_kern_bapass computes it, and their
// difference saturated as the section's "sub" write takes it. Every value is kept sign-extended
// in 64 bits, where each saturating step is one clamp of an exact difference.
void VX_kern_highpass3(const int32_t* src, int32_t* dst, int n, uint32_t a, int32_t* onepole,
                       int32_t c0, int32_t c1, int32_t c2, int32_t* x1State, int32_t* x2State,
                       int32_t* y1State, int32_t* y2State) {
    const int64_t halfA = a >> 1;
    int64_t o = *onepole - VX_kern_onepole_offset;
    int64_t x1 = *x1State, x2 = *x2State, y1 = *y1State, y2 = *y2State;
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        const int64_t x = src[i];
        o = VX_kern_onepole_step(o, static_cast<int32_t>(x), a, halfA);
        const int64_t high = VX_kern_clamp(x - (o + VX_kern_onepole_offset));
        const int64_t y = VX_kern_twopole_step(x, x2, y1, y2, c0, c1, c2);
        dst[i] = VX_kern_clamp(high - y);
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    *onepole = static_cast<int32_t>(o + VX_kern_onepole_offset);
    *x1State = static_cast<int32_t>(x1);
    *x2State = static_cast<int32_t>(x2);
    *y1State = static_cast<int32_t>(y1);
    *y2State = static_cast<int32_t>(y2);
}
