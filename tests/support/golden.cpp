#include "support/golden.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace golden {

std::vector<size_t> positions(size_t n, size_t count) {
    std::vector<size_t> at;
    if (n == 0) return at;
    if (count > n) count = n;
    for (size_t i = 0; i < count; ++i) at.push_back(count == 1 ? 0 : i * (n - 1) / (count - 1));
    return at;
}

namespace {

std::string text(int32_t v) {
    return std::to_string(v);
}

std::string text(float v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.9gf", static_cast<double>(v));
    return t;
}

// Bits, not values: -0.0 and 0.0, or two NaNs, are not the same output.
template <typename T> bool same(T a, T b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string hex(uint64_t v) {
    char t[24];
    std::snprintf(t, sizeof t, "0x%016" PRIx64, v);
    return t;
}

template <typename T>
testing::AssertionResult compare(uint64_t checksum, const std::vector<T>& samples,
                                 uint64_t expected, const std::vector<T>& excerpt) {
    const std::vector<size_t> at = positions(samples.size(), excerpt.size());
    // Without an excerpt a failure could not be read: none kept is a failure of its own.
    bool excerptMatches = !excerpt.empty() && at.size() == excerpt.size();
    for (size_t k = 0; excerptMatches && k < at.size(); ++k)
        excerptMatches = same(samples[at[k]], excerpt[k]);
    if (checksum == expected && excerptMatches) return testing::AssertionSuccess();

    std::string m = "checksum " + hex(checksum) + ", expected " + hex(expected) + ", over " +
                    std::to_string(samples.size()) + " samples\n";
    size_t k = 0;
    while (k < at.size() && k < excerpt.size() && same(samples[at[k]], excerpt[k])) ++k;
    if (k < at.size() && k < excerpt.size()) {
        const double off = static_cast<double>(samples[at[k]]) - static_cast<double>(excerpt[k]);
        char by[48];
        std::snprintf(by, sizeof by, "%.9g", off);
        m += "the output first differs from the excerpt at sample " + std::to_string(at[k]) + ": " +
             text(samples[at[k]]) + " instead of " + text(excerpt[k]) + ", off by " + by;
        m += k > 0 ? " (sample " + std::to_string(at[k - 1]) + " still matched)\n"
                   : " (the first sample)\n";
    } else if (excerpt.empty()) {
        m += "no excerpt is kept beside the checksum\n";
    } else {
        m += "all " + std::to_string(excerpt.size()) +
             " samples of the excerpt match: the output differs between them\n";
    }
    m += "the excerpt now: {";
    const std::vector<size_t> now =
        positions(samples.size(), excerpt.empty() ? 16 : excerpt.size());
    for (size_t i = 0; i < now.size(); ++i) m += (i ? ", " : "") + text(samples[now[i]]);
    return testing::AssertionFailure() << m << "}";
}

} // namespace

testing::AssertionResult matches(uint64_t checksum, const std::vector<int32_t>& samples,
                                 uint64_t expected, const std::vector<int32_t>& excerpt) {
    return compare(checksum, samples, expected, excerpt);
}

testing::AssertionResult matches(uint64_t checksum, const std::vector<float>& samples,
                                 uint64_t expected, const std::vector<float>& excerpt) {
    return compare(checksum, samples, expected, excerpt);
}

} // namespace golden
