#include "VX/Kernels/VX_kernels.h"

namespace {

// The weighted mean of two samples always fits in 32 bits, so a 64-by-32 division serves; on
// 32-bit x86 that is one instruction instead of a library call per sample.
inline int32_t divideByLength(int64_t numerator, int32_t n) {
#if defined(__i386__)
    int32_t quotient, remainder;
    __asm__(
        "idivl %4"
        : "=a"(quotient), "=d"(remainder)
        : "a"(static_cast<uint32_t>(numerator)), "d"(static_cast<int32_t>(numerator >> 32)), "rm"(n)
        : "cc");
    return quotient;
#else
    return static_cast<int32_t>(numerator / n);
#endif
}

} // namespace

// Both fades form the 64-bit sum of two 32 x 32 products and divide by n, truncating toward
// zero. The loops walk pointers set to the end of the block with a negative index counting up.

void VX_kern_fade_to_main(int32_t* main, const int32_t* shadow, int n) {
    int32_t* m = main + n;
    const int32_t* s = shadow + n;
    const int64_t total = n;
    for (int i = -n; i != 0; ++i) {
        const int64_t k = total + i; // 0 .. n-1
        m[i] = divideByLength(k * m[i] + (total - k) * s[i], n);
    }
}

void VX_kern_fade_to_shadow(int32_t* main, const int32_t* shadow, int n) {
    int32_t* m = main + n;
    const int32_t* s = shadow + n;
    const int64_t total = n;
    for (int i = -n; i != 0; ++i) {
        const int64_t k = total + i;
        m[i] = divideByLength(k * s[i] + (total - k) * m[i], n);
    }
}
