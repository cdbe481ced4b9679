#include "VX/Nodes/VX_Effect_Shifter.h"

#include "VX/Nodes/VX_node_math.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

#include <algorithm>
#include <iterator>

void VX_Effect_Shifter::clockChanged() {
    VX_Fpu_Extended extended;
    constexpr long double per48k = 1.0L / 48000.0L;
    sweep = VX_trunc32(static_cast<long double>(clock) * 8388608.0L * per48k);
}

void VX_Effect_Shifter::reset() {
    std::fill(std::begin(inputRing), std::end(inputRing), 0);
    std::fill(std::begin(outputRing), std::end(outputRing), 0);
}

void VX_Effect_Shifter::advance(Sweep& block, int32_t x) {
    writeIndex = (writeIndex - 1) & ringMask;
    inputRing[writeIndex] = x;
    const uint32_t w = static_cast<uint32_t>(block.sweep);
    uint32_t p = static_cast<uint32_t>(block.phase) + static_cast<uint32_t>(block.speed);
    if (static_cast<int32_t>(p) < 0)
        p += w;
    else if (p >= w)
        p -= w;
    block.phase = static_cast<int32_t>(p);
}

// Caller holds VX_Fpu_Extended. A sweep of 0 (no clock) gives no number, and the shifters then
// output 0.
VX_Effect_Shifter::Windows VX_Effect_Shifter::windows(const Sweep& block) {
    constexpr long double pi = 3.141592653589793;
    const long double twoW = 2.0L * block.sweep;
    const long double s1 = VX_sin_ext(pi * block.phase / twoW);
    const long double s2 =
        VX_sin_ext(pi * (static_cast<long double>(block.phase) + block.sweep) / twoW);
    return {static_cast<double>(s1 * s1), static_cast<double>(s2 * s2)};
}

// The 14 low bits of each sample are dropped before weighting; 32-bit arithmetic.
int32_t VX_Effect_Shifter::tapCoarse(const int32_t* ring, uint32_t w, int32_t delay) {
    const uint32_t whole = static_cast<uint32_t>(delay >> 14);
    const uint32_t b = static_cast<uint32_t>(delay & 16383);
    const uint32_t s0 = static_cast<uint32_t>(ring[(w + whole) & ringMask] >> 14);
    const uint32_t s1 = static_cast<uint32_t>(ring[(w + whole + 1) & ringMask] >> 14);
    return static_cast<int32_t>(b * s1 + (16384u - b) * s0);
}

// Weighted in 64 bits, then shifted down by 14.
int32_t VX_Effect_Shifter::tapFine(const int32_t* ring, uint32_t w, int32_t delay) {
    const uint32_t whole = static_cast<uint32_t>(delay >> 14);
    const int64_t b = delay & 16383;
    const int64_t s0 = ring[(w + whole) & ringMask];
    const int64_t s1 = ring[(w + whole + 1) & ringMask];
    return static_cast<int32_t>(static_cast<uint64_t>((b * s1 + (16384 - b) * s0) >> 14));
}

namespace {

VX_Effect_Shifter* self(VX_Object* o) {
    return static_cast<VX_Effect_Shifter*>(o);
}

} // namespace

VX_value VX_shifter_input_option(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value VX_shifter_output_option(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value VX_shifter_speed_option(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->speed, v);
    return VX_value::integer(self(o)->speed);
}

VX_value VX_shifter_phase_option(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->phase, v);
    return VX_value::integer(self(o)->phase);
}
