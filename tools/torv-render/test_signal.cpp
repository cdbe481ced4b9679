#include "test_signal.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace exact {
namespace {
constexpr double ln2Hi = 6.93147180369123816490e-01; // ln 2 split so that k * ln2Hi is exact
constexpr double ln2Lo = 1.90821492927058770002e-10;
constexpr double halfPi = 1.57079632679489661923;

// 1/n! for the series below, from exact products and one rounded division each.
struct InverseFactorials {
    double value[19];
    InverseFactorials() {
        double f = 1.0;
        for (int n = 0; n < 19; ++n) {
            if (n > 0) f *= n;
            value[n] = 1.0 / f;
        }
    }
};
const InverseFactorials inverse;

// sin and cos on [0, pi/4] by their Taylor series (terms below 1e-18 dropped).
double sinSmall(double x) {
    const double x2 = x * x;
    double s = inverse.value[17];
    for (int n = 15; n >= 3; n -= 2) s = inverse.value[n] - x2 * s;
    return x - x * x2 * s;
}
double cosSmall(double x) {
    const double x2 = x * x;
    double c = inverse.value[18];
    for (int n = 16; n >= 2; n -= 2) c = inverse.value[n] - x2 * c;
    return 1.0 - x2 * c;
}
} // namespace

double sin2pi(double cycles) {
    const double u = cycles - std::floor(cycles);
    const double v = u * 4.0;
    const double q = std::floor(v);
    const double r = v - q; // position within the quadrant, [0, 1)
    const double s = r <= 0.5 ? sinSmall(r * halfPi) : cosSmall((1.0 - r) * halfPi);
    const double c = r <= 0.5 ? cosSmall(r * halfPi) : sinSmall((1.0 - r) * halfPi);
    switch (static_cast<int>(q)) {
    case 0:
        return s;
    case 1:
        return c;
    case 2:
        return -s;
    default:
        return -c;
    }
}

double exp(double x) {
    const double k = std::floor(x / (ln2Hi + ln2Lo) + 0.5);
    const double r = (x - k * ln2Hi) - k * ln2Lo; // |r| <= 0.35
    double p = 1.0;
    for (int n = 22; n >= 1; --n) p = 1.0 + p * r / n;
    return std::ldexp(p, static_cast<int>(k));
}

double log(double x) {
    int e = 0;
    double m = std::frexp(x, &e); // [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        e -= 1;
    }
    const double s = (m - 1.0) / (m + 1.0); // |s| < 0.172
    const double s2 = s * s;
    double t = 0.0;
    for (int n = 31; n >= 1; n -= 2) t = 1.0 / n + s2 * t;
    return (e * ln2Hi + 2.0 * s * t) + e * ln2Lo;
}
} // namespace exact

namespace {
// splitmix64: a fixed, portable sequence.
uint64_t nextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

size_t framesOf(double seconds, double rate) {
    return static_cast<size_t>(std::floor(seconds * rate + 0.5));
}
} // namespace

double TestSignal::sweepEndHz() const {
    return std::fmin(endHz, 0.45 * sampleRate);
}

size_t TestSignal::sweepFrames() const {
    return framesOf(sweepSeconds, sampleRate);
}

size_t TestSignal::frames() const {
    return sweepFrames() + framesOf(noiseSeconds, sampleRate);
}

std::string TestSignal::describe() const {
    char text[200];
    std::snprintf(text,
                  sizeof text,
                  "logarithmic sweep %g Hz to %g Hz over %g s, then white noise for %g s; "
                  "peak %g (%.1f dBFS)",
                  startHz,
                  sweepEndHz(),
                  sweepSeconds,
                  noiseSeconds,
                  static_cast<double>(level),
                  20.0 * std::log10(static_cast<double>(level)));
    return text;
}

std::vector<float> TestSignal::generate() const {
    std::vector<float> out(frames());
    const size_t sweep = sweepFrames();
    // Phase in cycles of an exponential sweep: f0 L (e^(t/L) - 1), L = T / ln(f1/f0).
    const double f0 = startHz, f1 = sweepEndHz();
    const double L = sweepSeconds / exact::log(f1 / f0);
    const size_t fade = framesOf(0.01, sampleRate); // 10 ms ramps against clicks
    for (size_t n = 0; n < sweep; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        const double phase = f0 * L * (exact::exp(t / L) - 1.0);
        double gain = level;
        if (n < fade) gain *= static_cast<double>(n) / fade;
        if (sweep - n <= fade) gain *= static_cast<double>(sweep - 1 - n) / fade;
        out[n] = static_cast<float>(gain * exact::sin2pi(phase));
    }
    uint64_t state = 0x746F7276; // a fixed seed: the signal is part of the reference renders
    for (size_t n = sweep; n < out.size(); ++n) {
        // 24 random bits give a float in [-1, 1) exactly.
        const double u = static_cast<double>(nextRandom(state) >> 40) / 8388608.0 - 1.0;
        out[n] = static_cast<float>(u * level);
    }
    return out;
}
