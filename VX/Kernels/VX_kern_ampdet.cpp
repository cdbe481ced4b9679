#include "VX/Kernels/VX_kern_mode.h"

namespace {

// |x|, wrapping: the magnitude of 0x80000000 stays 0x80000000.
VX_KERN_INLINE uint32_t magnitude(int32_t x) {
    return x < 0 ? 0u - VX_kern_u(x) : VX_kern_u(x);
}

// The rectified output gets |x| in "set" manner whatever the mode. The envelope moves only when
// there is an output to write it to: it rises or falls toward |x| by its coefficient (the fall
// coefficient while |x| is below it, compared unsigned).
template <int Mode, bool HasOutput, bool HasRectified>
VX_KERN_INLINE void follow(const int32_t* src, int32_t* dst, int32_t* rectified, int n,
                           int32_t rise, int32_t fall, int32_t* state) {
    uint32_t e = VX_kern_u(*state);
    src += n;
    if constexpr (HasOutput) dst += n;
    if constexpr (HasRectified) rectified += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        const uint32_t a = magnitude(src[i]);
        if constexpr (HasRectified) rectified[i] = VX_kern_s(a);
        if constexpr (HasOutput) {
            const int32_t c = a < e ? fall : rise;
            e += static_cast<uint32_t>(VX_kern_mul31(VX_kern_s(a - e), c)); // bits 31 to 62
            dst[i] = VX_kern_write<Mode>(dst[i], VX_kern_s(e));
        }
    }
    *state = VX_kern_s(e);
}

template <int Mode>
void ampdet(const int32_t* src, int32_t* dst, int32_t* rectified, int n, int32_t rise, int32_t fall,
            int32_t* state) {
    if (dst && rectified)
        follow<Mode, true, true>(src, dst, rectified, n, rise, fall, state);
    else if (dst)
        follow<Mode, true, false>(src, dst, rectified, n, rise, fall, state);
    else if (rectified)
        follow<Mode, false, true>(src, dst, rectified, n, rise, fall, state);
}

} // namespace

constinit const VX_Kern_Ampdet VX_kern_ampdet[VX_MODE_COUNT] = {VX_KERN_MODES(ampdet)};
