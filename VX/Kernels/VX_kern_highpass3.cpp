#include "VX/Kernels/VX_kern_mode.h"

#include <cstddef>

namespace {

// Keeps the compiler from folding v into the expressions around it. The loop is bound by the
// number of its instructions and the latency of its two recursions; left alone, the compiler
// reassociates the sums so that a loop-invariant negation or an addition lands between a
// multiply and the next sample's.
VX_KERN_INLINE void keep(int64_t& v) {
#if defined(__x86_64__) || defined(__aarch64__)
    asm("" : "+r"(v));
#else
    (void)v; // a 64-bit value takes two registers here: left to the compiler
#endif
}

// v times one of the record's constants, read from the record: the loop has more constants
// than registers, and a multiply can take its factor where it lies instead of holding a
// register or spilling one. The address is the record's plus the field's offset, so that
// the compiler does not hold an address of its own for each constant through the loop.
template <size_t Offset> VX_KERN_INLINE int64_t times(int64_t v, const VX_Kern_Highpass3_Args& k) {
#if defined(__x86_64__)
    asm("imulq %c2(%1), %0" : "+r"(v) : "r"(&k), "i"(Offset), "m"(k));
    return v;
#else
    const int64_t c = *reinterpret_cast<const int64_t*>(reinterpret_cast<const char*>(&k) + Offset);
    return static_cast<int64_t>(static_cast<uint64_t>(v) * static_cast<uint64_t>(c));
#endif
}
// v plus one of the record's constants, read as the multiplies read theirs.
template <size_t Offset> VX_KERN_INLINE int64_t plus(int64_t v, const VX_Kern_Highpass3_Args& k) {
#if defined(__x86_64__)
    asm("addq %c2(%1), %0" : "+r"(v) : "r"(&k), "i"(Offset), "m"(k));
    return v;
#else
    return v + *reinterpret_cast<const int64_t*>(reinterpret_cast<const char*>(&k) + Offset);
#endif
}
// In the step below, k being its record.
#define VX_KERN_TIMES(v, field) times<offsetof(VX_Kern_Highpass3_Args, field)>(v, k)
#define VX_KERN_PLUS(v, field) plus<offsetof(VX_Kern_Highpass3_Args, field)>(v, k)

// Within [-2^30, 2^30), both: then nothing in the step saturates.
VX_KERN_INLINE bool small(int64_t u, int64_t v) {
    const uint64_t biased =
        (static_cast<uint64_t>(u) + 0x40000000u) | (static_cast<uint64_t>(v) + 0x40000000u);
    return biased < 0x80000000u; // one comparison for both
}

// One step of the loop over the record's constants. Every product fits: |x| a, |x - x2| |c2|
// and |z| |c| stay below 2^63, and b (2^32 - a) lies in [-2^63, 2^63) for a 32-bit b.
struct Highpass3 {
    const VX_Kern_Highpass3_Args& k;

    // One sample: x in, its output to *out; b is the one-pole's state. Returns z = -y, the
    // section's output negated.
    VX_KERN_INLINE int64_t step(int64_t& b, int64_t x, int64_t x2, int64_t z1, int64_t z2,
                                int32_t* out, int32_t* copy) const {
        int64_t pull = VX_KERN_PLUS(VX_KERN_TIMES(x, weightX), rounding);
        keep(pull);
        b = (VX_KERN_TIMES(b, weightB) + pull) >> 32;
        int64_t high = x - b;
        // -mul31(x - x2, c2) + y2 - mul31(y2, c1) - 2 y1, with y = -z
        int64_t rest =
            2 * z1 - z2 - (VX_KERN_TIMES(x - x2, wideC2) >> 31) - (VX_KERN_TIMES(z2, negC1) >> 31);
        keep(rest);
        int64_t feedback = VX_KERN_TIMES(z1, negC0) >> 31; // -mul31(y1, c0)
        keep(feedback);
        int64_t z = rest + 2 * feedback;
        int64_t sum = high + z;
        // Taken only near full scale. With high and z = -y within [-2^30, 2^30) their sum is
        // within 32 bits and nothing saturates; otherwise the step saturates what exceeds 32
        // bits (y within [-2^31, 2^31 - 1], so z within [-2^31 + 1, 2^31]), which leaves the
        // rest as it is. The narrower test costs fewer instructions than the three exact ones.
        if (__builtin_expect(!small(high, z), 0)) {
            high = VX_kern_clamp(high);
            z = -int64_t{VX_kern_clamp(-z)};
            sum = VX_kern_clamp(high + z);
        }
        *out = *copy = static_cast<int32_t>(sum);
        return z;
    }
};
#undef VX_KERN_TIMES
#undef VX_KERN_PLUS

} // namespace

// The loop's constants are worked out here, when the coefficients change, not every block.
void VX_kern_highpass3_coefficients(VX_Kern_Highpass3_Args& k, uint32_t a, int32_t c0, int32_t c1,
                                    int32_t c2) {
    k.a = a;
    k.c0 = c0;
    k.c1 = c1;
    k.c2 = c2;
    k.weightX = int64_t{a};
    k.weightB = (int64_t{1} << 32) - a;
    k.rounding = int64_t{a & 1u} << 31;
    k.negC0 = -int64_t{c0};
    k.negC1 = -int64_t{c1};
    k.wideC2 = int64_t{c2};
}

// The two recursions share nothing but the input sample, so in one loop their latencies
// overlap instead of adding up. Each result has the bits of the separate kernels (the one-pole
// high-pass of VX_kern_hipass1, the section of VX_kern_bapass and their difference saturated as
// the section's "sub" write takes it), written so that each recursion carries one multiply, one
// addition and one shift from a sample to the next, and with few instructions besides:
//
// - One-pole: b' = b + floor(((x - b) a + (a mod 2) 2^31) / 2^32), the kernel's step, is
//   floor((b (2^32 - a) + x a + (a mod 2) 2^31) / 2^32). b' lies between b and x, so that
//   numerator, b' 2^32 plus a remainder, lies in [-2^63, 2^63) and so does each of its parts.
// - Section: the state is kept negated, z = -y, so that its feedback term
//   -2 floor(y1 c0 / 2^31) = 2 floor(z1 (-c0) / 2^31) is added in one address computation
//   instead of subtracted after a doubling.
// - The three saturations are one test, a branch that is taken only near full scale; a
//   predicted branch stays off the recursions' path where selections would lengthen it.
// - The multiplies read their constants from the record, which the caller keeps.
// - Two samples per round, so that the state moves between registers only once per two.
// - The output goes to both arrays: a second store per sample costs less than a copy of the
//   block afterwards, which in the small blocks of automated hosts is a call of its own.
void VX_kern_highpass3(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                       const VX_Kern_Highpass3_Args& k) {
    const Highpass3 h{k};
    int64_t b = *k.onepole;
    int64_t x1 = *k.x1, x2 = *k.x2;
    int64_t z1 = -int64_t{*k.y1}, z2 = -int64_t{*k.y2};
    if (n & 1) {
        const int64_t x = *src++;
        const int64_t z = h.step(b, x, x2, z1, z2, dst++, copy++);
        x2 = x1;
        x1 = x;
        z2 = z1;
        z1 = z;
    }
    const int pairs = n & ~1;
    src += pairs;
    dst += pairs;
    copy += pairs;
    for (VX_kern_index i = -pairs; i < 0; i += 2) {
        const int64_t xa = src[i];
        const int64_t za = h.step(b, xa, x2, z1, z2, dst + i, copy + i);
        const int64_t xb = src[i + 1];
        const int64_t zb = h.step(b, xb, x1, za, z1, dst + i + 1, copy + i + 1);
        x2 = xa;
        x1 = xb;
        z2 = za;
        z1 = zb;
    }
    // The state's addresses are read again rather than held through the loop, which has no
    // register to spare for them.
    asm("" ::: "memory");
    *k.onepole = static_cast<int32_t>(b);
    *k.x1 = static_cast<int32_t>(x1);
    *k.x2 = static_cast<int32_t>(x2);
    *k.y1 = static_cast<int32_t>(-z1);
    *k.y2 = static_cast<int32_t>(-z2);
}
