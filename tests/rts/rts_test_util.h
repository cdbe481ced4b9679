// Helpers of the runtime's tests: conversions between plain arrays through VX_Rts::copyBuffer.
#pragma once

// The audio runtime is a library of its own (vx_rts), outside VX/VX.h: its header.
#include "VX/Rts/VX_Rts.h"

#include <cstddef>
#include <vector>

inline VX_error convertRaw(void* dst, uint32_t dstFormat, const void* src, uint32_t srcFormat,
                           size_t count) {
    VX_Rts::Chan to("to", dstFormat, static_cast<int32_t>(count));
    VX_Rts::Chan from("from", srcFormat, static_cast<int32_t>(count));
    to.data = dst;
    from.data = const_cast<void*>(src);
    return VX_Rts::copyBuffer(&to, &from);
}

// Copies as many samples as the source holds; the destination's size is its own count, so
// unequal sizes show the length check.
template <typename D, typename S>
VX_error convert(std::vector<D>& dst, uint32_t dstFormat, const std::vector<S>& src,
                 uint32_t srcFormat) {
    VX_Rts::Chan to("to", dstFormat, static_cast<int32_t>(dst.size()));
    VX_Rts::Chan from("from", srcFormat, static_cast<int32_t>(src.size()));
    to.data = dst.data();
    from.data = const_cast<S*>(src.data());
    return VX_Rts::copyBuffer(&to, &from);
}

// The latch is process-wide; a new mode of any instance lifts it.
inline void clearConversionLatch() {
    VX_Rts rts("latch");
    VX_Rts::Mode m(0, 0, 0, 0);
    rts.mode(&m);
    rts.free();
}
