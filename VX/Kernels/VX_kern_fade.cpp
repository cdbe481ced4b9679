#include "VX/Kernels/VX_kernels.h"

// Both fades form the 64-bit sum of two 32 x 32 products and divide by n, truncating toward
// zero. The loops walk pointers set to the end of the block with a negative index counting up.

void VX_kern_fade_to_main(int32_t* main, const int32_t* shadow, int n) {
    int32_t* m = main + n;
    const int32_t* s = shadow + n;
    const int64_t total = n;
    for (int i = -n; i != 0; ++i) {
        const int64_t k = total + i; // 0 .. n-1
        m[i] = static_cast<int32_t>((k * m[i] + (total - k) * s[i]) / total);
    }
}

void VX_kern_fade_to_shadow(int32_t* main, const int32_t* shadow, int n) {
    int32_t* m = main + n;
    const int32_t* s = shadow + n;
    const int64_t total = n;
    for (int i = -n; i != 0; ++i) {
        const int64_t k = total + i;
        m[i] = static_cast<int32_t>((k * s[i] + (total - k) * m[i]) / total);
    }
}
