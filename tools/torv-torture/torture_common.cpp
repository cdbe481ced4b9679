#include "torture.h"

#include <cmath>
#include <cstring>
#include <cstdarg>
#include <cstdio>

void CheckReport::expect(bool ok, const std::string& text) {
    text_ += std::string(ok ? "    ok    " : "    FAIL  ") + text + "\n";
    passed_ = passed_ && ok;
}

std::string format(const char* fmt, ...) {
    char text[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

void SignalStats::add(const float* x, size_t n) {
    samples += n;
    for (size_t i = 0; i < n; ++i) {
        switch (std::fpclassify(x[i])) {
        case FP_NAN:
        case FP_INFINITE:
            ++nonFinite;
            continue;
        case FP_SUBNORMAL:
            ++subnormal;
            break;
        default:
            break;
        }
        peak = std::fmax(peak, std::fabs(x[i]));
    }
}

void SignalStats::addStereo(const float* left, const float* right, size_t n) {
    add(left, n);
    add(right, n);
    for (size_t i = 0; i < n; ++i) channelsDiffer += std::memcmp(&left[i], &right[i], 4) != 0;
}

std::string SignalStats::describe() const {
    std::string text = format("%zu samples, peak %.4g, %zu non-finite, %zu subnormal",
                              samples,
                              static_cast<double>(peak),
                              nonFinite,
                              subnormal);
    if (channelsDiffer) text += format(", the two outputs differ in %zu samples", channelsDiffer);
    return text;
}

std::vector<float> whiteNoise(size_t n, float level, uint64_t seed) {
    std::vector<float> x(n);
    for (float& v : x) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        v = level * (static_cast<float>(seed >> 40) / 8388608.0f - 1.0f);
    }
    return x;
}

std::vector<float> process(Plugin& plugin, const std::vector<float>& in, BlockSchedule schedule,
                           SignalStats* stats) {
    std::vector<float> left(in.size()), right(in.size());
    EffectRunner runner(plugin, schedule);
    runner.run(in.data(), left.data(), right.data(), in.size());
    if (stats) stats->addStereo(left.data(), right.data(), left.size());
    return left;
}
