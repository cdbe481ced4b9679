#include "VX/Kernels/VX_kern_mode.h"

// Soft clipper. Per sample, with every sum wrapping and every shift arithmetic:
//   v = ((x >> 1) - b) >> 1, hard-limited to [lo, L] as c; the part cut off, o = v - c, is
//   compressed into the knee K as y = c + K o / (K + |o|); the bias b follows v - y by the
//   tracking coefficient; the output is 4 y.
// Flag bit 0 lifts the lower limit toward the bias and narrows the lower knee to an eighth.
//
// The knee's divisor K + |o| and the product K o are formed in 64 bits, so inputs near full
// scale with a large ceiling neither overflow nor divide by a wrapped sum; the quotient keeps
// its low 32 bits.
void VX_kern_shaper(const int32_t* src, int32_t* dst, int n, int32_t* bias, int32_t limit,
                    int32_t knee, int32_t coefficient, int32_t kneeShift, int32_t flags) {
    const bool lifted = flags & 1;
    const uint32_t top = VX_kern_u(limit);
    const int32_t bottomFixed = VX_kern_s(0u - top);
    const int32_t bottomMost = VX_kern_s(0u - top - VX_kern_u(knee));
    const uint32_t t = 4u * VX_kern_u(knee);
    const uint32_t u = VX_kern_u(VX_kern_s(t) >> (kneeShift & 31));
    const int64_t kneeAbove = VX_kern_s(u);
    const int64_t kneeBelow = lifted ? (VX_kern_s(t - u) >> 3) : VX_kern_s(t - u);
    int32_t b = *bias;
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        const int32_t v = VX_kern_s(VX_kern_u(src[i] >> 1) - VX_kern_u(b)) >> 1;
        int32_t lo = bottomFixed;
        if (lifted) {
            const int32_t toward = b < limit ? b : limit;
            lo = toward > bottomMost ? toward : bottomMost;
        }
        const int32_t below = v < limit ? v : limit;
        const int32_t c = below > lo ? below : lo;
        const int32_t o = VX_kern_s(VX_kern_u(v) - VX_kern_u(c));
        const int64_t k = o > 0 ? kneeAbove : kneeBelow;
        const int64_t magnitudeO = o < 0 ? -static_cast<int64_t>(o) : o;
        const int64_t divisor = k + magnitudeO;
        const int64_t correction = divisor != 0 ? k * o / divisor : 0;
        const uint32_t y = VX_kern_u(c) + static_cast<uint32_t>(correction);
        const int64_t chase = static_cast<int64_t>(VX_kern_s(VX_kern_u(v) - y)) * coefficient;
        b = VX_kern_s(VX_kern_u(b) + static_cast<uint32_t>(chase >> 32));
        dst[i] = VX_kern_s(y << 2);
    }
    *bias = b;
}
