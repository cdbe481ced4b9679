#include "support/signal.h"

#include <algorithm>
#include <cmath>
#include <cstring>

uint32_t IntegerNoise::nextBits() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

int32_t IntegerNoise::next(int32_t amplitude) {
    // The high bits times the range: uniform, with no division and no floating point.
    const uint64_t range = 2 * static_cast<uint64_t>(static_cast<uint32_t>(amplitude));
    return static_cast<int32_t>(static_cast<int64_t>((nextBits() * range) >> 32) - amplitude);
}

std::vector<int32_t> IntegerNoise::block(size_t n, int32_t amplitude) {
    std::vector<int32_t> out(n);
    for (auto& s : out) s = next(amplitude);
    return out;
}

std::vector<int32_t> integerSweep(size_t n, uint32_t startIncrement, uint32_t endIncrement,
                                  int32_t amplitude) {
    std::vector<int32_t> out(n);
    uint32_t phase = 0;
    const int64_t span = static_cast<int64_t>(endIncrement) - startIncrement;
    for (size_t i = 0; i < n; ++i) {
        // x in [-2^31, 2^31) is the phase as a signed fraction of half a cycle; the parabola
        // 4 x (1 - |x|) follows sin(pi x) within 6 %.
        const int64_t x = static_cast<int32_t>(phase);
        const int64_t absX = x < 0 ? -x : x;
        const int64_t parabola = (x * ((int64_t{1} << 31) - absX)) >> 29; // 2^31 * 4x(1-|x|)
        out[i] = static_cast<int32_t>((parabola * amplitude) >> 31);
        const int64_t increment =
            startIncrement +
            (n > 1 ? span * static_cast<int64_t>(i) / static_cast<int64_t>(n - 1) : 0);
        phase += static_cast<uint32_t>(increment);
    }
    return out;
}

uint32_t phaseIncrement(double frequency, double sampleRate) {
    return static_cast<uint32_t>(frequency / sampleRate * 4294967296.0);
}

std::vector<int32_t> multiTone(size_t n, size_t period, const std::vector<int64_t>& cycles,
                               double amplitudeEach) {
    const double pi = 3.14159265358979323846;
    std::vector<double> sum(n, 0.0);
    const size_t count = cycles.size();
    for (size_t k = 0; k < count; ++k) {
        const double phase = -pi * static_cast<double>(k * (k + 1)) / static_cast<double>(count);
        const uint64_t m = static_cast<uint64_t>(cycles[k]);
        for (size_t i = 0; i < n; ++i) {
            // The phase index is reduced modulo the period so that the argument stays exact.
            const uint64_t j = (m * i) % period;
            sum[i] +=
                amplitudeEach *
                std::sin(2 * pi * static_cast<double>(j) / static_cast<double>(period) + phase);
        }
    }
    std::vector<int32_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<int32_t>(std::lround(sum[i]));
    return out;
}

std::vector<int32_t> tone(size_t n, size_t period, int64_t cycles, double amplitude) {
    return multiTone(n, period, {cycles}, amplitude);
}

ToneAnalyzer::ToneAnalyzer(size_t period) : cosines(period), sines(period) {
    const double pi = 3.14159265358979323846;
    for (size_t k = 0; k < period; ++k) {
        const double x = 2 * pi * static_cast<double>(k) / static_cast<double>(period);
        cosines[k] = std::cos(x);
        sines[k] = std::sin(x);
    }
}

double ToneAnalyzer::amplitude(const int32_t* window, int64_t cycles) const {
    const size_t n = cosines.size();
    const uint64_t m = static_cast<uint64_t>(cycles) % n;
    double re = 0.0, im = 0.0;
    uint64_t j = 0;
    for (size_t i = 0; i < n; ++i) {
        re += window[i] * cosines[j];
        im += window[i] * sines[j];
        j += m;
        if (j >= n) j -= n;
    }
    return 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(n);
}

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

uint64_t fnv1a(const int32_t* samples, size_t n, uint64_t hash) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t v = static_cast<uint32_t>(samples[i]);
        for (int b = 0; b < 4; ++b) {
            hash ^= (v >> (8 * b)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}
