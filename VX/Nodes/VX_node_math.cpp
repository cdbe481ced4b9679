#include "VX/Nodes/VX_node_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// pi/2 in three parts: the first two hold 32 significant bits each, so that k times either is
// exact for |k| < 2^32 and the reduction loses nothing for the arguments the nodes use.
constexpr long double pio2Hi = 0xC90FDAA200000000p-63L;
constexpr long double pio2Mid = 0x85A308D300000000p-97L;
constexpr long double pio2Lo = 0x98CC51701B839A25p-132L;
constexpr long double twoOverPi = 0xA2F9836E4E44152Ap-64L;

// ln 2 in two parts, the first exact in 32 bits.
constexpr long double ln2Hi = 0xB17217F800000000p-64L;
constexpr long double ln2Lo = -0xB8C21950D87131A0p-98L;
constexpr long double invLn2 = 0xB8AA3B295C17F0BCp-63L;

// Taylor coefficients, each rounded once at compile time (the same for every target):
// sine[k] = (-1)^k / (2k + 1)!, cosine[k] = (-1)^k / (2k)!, exponential[k] = 1 / k!.
struct Coefficients {
    long double sine[11] = {};
    long double cosine[12] = {};
    long double exponential[19] = {};
    constexpr Coefficients() {
        // k! is exact: up to 25! its odd part fits the 64-bit significand.
        long double factorial = 1.0L;
        for (int k = 1; k <= 22; ++k) {
            factorial *= k;
            const long double sign = (k / 2) % 2 ? -1.0L : 1.0L;
            if (k % 2 == 1 && k / 2 < 11) sine[k / 2] = sign / factorial;
            if (k % 2 == 0 && k / 2 < 12) cosine[k / 2] = sign / factorial;
            if (k < 19) exponential[k] = 1.0L / factorial;
        }
        exponential[0] = 1.0L;
        cosine[0] = 1.0L;
        sine[0] = 1.0L;
    }
};
constexpr Coefficients coefficients;

// On |r| <= pi/4 the first omitted term is below 2^-72 of the result.
long double sinSeries(long double r) {
    const long double r2 = r * r;
    long double p = coefficients.sine[10];
    for (int k = 9; k >= 1; --k) p = p * r2 + coefficients.sine[k];
    return r + r * (r2 * p);
}

long double cosSeries(long double r) {
    const long double r2 = r * r;
    long double p = coefficients.cosine[11];
    for (int k = 10; k >= 1; --k) p = p * r2 + coefficients.cosine[k];
    return 1.0L + r2 * p;
}

// 2^k, exactly, for the exponents of normal extended values.
long double powerOfTwo(int k) {
    if (k < -16382 || k > 16383) return std::ldexp(1.0L, k);
    const uint64_t significand = 0x8000000000000000u;
    const uint16_t exponent = static_cast<uint16_t>(16383 + k);
    long double v = 0.0L;
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &exponent, 2);
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// Reduces x to r in [-pi/4, pi/4] and the quadrant q (0..3) with x = q pi/2 + r modulo 2 pi.
long double reduce(long double x, int& quadrant) {
    const long double k = VX_round_ext(x * twoOverPi);
    quadrant = static_cast<int>(static_cast<long long>(k) & 3);
    return ((x - k * pio2Hi) - k * pio2Mid) - k * pio2Lo;
}

long double sinCos(long double x, int shift) {
    if (std::isnan(x) || std::isinf(x)) return x - x; // NaN
    if (!(std::fabs(x) < 0x1p61L)) return 0.0L;       // no meaningful phase is left
    int q;
    const long double r = reduce(x, q);
    switch ((q + shift) & 3) {
    case 0:
        return sinSeries(r);
    case 1:
        return cosSeries(r);
    case 2:
        return -sinSeries(r);
    default:
        return -cosSeries(r);
    }
}

} // namespace

long double VX_sin_ext(long double x) {
    return sinCos(x, 0);
}

long double VX_cos_ext(long double x) {
    return sinCos(x, 1);
}

long double VX_exp_ext(long double x) {
    if (std::isnan(x)) return x;
    if (x > 11357.0L) return HUGE_VALL;
    if (x < -11500.0L) return 0.0L;
    const long double k = VX_round_ext(x * invLn2);
    const long double r = (x - k * ln2Hi) - k * ln2Lo; // |r| <= ln2 / 2
    // Taylor series: the first omitted term is below 2^-80 of the result.
    long double s = coefficients.exponential[18];
    for (int i = 17; i >= 0; --i) s = s * r + coefficients.exponential[i];
    const int e = static_cast<int>(k);
    // Results far down toward the subnormals are scaled in two steps, each exact or rounded once.
    if (e < -16382) return (s * powerOfTwo(-16382)) * powerOfTwo(e + 16382);
    return s * powerOfTwo(e);
}
