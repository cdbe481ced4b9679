#include "VX/Kernels/VX_kern_highpass3_loops.h"
#include "VX/Kernels/VX_kern_mode.h"

#if defined(VX_KERN_HIGHPASS3_WIDE)

#include <algorithm>
#include <atomic>
#include <cstddef>

// The checked loop spends a third of its instructions on what depends on the input alone (x a,
// mul31(x - x2, c2)) and on the saturation test of each sample, and a core with four integer
// units runs out of them before the recursions' latency is reached. Here the vector unit takes
// that part, eight samples apart from the recursions on either side:
//
//   ahead:  P = x a + (a mod 2) 2^31 and W = -mul31(x - x2, c2), four samples an instruction
//   steps:  b = (b (2^32 - a) + P) >> 32, z = W - mul31(z2, 2^31 - c1) + 2 mul31(z1, 2^31 - c0),
//           b and z stored
//   behind: h = x - b, the output h + z, and whether h, y = -z or h + z leaves 32 bits
//
// The steps are the checked loop's, bit for bit, up to the first sample that would saturate:
// that one leaves the range the test behind looks at, and its stretch is run again through the
// checked loop.
//
// x a: a is unsigned, the multiply signed, so a >= 2^31 is taken as a - 2^32 and x 2^32 added.
// mul31(x - x2, c2): x - x2 needs 33 bits; x c2 - x2 c2 is the same product in 64, and
// floor(d / 2^31) = ((d + 2^63) >>> 31) - 2^32, the shift a logical one.

namespace {

// Samples per pass of the assembly loop: its scratch space, P, W and z (8 bytes a sample) and
// b (4), stays below a page of stack.
constexpr int stretch = 128;
constexpr int scratchBytes = 28 * stretch;
constexpr int offsetW = 8 * stretch, offsetZ = 16 * stretch, offsetB = 20 * stretch;

// In this order, 32 bytes apart: the loop addresses them from the first.
struct alignas(32) WideConstants {
    int64_t sign[4], two32[4], bias31[4], biasZ[4], high[4];
};
// 2^63 for the shift's bias, 2^32 to take off again; h and h + z within 32 bits when h + 2^31
// and h + z + 2^31 are below 2^32, y = -z when z + 2^31 - 1 is: the upper halves of their OR.
constexpr int64_t top = INT64_MIN, two32 = int64_t{1} << 32, two31 = int64_t{1} << 31;
constexpr int64_t upper = static_cast<int64_t>(0xffffffff00000000u);
constexpr WideConstants wide = {{top, top, top, top},
                                {two32, two32, two32, two32},
                                {two31, two31, two31, two31},
                                {two31 - 1, two31 - 1, two31 - 1, two31 - 1},
                                {upper, upper, upper, upper}};

static_assert(offsetof(WideConstants, high) == 128);
static_assert(offsetof(VX_Kern_Highpass3_Args, vecHighA) ==
              offsetof(VX_Kern_Highpass3_Args, vecA) + 96);

// The registers: i runs over the stretch in bytes of a 32-bit sample, from -4m up to 0, with
// src, dst, copy and S (the scratch's P) at their ends; P, W and z at (S, i, 2) plus their
// offsets, b at (S, i) plus its own. Only ymm0 to ymm5: the others are the caller's to keep
// on Windows. ymm5 gathers the range tests.

// P and W of the four samples o bytes on from i; ymm4 gets their x2 values (`earlier`).
#define VX_HP3W_AHEAD(o, earlier)                                                                  \
    "vpmovsxdq " #o "(%[src],%[i]), %%ymm0\n\t"                                                    \
    "vpmuldq %c[vec](%[k]), %%ymm0, %%ymm1\n\t"                                                    \
    "vpsllq $32, %%ymm0, %%ymm2\n\t"                                                               \
    "vpand %c[vec]+96(%[k]), %%ymm2, %%ymm2\n\t"                                                   \
    "vpaddq %%ymm2, %%ymm1, %%ymm1\n\t"                                                            \
    "vpaddq %c[vec]+64(%[k]), %%ymm1, %%ymm1\n\t"                                                  \
    "vmovdqu %%ymm1, 2*" #o "(%[S],%[i],2)\n\t"                                                    \
    "vpmuldq %c[vec]+32(%[k]), %%ymm0, %%ymm3\n\t" earlier                                         \
    "vpmuldq %c[vec]+32(%[k]), %%ymm4, %%ymm4\n\t"                                                 \
    "vpsubq %%ymm4, %%ymm3, %%ymm3\n\t"                                                            \
    "vpxor %[wide], %%ymm3, %%ymm3\n\t"                                                            \
    "vpsrlq $31, %%ymm3, %%ymm3\n\t"                                                               \
    "vmovdqu 32+%[wide], %%ymm4\n\t"                                                               \
    "vpsubq %%ymm3, %%ymm4, %%ymm3\n\t"                                                            \
    "vmovdqu %%ymm3, %c[offsetW]+2*" #o "(%[S],%[i],2)\n\t"
#define VX_HP3W_EARLIER(o) "vpmovsxdq " #o "-8(%[src],%[i]), %%ymm4\n\t"

// Sample s of the eight from i: z2 takes the new z.
#define VX_HP3W_STEP(s, z1, z2)                                                                    \
    "imul %c[weightB](%[k]), %[b]\n\t"                                                             \
    "add 8*" #s "(%[S],%[i],2), %[b]\n\t"                                                          \
    "sar $32, %[b]\n\t"                                                                            \
    "mov %k[b], %c[offsetB]+4*" #s "(%[S],%[i])\n\t"                                               \
    "imul %c[oneMinusC1](%[k]), %[" #z2 "]\n\t"                                                    \
    "sar $31, %[" #z2 "]\n\t"                                                                      \
    "mov %c[offsetW]+8*" #s "(%[S],%[i],2), %[t]\n\t"                                              \
    "sub %[" #z2 "], %[t]\n\t"                                                                     \
    "mov %[" #z1 "], %[r]\n\t"                                                                     \
    "imul %c[oneMinusC0](%[k]), %[r]\n\t"                                                          \
    "sar $31, %[r]\n\t"                                                                            \
    "lea (%[t],%[r],2), %[" #z2 "]\n\t"                                                            \
    "mov %[" #z2 "], %c[offsetZ]+8*" #s "(%[S],%[i],2)\n\t"

// The outputs of the four samples o bytes on from i (o < 0: behind), and their range tests.
#define VX_HP3W_BEHIND(o)                                                                          \
    "vpmovsxdq " #o "(%[src],%[i]), %%ymm0\n\t"                                                    \
    "vpmovsxdq %c[offsetB]+" #o "(%[S],%[i]), %%ymm1\n\t"                                          \
    "vpsubq %%ymm1, %%ymm0, %%ymm0\n\t" /* h */                                                    \
    "vmovdqu %c[offsetZ]+2*" #o "(%[S],%[i],2), %%ymm1\n\t"                                        \
    "vpaddq %%ymm1, %%ymm0, %%ymm2\n\t" /* h + z */                                                \
    "vpaddq 64+%[wide], %%ymm0, %%ymm0\n\t"                                                        \
    "vpaddq 96+%[wide], %%ymm1, %%ymm1\n\t"                                                        \
    "vpor %%ymm1, %%ymm0, %%ymm0\n\t"                                                              \
    "vpaddq 64+%[wide], %%ymm2, %%ymm1\n\t"                                                        \
    "vpor %%ymm1, %%ymm0, %%ymm0\n\t"                                                              \
    "vpor %%ymm0, %%ymm5, %%ymm5\n\t"                                                              \
    "vpshufd $0x08, %%ymm2, %%ymm2\n\t"                                                            \
    "vpermq $0x08, %%ymm2, %%ymm2\n\t"                                                             \
    "vmovdqu %%xmm2, " #o "(%[dst],%[i])\n\t"                                                      \
    "vmovdqu %%xmm2, " #o "(%[copy],%[i])\n\t"

// m samples, a multiple of eight and at least 16, from b, z1 and z2; earliest holds x[-2],
// x[-1], x[0] and x[1]. Each round of eight samples works out P and W of the next eight and the
// outputs of the eight before the last. False when some sample may saturate: then the outputs
// and the state are not the checked loop's.
bool wideStretch(const int32_t* src, int32_t* dst, int32_t* copy, int m,
                 const VX_Kern_Highpass3_Args& k, int64_t& b, int64_t& z1, int64_t& z2,
                 const int32_t (&earliest)[4], int64_t* scratch) {
    VX_kern_touch_ends({src, dst, copy}, m);
    intptr_t i = -4 * intptr_t{m};
    const intptr_t behindFrom = i + 64; // the third round is the first with outputs to make
    int64_t t, r;
    bool outside;
    asm volatile("vpxor %%xmm5, %%xmm5, %%xmm5\n\t"                                            //
                 VX_HP3W_AHEAD(0, "vpmovsxdq %[earliest], %%ymm4\n\t")                         //
                 VX_HP3W_AHEAD(16, VX_HP3W_EARLIER(16))                                        //
                 "1:\n\t"                                                                      //
                 "cmp $-32, %[i]\n\t"                                                          //
                 "jge 2f\n\t"                                                                  //
                 VX_HP3W_AHEAD(32, VX_HP3W_EARLIER(32)) VX_HP3W_AHEAD(48, VX_HP3W_EARLIER(48)) //
                 "2:\n\t"                                                                      //
                 VX_HP3W_STEP(0, z1, z2) VX_HP3W_STEP(1, z2, z1)                               //
                 VX_HP3W_STEP(2, z1, z2) VX_HP3W_STEP(3, z2, z1)                               //
                 VX_HP3W_STEP(4, z1, z2) VX_HP3W_STEP(5, z2, z1)                               //
                 VX_HP3W_STEP(6, z1, z2) VX_HP3W_STEP(7, z2, z1)                               //
                 "cmp %[behindFrom], %[i]\n\t"                                                 //
                 "jl 3f\n\t"                                                                   //
                 VX_HP3W_BEHIND(-64) VX_HP3W_BEHIND(-48)                                       //
                 "3:\n\t"                                                                      //
                 "add $32, %[i]\n\t"                                                           //
                 "jnz 1b\n\t"                                                                  //
                 VX_HP3W_BEHIND(-64) VX_HP3W_BEHIND(-48)                                       //
                 VX_HP3W_BEHIND(-32) VX_HP3W_BEHIND(-16)                                       //
                 "vptest 128+%[wide], %%ymm5\n\t"                                              //
                 "vzeroupper\n\t"
                 : [i] "+r"(i),
                   [b] "+r"(b),
                   [z1] "+r"(z1),
                   [z2] "+r"(z2),
                   [t] "=&r"(t),
                   [r] "=&r"(r),
                   "=@ccnz"(outside)
                 : [src] "r"(src + m),
                   [dst] "r"(dst + m),
                   [copy] "r"(copy + m),
                   [S] "r"(scratch + stretch),
                   [k] "r"(&k),
                   [earliest] "m"(earliest),
                   [behindFrom] "m"(behindFrom),
                   [wide] "m"(wide),
                   [offsetW] "i"(offsetW),
                   [offsetZ] "i"(offsetZ),
                   [offsetB] "i"(offsetB),
                   [weightB] "i"(offsetof(VX_Kern_Highpass3_Args, weightB)),
                   [oneMinusC0] "i"(offsetof(VX_Kern_Highpass3_Args, oneMinusC0)),
                   [oneMinusC1] "i"(offsetof(VX_Kern_Highpass3_Args, oneMinusC1)),
                   [vec] "i"(offsetof(VX_Kern_Highpass3_Args, vecA))
                 : "cc", "memory", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5");
    return !outside;
}
#undef VX_HP3W_AHEAD
#undef VX_HP3W_EARLIER
#undef VX_HP3W_STEP
#undef VX_HP3W_BEHIND

} // namespace

bool VX_kern_highpass3_wide_available() {
    // Asked on the audio thread too: a static with a guard would take a lock the first time,
    // and under some thread libraries make one. Threads that ask at once find the same.
    static std::atomic<int> avx2{-1};
    int known = avx2.load(std::memory_order_relaxed);
    if (known < 0) {
        __builtin_cpu_init();
        known = __builtin_cpu_supports("avx2") ? 1 : 0;
        avx2.store(known, std::memory_order_relaxed);
    }
    return known == 1;
}

void VX_kern_highpass3_wide(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                            const VX_Kern_Highpass3_Args& k) {
    if (k.checkedFor > 0) {
        k.checkedFor = std::max(0, k.checkedFor - n);
        return VX_kern_highpass3_checked(src, dst, copy, n, k);
    }
    if (n < VX_kern_highpass3_wide_shortest) return VX_kern_highpass3_checked(src, dst, copy, n, k);
    VX_Kern_Twopole_State& section = *k.section;
    const auto keep = [&](int64_t b, int64_t z1, int64_t z2) {
        *k.onepole = static_cast<int32_t>(b);
        section = {src[n - 1], src[n - 2], static_cast<int32_t>(-z1), static_cast<int32_t>(-z2)};
    };
    alignas(32) int64_t scratch[scratchBytes / 8];
    if ((n & 7) == 0 && n <= stretch) {
        // One stretch, as most host blocks are, without the bookkeeping of several: the state
        // is left as it was until the stretch is known good, and the checked loop starts from
        // it otherwise.
        const int32_t earliest[4] = {section.x2, section.x1, src[0], src[1]};
        int64_t b = *k.onepole;
        int64_t z1 = -int64_t{section.y1}, z2 = -int64_t{section.y2};
        if (wideStretch(src, dst, copy, n, k, b, z1, z2, earliest, scratch)) return keep(b, z1, z2);
        k.checkedFor = VX_kern_highpass3_wide_quiet_after;
        return VX_kern_highpass3_checked(src, dst, copy, n, k);
    }
    const int32_t before[2] = {section.x2, section.x1}; // x[-2] and x[-1]
    const auto x = [&](int j) { return j >= 0 ? src[j] : before[j + 2]; };
    // The stretches take whole rounds of eight: the samples before them go first.
    const int head = n & 7;
    if (head) VX_kern_highpass3_checked(src, dst, copy, head, k);
    int64_t b = *k.onepole;
    int64_t z1 = -int64_t{section.y1}, z2 = -int64_t{section.y2};
    for (int at = head; at < n;) {
        int m = std::min(n - at, stretch);
        if (const int left = n - at - m; left > 0 && left < 16) m -= 16; // the last takes 16
        const int32_t earliest[4] = {x(at - 2), x(at - 1), src[at], src[at + 1]};
        const int64_t b0 = b, z10 = z1, z20 = z2;
        if (!wideStretch(src + at, dst + at, copy + at, m, k, b, z1, z2, earliest, scratch)) {
            // From the state this stretch started with, through the checked loop to the end.
            *k.onepole = static_cast<int32_t>(b0);
            section = {
                x(at - 1), x(at - 2), static_cast<int32_t>(-z10), static_cast<int32_t>(-z20)};
            k.checkedFor = VX_kern_highpass3_wide_quiet_after;
            return VX_kern_highpass3_checked(src + at, dst + at, copy + at, n - at, k);
        }
        at += m;
    }
    keep(b, z1, z2);
}

#endif
