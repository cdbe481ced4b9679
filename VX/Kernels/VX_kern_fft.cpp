#include "VX/Kernels/VX_kern_mode.h"
#include "VX/VX_numeric.h"

#include <cstring>

namespace {

// The twiddle table has 2048 entries over 0 .. pi: enough for 4096 points (s = 11).
constexpr int maxExponent = 11;

// Rounds to the nearest integer, ties to even, keeping the low 32 bits. Added to 1.5 x 2^63, a
// value of magnitude below 2^62 is rounded by the addition itself (the unit of the last place
// there is 1) and appears as an integer in the low bits of the 64-bit significand. This avoids
// the integer conversion of the extended unit, which must switch its rounding mode each time.
// The butterflies never come near 2^62: their operands are 32-bit samples.
VX_KERN_INLINE int32_t roundToSample(long double x) {
    static_assert(sizeof(long double) >= 10, "the extended format is needed");
    const long double shifted = x + 0x1.8p63L;
    uint64_t significand;
    std::memcpy(&significand, &shifted, sizeof significand);
    return static_cast<int32_t>(static_cast<uint32_t>(significand - 0xC000000000000000u));
}

// Decimation in time over n = 2^(s+1) complex pairs already in bit-reversed order. Each stage
// of half size H combines top and bottom = top + H with the twiddle of angle pi k / H; the
// products run in extended precision and every result is rounded to the nearest integer.
// Forward halves at every stage (dividing by n in all), backward does not scale.
template <bool Forward> void fft(int32_t* data, int s, const int32_t* twiddles) {
    if (s < 0 || s > maxExponent) return;
    VX_Fpu_Extended extended;
    const long double h = 0.5L;
    const long double q = 1.0L / 2147483648.0L;
    const int n = 1 << (s + 1);
    for (int log2H = 0; log2H <= s; ++log2H) {
        const int half = 1 << log2H;
        const int twiddleShift = maxExponent - log2H;
        for (int group = n - 2 * half; group >= 0; group -= 2 * half) {
            for (int k = half - 1; k >= 0; --k) {
                int32_t* top = data + 2 * (group + k);
                int32_t* bottom = top + 2 * half;
                const int32_t* w = twiddles + 2 * (k << twiddleShift);
                const long double c = w[0], si = w[1];
                const long double bre = bottom[0], bim = bottom[1];
                long double tre = (c * bre - si * bim) * q;
                long double tim = (c * bim + si * bre) * q;
                long double topRe = top[0], topIm = top[1];
                if constexpr (Forward) {
                    tre = tre * h;
                    tim = tim * h;
                    topRe = topRe * h;
                    topIm = topIm * h;
                }
                top[0] = roundToSample(topRe + tre);
                top[1] = roundToSample(topIm + tim);
                bottom[0] = roundToSample(topRe - tre);
                bottom[1] = roundToSample(topIm - tim);
            }
        }
    }
}

} // namespace

void VX_kern_fft_forward(int32_t* data, int s, const int32_t* twiddles) {
    fft<true>(data, s, twiddles);
}

void VX_kern_fft_backward(int32_t* data, int s, const int32_t* twiddles) {
    fft<false>(data, s, twiddles);
}
