#include "VX/Kernels/VX_kernels.h"

#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#else
#include <chrono>
#endif

namespace {

// The processor's time-stamp counter where there is one, else the finest monotonic clock.
uint32_t readCounter() {
#if defined(__i386__) || defined(__x86_64__)
    return static_cast<uint32_t>(__rdtsc());
#else
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
#endif
}

} // namespace

// Both values wrap modulo 2^32, so a difference across a wrap of the low bits is still right.
void VX_kern_cycles(uint32_t* last, uint32_t* diff) {
    const uint32_t c = readCounter();
    *diff = c - *last;
    *last = c;
}
