// Number-to-text conversions for parameter displays: at most eight places (sign, digits and
// point together), so that a value fits the host's short display texts.
#include "plugin/vst/audioeffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char* const tooBig = "Huge!";
constexpr int places = 8;

int integerDigits(double magnitude) {
    int digits = 1;
    for (double i = std::floor(magnitude); i >= 10.0; i = std::floor(i / 10.0)) ++digits;
    return digits;
}

} // namespace

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    const double v = value;
    // Eight places hold at most 99999999, or a sign and 9999999; NaN fits nowhere either.
    if (!(v <= 99999999.0 && v >= -9999999.0)) {
        vst_strncpy(text, tooBig, maxLen);
        return;
    }
    const int used = (v < 0.0 ? 1 : 0) + 1 + integerDigits(std::fabs(v));
    const int decimals = used < places ? places - used : 0;
    // "#" keeps the point even without decimals: "12345678.". A float is never close enough
    // below a power of ten for the rounding to carry into a new digit.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%#.*f", decimals, v);
    vst_strncpy(text, buffer, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    if (value > 99999999 || value < -99999999) {
        vst_strncpy(text, tooBig, maxLen);
        return;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    vst_strncpy(text, buffer, maxLen);
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (value <= 0.0f)
        vst_strncpy(text, "-oo", maxLen);
    else
        float2string(
            static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    if (samples == 0.0f)
        float2string(0.0f, text, maxLen);
    else
        float2string(getSampleRate() / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text, maxLen);
}
