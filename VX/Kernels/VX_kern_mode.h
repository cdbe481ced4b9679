// Private to the kernels: the output-mode write step, the wrapping helpers and the table
// builders shared by the kernel families.
#pragma once

#include "VX/Kernels/VX_kernels.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Loop indices run from -n up to 0 over pointers set to the end of the block.
using VX_kern_index = std::ptrdiff_t;

#define VX_KERN_INLINE [[gnu::always_inline]] inline

// The address sanitizer does not see into the assembly loops; where it checks a build they
// read the first and last sample of each array first, so that it sees their ends.
#if defined(__SANITIZE_ADDRESS__)
#define VX_KERN_ADDRESSES_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_KERN_ADDRESSES_CHECKED 1
#endif
#endif
VX_KERN_INLINE void VX_kern_touch_ends(std::initializer_list<const int32_t*> arrays, int n) {
#ifdef VX_KERN_ADDRESSES_CHECKED
    for (const int32_t* a : arrays) {
        (void)*static_cast<const volatile int32_t*>(a);
        (void)*static_cast<const volatile int32_t*>(a + n - 1);
    }
#else
    (void)arrays;
    (void)n;
#endif
}

// Signed samples wrap modulo 2^32: the arithmetic is done on the unsigned bits.
VX_KERN_INLINE uint32_t VX_kern_u(int32_t x) {
    return static_cast<uint32_t>(x);
}
VX_KERN_INLINE int32_t VX_kern_s(uint32_t x) {
    return static_cast<int32_t>(x);
}

// The product of a and a 1.31 coefficient, (a * c) >> 31 (bits 31 and up of the signed 64-bit
// product). a is a sample or the difference of two, so the product fits in 64 bits.
VX_KERN_INLINE int64_t VX_kern_mul31(int64_t a, int32_t c) {
    return (a * c) >> 31;
}

// Combines the computed value v with the destination sample d as the mode says. Modes that
// ignore d never read it.
template <int Mode> VX_KERN_INLINE int32_t VX_kern_write(int32_t d, int32_t v) {
    const uint32_t ud = VX_kern_u(d), uv = VX_kern_u(v);
    if constexpr (Mode == VX_MODE_SET)
        return v;
    else if constexpr (Mode == VX_MODE_ADD)
        return VX_kern_s(ud + uv);
    else if constexpr (Mode == VX_MODE_SUB)
        return VX_kern_s(ud - uv);
    else if constexpr (Mode == VX_MODE_STN)
        return VX_kern_s(0u - uv);
    else if constexpr (Mode == VX_MODE_ADN)
        return VX_kern_s(0u - (ud + uv));
    else
        return VX_kern_s(uv - ud);
}

// Saturating counterparts, for the filter families whose results feed back into a recursion:
// a value beyond the 32-bit range stops at its end instead of flipping its sign. Where nothing
// overflows they give the same bits as the wrapping forms.

// The end of the range on the side of x's sign. x + y overflows only when y has the sign of x,
// x - y only when it has the other one, and then the exact result has the sign of x: this is
// where it stops.
VX_KERN_INLINE int32_t VX_kern_limit_of(int32_t x) {
    return INT32_MAX ^ (x >> 31);
}
VX_KERN_INLINE int32_t VX_kern_add_sat(int32_t x, int32_t y) {
    int32_t sum;
    return __builtin_add_overflow(x, y, &sum) ? VX_kern_limit_of(x) : sum;
}
VX_KERN_INLINE int32_t VX_kern_sub_sat(int32_t x, int32_t y) {
    int32_t difference;
    return __builtin_sub_overflow(x, y, &difference) ? VX_kern_limit_of(x) : difference;
}
VX_KERN_INLINE int32_t VX_kern_clamp(int64_t v) {
    const int32_t low = static_cast<int32_t>(v);
    return low == v ? low : INT32_MAX ^ static_cast<int32_t>(v >> 63);
}

// The write step of the saturating families: the mode's formula taken exactly and clamped.
template <int Mode> VX_KERN_INLINE int32_t VX_kern_write_sat(int32_t d, int32_t v) {
    if constexpr (Mode == VX_MODE_SET)
        return v;
    else if constexpr (Mode == VX_MODE_ADD)
        return VX_kern_add_sat(d, v);
    else if constexpr (Mode == VX_MODE_SUB)
        return VX_kern_sub_sat(d, v);
    else if constexpr (Mode == VX_MODE_STN)
        return VX_kern_sub_sat(0, v);
    else if constexpr (Mode == VX_MODE_ADN)
        return VX_kern_clamp(-(int64_t{d} + v));
    else
        return VX_kern_sub_sat(v, d);
}

// The six members of a family, in mode order.
#define VX_KERN_MODES(kernel) kernel<0>, kernel<1>, kernel<2>, kernel<3>, kernel<4>, kernel<5>
// The six members of one operation of a family with operations.
#define VX_KERN_OPER_MODES(kernel, op)                                                             \
    kernel<op, 0>, kernel<op, 1>, kernel<op, 2>, kernel<op, 3>, kernel<op, 4>, kernel<op, 5>
