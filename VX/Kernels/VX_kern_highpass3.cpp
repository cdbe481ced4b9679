#include "VX/Kernels/VX_kern_highpass3_loops.h"
#include "VX/Kernels/VX_kern_mode.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

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

// Two samples per round, so that the state moves between registers only once per two.
VX_KERN_INLINE void pairLoop(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                             const VX_Kern_Highpass3_Args& k, int64_t& b, int64_t& x1, int64_t& x2,
                             int64_t& z1, int64_t& z2) {
    const Highpass3 h{k};
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
}

#if defined(__x86_64__)
// The same step written out for x86-64, six samples a round, in 28 instructions a sample where
// the compiled loop takes 36. The compiler keeps copies of values it could overwrite, reloads
// pointers it has spilled and rotates the state between registers; here the six steps name
// their registers so that the state stays where it is made: x values rotate through three
// registers, z through two, and six steps bring both back to where they started.
//
// Besides the choice of registers it saves two sums with two products: z1 + mul31(z1, -c0) is
// mul31(z1, 2^31 - c0), as an integer added to a product goes through the floor unchanged, and
// z2 + mul31(z2, -c1) likewise. Then z = 2 mul31(z1, 2^31 - c0) - mul31(z2, 2^31 - c1) -
// mul31(x - x2, c2), the same sum as the compiled step's. These products fit for |z| <= 2^31
// unless c is -1 (2^31 - c = 2^32), so the record says when the loop may run.
//
// One step: x2 is the register holding x[-2], which it uses up; x is where x[0] goes; z1 and z2
// hold -y[-1] and -y[-2], and z2 takes -y[0]. p, h and r are scratch. A sample near full scale
// takes the exact saturations out of line at 2j and comes back at 3j.
#define VX_HP3_STEP(j, at, x2, x, z1, z2)                                                          \
    "5" #j ":\n\t"                                                                                 \
    "movslq " #at "(%[src]), %[" #x "]\n\t"                                                        \
    "sub %[" #x "], %[" #x2 "]\n\t"        /* x2 - x */                                            \
    "imul %c[negC2](%[k]), %[" #x2 "]\n\t" /* (x - x2) c2 */                                       \
    "sar $31, %[" #x2 "]\n\t"                                                                      \
    "mov %[" #x "], %[p]\n\t" /* one-pole */                                                       \
    "imul %c[weightX](%[k]), %[p]\n\t"                                                             \
    "add %c[rounding](%[k]), %[p]\n\t"                                                             \
    "imul %c[weightB](%[k]), %[b]\n\t"                                                             \
    "add %[p], %[b]\n\t"                                                                           \
    "sar $32, %[b]\n\t"                                                                            \
    "mov %[" #x "], %[h]\n\t" /* high = x - b */                                                   \
    "sub %[b], %[h]\n\t"                                                                           \
    "imul %c[oneMinusC1](%[k]), %[" #z2 "]\n\t" /* section */                                      \
    "sar $31, %[" #z2 "]\n\t"                                                                      \
    "add %[" #x2 "], %[" #z2 "]\n\t"                                                               \
    "neg %[" #z2 "]\n\t"                                                                           \
    "mov %[" #z1 "], %[r]\n\t"                                                                     \
    "imul %c[oneMinusC0](%[k]), %[r]\n\t"                                                          \
    "sar $31, %[r]\n\t"                                                                            \
    "lea (%[" #z2 "],%[r],2), %[" #z2 "]\n\t" /* z */                                              \
    "lea 0x40000000(%[h]), %[p]\n\t"          /* high and z within [-2^30, 2^30)? */               \
    "lea 0x40000000(%[" #z2 "]), %[r]\n\t"                                                         \
    "or %[p], %[r]\n\t"                                                                            \
    "test $-0x80000000, %[r]\n\t"                                                                  \
    "jnz 2" #j "f\n\t"                                                                             \
    "add %[" #z2 "], %[h]\n\t"                                                                     \
    "3" #j ":\n\t"                                                                                 \
    "mov %k[h], " #at "(%[src],%[dst])\n\t"                                                        \
    "mov %k[h], " #at "(%[src],%[copy])\n\t"

// v clamped into 32 bits, p scratch.
#define VX_HP3_CLAMP(v)                                                                            \
    "mov $0x7fffffff, %[p]\n\t"                                                                    \
    "cmp %[p], " v "\n\t"                                                                          \
    "cmovg %[p], " v "\n\t"                                                                        \
    "mov $-0x80000000, %[p]\n\t"                                                                   \
    "cmp %[p], " v "\n\t"                                                                          \
    "cmovl %[p], " v "\n\t"

// The exact path of step j: high and -z into 32 bits, then their sum.
// clang-format off
#define VX_HP3_SATURATE(j, z)                                                                      \
    "2" #j ":\n\t"                                                                                 \
    VX_HP3_CLAMP("%[h]")                                                                           \
    "neg %[" #z "]\n\t"                                                                            \
    VX_HP3_CLAMP("%[" #z "]")                                                                      \
    "neg %[" #z "]\n\t"                                                                            \
    "add %[" #z "], %[h]\n\t"                                                                      \
    VX_HP3_CLAMP("%[h]")                                                                           \
    "jmp 3" #j "b\n\t"
// clang-format on

// n > 0 samples from the state in b, x1, x2, z1 and z2. A block that is not a multiple of six
// starts part-way into the round, at the step that leaves six to go at the end of its first
// pass, with the state moved to the registers that step expects; the input's address is taken
// back by as many samples, which that pass does not touch.
VX_KERN_INLINE void sixStepLoop(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                                const VX_Kern_Highpass3_Args& k, int64_t& b, int64_t& x1,
                                int64_t& x2, int64_t& z1, int64_t& z2) {
    const auto at = reinterpret_cast<intptr_t>(src);
    const intptr_t end = at + intptr_t{4} * n;
    // The outputs are addressed from the input's address plus their distance from it.
    const intptr_t dstOffset = reinterpret_cast<intptr_t>(dst) - at;
    const intptr_t copyOffset = reinterpret_cast<intptr_t>(copy) - at;
    intptr_t base = at;
    VX_kern_touch_ends({src, dst, copy}, n);
    int64_t x, p, h;
    // The step to start at is j = 5 - r, with r = (n - 1) mod 6, and a table indexed by r takes
    // the branch. The remainder is the quotient's multiply and shift and three instructions
    // more, written out: compilers take up to three more.
    int64_t r = n;
    asm volatile("lea -1(%[r]), %k[r]\n\t"            // n - 1, zero-extended
                 "mov $0xaaaaaaab, %k[p]\n\t"         // ceil(2^34 / 6)
                 "imul %[r], %[p]\n\t"                //
                 "shr $34, %[p]\n\t"                  // (n - 1) / 6, exact below 2^32
                 "lea (%[p],%[p],2), %[p]\n\t"        //
                 "add %[p], %[p]\n\t"                 //
                 "sub %[p], %[r]\n\t"                 // r
                 "lea -20(%[src],%[r],4), %[src]\n\t" // back by j samples
                 "lea 7f(%%rip), %[p]\n\t"            //
                 "movslq (%[p],%[r],4), %[h]\n\t"     //
                 "add %[p], %[h]\n\t"                 //
                 "jmp *%[h]\n\t"                      //
                 ".p2align 2\n\t"                     //
                 "7:\n\t"                             //
                 ".long 65f - 7b, 64f - 7b, 63f - 7b, 62f - 7b, 61f - 7b, 50f - 7b\n\t"
                 // Steps 1 and 4 find x[-2] in x1 and x[-1] in x; 2 and 5 in x and x2; the odd
                 // steps find z[-1] in z2 and z[-2] in z1.
                 "65:\n\t"                                                            //
                 "mov %[x2], %[x]\n\t"                                                //
                 "mov %[x1], %[x2]\n\t"                                               //
                 "xchg %[z1], %[z2]\n\t"                                              //
                 "jmp 55f\n\t"                                                        //
                 "61:\n\t"                                                            //
                 "mov %[x1], %[x]\n\t"                                                //
                 "mov %[x2], %[x1]\n\t"                                               //
                 "xchg %[z1], %[z2]\n\t"                                              //
                 "jmp 51f\n\t"                                                        //
                 "62:\n\t"                                                            //
                 "mov %[x2], %[x]\n\t"                                                //
                 "mov %[x1], %[x2]\n\t"                                               //
                 "jmp 52f\n\t"                                                        //
                 "63:\n\t"                                                            //
                 "xchg %[z1], %[z2]\n\t"                                              //
                 "jmp 53f\n\t"                                                        //
                 "64:\n\t"                                                            //
                 "mov %[x1], %[x]\n\t"                                                //
                 "mov %[x2], %[x1]\n\t"                                               //
                 "jmp 54f\n\t"                                                        //
                 ".p2align 5\n\t"                                                     //
                 VX_HP3_STEP(0, 0, x2, x, z1, z2)                                     //
                 VX_HP3_STEP(1, 4, x1, x2, z2, z1)                                    //
                 VX_HP3_STEP(2, 8, x, x1, z1, z2)                                     //
                 VX_HP3_STEP(3, 12, x2, x, z2, z1)                                    //
                 VX_HP3_STEP(4, 16, x1, x2, z1, z2)                                   //
                 VX_HP3_STEP(5, 20, x, x1, z2, z1)                                    //
                 "add $24, %[src]\n\t"                                                //
                 "cmp %[end], %[src]\n\t"                                             //
                 "jb 50b\n\t"                                                         //
                 "jmp 4f\n\t"                                                         //
                 VX_HP3_SATURATE(0, z2) VX_HP3_SATURATE(1, z1) VX_HP3_SATURATE(2, z2) //
                 VX_HP3_SATURATE(3, z1) VX_HP3_SATURATE(4, z2) VX_HP3_SATURATE(5, z1) //
                 "4:"
                 : [src] "+r"(base),
                   [b] "+r"(b),
                   [x1] "+r"(x1),
                   [x2] "+r"(x2),
                   [z1] "+r"(z1),
                   [z2] "+r"(z2),
                   [x] "=&r"(x),
                   [p] "=&r"(p),
                   [h] "=&r"(h),
                   [r] "+&r"(r)
                 : [dst] "r"(dstOffset),
                   [copy] "r"(copyOffset),
                   [end] "rm"(end),
                   [k] "r"(&k),
                   [weightX] "i"(offsetof(VX_Kern_Highpass3_Args, weightX)),
                   [weightB] "i"(offsetof(VX_Kern_Highpass3_Args, weightB)),
                   [rounding] "i"(offsetof(VX_Kern_Highpass3_Args, rounding)),
                   [oneMinusC0] "i"(offsetof(VX_Kern_Highpass3_Args, oneMinusC0)),
                   [oneMinusC1] "i"(offsetof(VX_Kern_Highpass3_Args, oneMinusC1)),
                   [negC2] "i"(offsetof(VX_Kern_Highpass3_Args, negC2))
                 : "cc", "memory");
    // Each pass ends with x[-2] in x2, x[-1] in x1, and z1 and z2 where they came in.
}
#undef VX_HP3_STEP
#undef VX_HP3_CLAMP
#undef VX_HP3_SATURATE
#endif

} // namespace

namespace {

using Highpass3Loop = void (*)(const int32_t*, int32_t*, int32_t*, int,
                               const VX_Kern_Highpass3_Args&, int64_t&, int64_t&, int64_t&,
                               int64_t&, int64_t&);

// One of the loops with the state taken into registers before and put back after. Each loop
// has a function of its own, so that neither shapes the other's registers.
template <Highpass3Loop Loop>
[[gnu::noinline]] void runLoop(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                               const VX_Kern_Highpass3_Args& k) {
    int64_t b = *k.onepole;
    const VX_Kern_Twopole_State& in = *k.section;
    int64_t x1 = in.x1, x2 = in.x2;
    int64_t z1 = -int64_t{in.y1}, z2 = -int64_t{in.y2};
    Loop(src, dst, copy, n, k, b, x1, x2, z1, z2);
    // The state's addresses are read again rather than held through the loop, which has no
    // register to spare for them.
    asm("" ::: "memory");
    *k.onepole = static_cast<int32_t>(b);
    // One store a word: g++ would gather the four into a vector first, at twice the
    // instructions.
    volatile VX_Kern_Twopole_State& out = *k.section;
    out.x1 = static_cast<int32_t>(x1);
    out.x2 = static_cast<int32_t>(x2);
    out.y1 = static_cast<int32_t>(-z1);
    out.y2 = static_cast<int32_t>(-z2);
}

} // namespace

#if defined(VX_KERN_HIGHPASS3_WIDE)
void VX_kern_highpass3_checked(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                               const VX_Kern_Highpass3_Args& k) {
    runLoop<sixStepLoop>(src, dst, copy, n, k);
}

namespace {
// The loop for folded constants: the wide one where the processor has AVX2.
decltype(VX_Kern_Highpass3_Args::loop) foldedLoop() {
    return VX_kern_highpass3_wide_available() ? VX_kern_highpass3_wide : VX_kern_highpass3_checked;
}
} // namespace
#endif

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
    k.oneMinusC0 = (int64_t{1} << 31) - c0;
    k.oneMinusC1 = (int64_t{1} << 31) - c1;
    k.negC2 = -int64_t{c2};
    k.folded = c0 != INT32_MIN && c1 != INT32_MIN;
    std::fill(std::begin(k.vecA), std::end(k.vecA), int64_t{static_cast<int32_t>(a)});
    std::fill(std::begin(k.vecC2), std::end(k.vecC2), int64_t{c2});
    std::fill(std::begin(k.vecRounding), std::end(k.vecRounding), k.rounding);
    std::fill(std::begin(k.vecHighA), std::end(k.vecHighA), a >= 0x80000000u ? -1 : 0);
#if defined(VX_KERN_HIGHPASS3_WIDE)
    k.loop = k.folded ? foldedLoop() : runLoop<pairLoop>;
#else
    k.loop = runLoop<pairLoop>;
#endif
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
// - The output goes to both arrays: a second store per sample costs less than a copy of the
//   block afterwards, which in the small blocks of automated hosts is a call of its own.
// - On x86-64 the loop is written out in assembly (sixStepLoop), and with AVX2 the products of
//   the input and the saturation tests move to the vector unit (VX_kern_highpass3_wide) in
//   all but short blocks; the compiled loop serves the other targets and the two coefficients
//   those loops cannot take.
void VX_kern_highpass3(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                       const VX_Kern_Highpass3_Args& k) {
#if defined(VX_KERN_HIGHPASS3_WIDE)
    if (k.folded && n > 0) return foldedLoop()(src, dst, copy, n, k);
#endif
    runLoop<pairLoop>(src, dst, copy, n, k);
}
