#include "plugin/highpass_law.h"

#include <cmath>
#include <cstdio>

namespace highpass_law {

float knobValue(float x, float mn, float mx) {
    return mn + x * (mx - mn);
}

float normalised(float v, float mn, float mx) {
    return mx != mn ? (v - mn) / (mx - mn) : 0.0f;
}

float cutoff(float v, float mn, float mx) {
    // The square spreads the low frequencies over most of the knob's travel.
    const float t = normalised(v, mn, mx);
    const float t2 = t * t;
    return (mx - mn) * t2 + mn;
}

float cutoffForNormalised(float x) {
    return cutoff(knobValue(x));
}

int32_t integerValue(float x, int32_t minimum, int32_t maximum) {
    const double span = static_cast<double>(maximum) - minimum + 0.999999999;
    const double v = static_cast<double>(x) * span + minimum;
    // Truncated toward zero keeping the low 32 bits, as every conversion of the effect; a value
    // beyond the 64-bit range gives 0.
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return 0;
    return static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(v))));
}

float integerNormalised(int32_t value, int32_t minimum, int32_t maximum) {
    return static_cast<float>((value - static_cast<double>(minimum) + 0.5) /
                              (static_cast<double>(maximum) - minimum + 1.0));
}

bool switchValue(float x) {
    return x > 0.5f;
}

namespace {

const char* spaceBefore(const char* unit) {
    return unit && unit[0] ? " " : "";
}

} // namespace

void displayInteger(char* text, size_t size, int32_t value, const char* unit) {
    if (size) std::snprintf(text, size, "%d%s%s", value, spaceBefore(unit), unit ? unit : "");
}

void displayFloat(char* text, size_t size, float value, const char* unit) {
    if (size)
        std::snprintf(
            text, size, "%f%s%s", static_cast<double>(value), spaceBefore(unit), unit ? unit : "");
}

void displaySwitch(char* text, size_t size, bool on) {
    if (size) std::snprintf(text, size, "%s", on ? stateOn : stateOff);
}

void labelSwitch(char* text, size_t size, const char* on, const char* off) {
    if (size) std::snprintf(text, size, "%s/%s", on, off);
}

// Written by hand: hosts automate from their audio threads, and the C runtime's printf may take
// a lock there (it does on Windows). Rounded to nearest, ties to even.
void readout(char* text, size_t size, float cutoffHz) {
    if (!size) return;
    const double v = std::nearbyint(static_cast<double>(cutoffHz));
    if (!(std::fabs(v) < 1e15)) {
        std::snprintf(text, size, "%.0f Hz", v); // not a cutoff the effect can have
        return;
    }
    char digits[24];
    int n = 0;
    for (auto u = static_cast<uint64_t>(std::fabs(v)); n == 0 || u != 0; u /= 10)
        digits[n++] = static_cast<char>('0' + u % 10);
    if (v < 0) digits[n++] = '-';
    size_t at = 0;
    while (n > 0 && at + 1 < size) text[at++] = digits[--n];
    for (const char* unit = " Hz"; *unit && at + 1 < size; ++unit) text[at++] = *unit;
    text[at] = 0;
}

double butterworthPowerGain(double hz, double cutoffHz) {
    const double r = hz / cutoffHz;
    const double r6 = r * r * r * r * r * r;
    return r6 / (1.0 + r6);
}

double butterworthDb(double hz, double cutoffHz) {
    // 10 log10(r6 / (1 + r6)) written so that deep stop-band values keep their precision.
    const double r = hz / cutoffHz;
    return 60.0 * std::log10(r) - 10.0 * std::log10(1.0 + std::pow(r, 6.0));
}

} // namespace highpass_law
