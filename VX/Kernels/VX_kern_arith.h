// Private to the kernels: the saturating x.24 arithmetic shared by the two-input and the
// constant operations. Every choice is a conditional selection, not a branch.
#pragma once

#include "VX/Kernels/VX_kern_mode.h"

// x.24 product: (a * b) >> 24, or the limit of the product's sign when it needs more than 32
// bits (bits 55 to 63 of the 64-bit product not all equal).
VX_KERN_INLINE int32_t VX_kern_mul24(int32_t a, int32_t b) {
    const int64_t p = static_cast<int64_t>(a) * b;
    const bool fits = static_cast<uint64_t>((p >> 55) + 1) <= 1;
    const int32_t limit = p < 0 ? INT32_MIN : INT32_MAX;
    return fits ? static_cast<int32_t>(p >> 24) : limit;
}

// Unsigned 64-by-32 division whose quotient the caller knows to fit in 32 bits. On x86 this is
// the one instruction the hardware has for it (no library call on 32-bit targets).
VX_KERN_INLINE uint32_t VX_kern_udiv64(uint64_t numerator, uint32_t divisor) {
#if defined(__i386__) || defined(__x86_64__)
    uint32_t quotient, remainder;
    __asm__("divl %4"
            : "=a"(quotient), "=d"(remainder)
            : "a"(static_cast<uint32_t>(numerator)),
              "d"(static_cast<uint32_t>(numerator >> 32)),
              "rm"(divisor)
            : "cc");
    return quotient;
#else
    return static_cast<uint32_t>(numerator / divisor);
#endif
}

// x.24 quotient with both magnitudes biased by one, so that no divisor traps:
// +-floor((|a| + 1) * 2^24 / (|b| + 1)), or the limit of the result's sign when that does not
// fit in 31 bits. ZeroIsNegative: the constant operations count a zero operand as negative for
// the sign of the result.
template <bool ZeroIsNegative> VX_KERN_INLINE int32_t VX_kern_div24(int32_t a, int32_t b) {
    const bool negativeA = ZeroIsNegative ? a <= 0 : a < 0;
    const bool negativeB = ZeroIsNegative ? b <= 0 : b < 0;
    const bool negative = negativeA != negativeB;
    const uint32_t magnitudeA = a < 0 ? 0u - VX_kern_u(a) : VX_kern_u(a); // |INT32_MIN| = 2^31
    const uint32_t magnitudeB = b < 0 ? 0u - VX_kern_u(b) : VX_kern_u(b);
    const uint32_t biasedA = magnitudeA + 1, biasedB = magnitudeB + 1;
    const bool saturate = (biasedA >> 7) >= biasedB;
    // A saturating quotient is not used; dividing by the largest divisor keeps it in range.
    const uint32_t q =
        VX_kern_udiv64(static_cast<uint64_t>(biasedA) << 24, saturate ? 0xFFFFFFFFu : biasedB);
    const int32_t limit = negative ? INT32_MIN : INT32_MAX;
    const int32_t value = negative ? VX_kern_s(0u - q) : VX_kern_s(q);
    return saturate ? limit : value;
}
