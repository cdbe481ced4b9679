#include "VX/Kernels/VX_kern_mode.h"

namespace {

constexpr uint32_t ringMask = 0xFFFF; // the ring holds 65536 samples

// Bits 23 to 54 of the 64-bit product: a sum scaled by a 0.23 gain or feedback factor.
VX_KERN_INLINE uint32_t mul23(uint32_t a, int32_t c) {
    return static_cast<uint32_t>((static_cast<int64_t>(VX_kern_s(a)) * c) >> 23);
}

VX_KERN_INLINE int32_t word32(intptr_t w) {
    return VX_kern_s(static_cast<uint32_t>(w));
}

// Runs the program once per input sample. Each group sums its taps, each tap reading the ring
// d + 1 samples back; the sum goes to the group's output scaled by the gain and back into the
// ring scaled by the feedback. Every ring index is masked and the walk never leaves the
// program's words, whatever they hold; the caller makes every output hold at least n samples
// before its end address.
template <int Mode>
void deline(const int32_t* src, int n, int32_t* ring, int32_t* ringPos, const intptr_t* program,
            int programLength) {
    uint32_t p = VX_kern_u(*ringPos) & ringMask;
    src += n;
    for (VX_kern_index i = -n; i < 0; ++i) {
        uint32_t w = VX_kern_u(src[i]);
        int pc = 0;
        while (pc < programLength) {
            uint32_t acc = 0;
            while (pc + 1 < programLength && program[pc] != -1) {
                const uint32_t d = static_cast<uint32_t>(program[pc]);
                acc += static_cast<uint32_t>(
                    VX_kern_mul31(ring[(p + d + 1) & ringMask], word32(program[pc + 1])));
                pc += 2;
            }
            if (pc + 3 >= programLength || program[pc] != -1) break; // a cut-off group
            const int32_t gain = word32(program[pc + 1]);
            int32_t* const end = reinterpret_cast<int32_t*>(program[pc + 2]);
            const int32_t feedback = word32(program[pc + 3]);
            pc += 4;
            if (end) end[i] = VX_kern_write<Mode>(end[i], VX_kern_s(mul23(acc, gain)));
            w += mul23(acc, feedback);
        }
        ring[p] = VX_kern_s(w);
        p = (p - 1) & ringMask;
    }
    *ringPos = VX_kern_s(p);
}

} // namespace

constinit const VX_Kern_Deline VX_kern_deline[VX_MODE_COUNT] = {VX_KERN_MODES(deline)};
