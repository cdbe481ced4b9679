#include "VX/Kernels/VX_kern_mode.h"

namespace {

template <int Mode> void copy(const int32_t* src, int32_t* dst, int n, int srcStep, int dstStep) {
    if (srcStep == 1 && dstStep == 1) {
        // The common case, contiguous on both sides, in a loop the compiler can widen.
        src += n;
        dst += n;
        for (VX_kern_index i = -n; i < 0; ++i) dst[i] = VX_kern_write<Mode>(dst[i], src[i]);
        return;
    }
    // Offsets rather than pointers: a step of 0 repeats one sample, a negative step walks
    // backwards, and no pointer is ever formed outside the samples actually touched.
    VX_kern_index s = 0, d = 0;
    for (VX_kern_index i = -n; i < 0; ++i, s += srcStep, d += dstStep)
        dst[d] = VX_kern_write<Mode>(dst[d], src[s]);
}

} // namespace

constinit const VX_Kern_Copy VX_kern_copy[VX_MODE_COUNT] = {VX_KERN_MODES(copy)};
