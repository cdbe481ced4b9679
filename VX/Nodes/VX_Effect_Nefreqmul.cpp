#include "VX/Nodes/VX_Effect_Nefreqmul.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_Effect_Freqmul.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

#include <algorithm>
#include <iterator>

void VX_Effect_Nefreqmul::reset() {
    std::fill(std::begin(ring), std::end(ring), 0);
    slope = 0.0;
}

// Odd copies run forward. Even copies run backwards through the period, mirrored about
// x + prev, so that they start at x and meet the forward copies without a jump; the last copy
// blends from the mirrored period into the forward one.
void VX_Effect_Nefreqmul::repeatPeriod(uint32_t& w, uint32_t end, int32_t x, int32_t k) {
    const uint32_t p = periodStart;
    const uint32_t length = (end - p) & ringMask;
    const double L = length;
    const int32_t pivot =
        static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(previous));
    const int32_t copies = k - 1;
    for (int32_t j = 0; j < copies; ++j) {
        uint32_t src = p, back = (end - 1) & ringMask;
        for (uint32_t i = 0; i < length; ++i) {
            const int32_t m = ring[src];
            const double t = static_cast<int32_t>(static_cast<uint32_t>(pivot) -
                                                  static_cast<uint32_t>(ring[back]));
            double v;
            if (j % 2 == 1)
                v = m;
            else if (j == copies - 1)
                v = (i * static_cast<double>(m) + (L - i) * t) / L;
            else
                v = t - static_cast<double>(pivot) * i / L;
            ring[w] = VX_trunc32_double(v);
            w = (w + 1) & ringMask;
            src = (src + 1) & ringMask;
            back = (back - 1) & ringMask;
        }
    }
}

void VX_Effect_Nefreqmul::process() {
    const int32_t n = VX_common_length(input, output);
    if (n <= 0 || !input->main || !output->main) return;
    const int32_t* in = input->main;
    int32_t* out = output->main;
    // The single-precision latency times the clock, exactly: 881.99998 samples at 44100 Hz.
    const double latencySamples = static_cast<double>(clock) * static_cast<double>(latency);
    // Every shared word once: the whole block runs with one set of them.
    const int32_t factorNow = factor, m = mode;
    const double minimumRatio = tolerance, weight = smoothing;
    uint32_t w = writeIndex;

    for (int32_t i = 0; i < n; ++i) {
        const int32_t x = in[i];
        w = (w + 1) & ringMask;
        bool cross = previous < 0 && x >= 0;
        const double rise =
            static_cast<int32_t>(static_cast<uint32_t>(x) - static_cast<uint32_t>(previous));
        if (cross && slope > 0.1) {
            const double ratio = rise / slope;
            cross = (ratio <= 1.0 && ratio >= minimumRatio) ||
                    static_cast<double>((w - periodStart) & ringMask) > latencySamples;
        }
        if (cross) {
            repeatPeriod(w, w, x, factorNow);
            periodStart = w;
            slope = (1.0 - weight) * rise + weight * slope;
        }
        ring[w] = x;
        previous = x;
    }
    writeIndex = w;

    const uint32_t k = static_cast<uint32_t>(factorNow);
    uint32_t pos =
        (readIndex - static_cast<uint32_t>(VX_trunc32(latencySamples * factorNow))) & ringMask;
    if (m == VX_MODE_SET) {
        for (int32_t i = 0; i < n; ++i, pos = (pos + k) & ringMask) out[i] = ring[pos];
    } else if (m == VX_MODE_ADD) {
        for (int32_t i = 0; i < n; ++i, pos = (pos + k) & ringMask)
            out[i] = static_cast<int32_t>(static_cast<uint32_t>(out[i]) +
                                          static_cast<uint32_t>(ring[pos]));
    }
    // Other modes leave the output as it is; the read index moves on all the same.
    readIndex = (readIndex + static_cast<uint32_t>(n) * k) & ringMask;
}

namespace {

VX_Effect_Nefreqmul* self(VX_Object* o) {
    return static_cast<VX_Effect_Nefreqmul*>(o);
}

VX_Object* create() {
    return new VX_Effect_Nefreqmul();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value factorOption(VX_Object* o, VX_value v) {
    return VX_freqmul_factor_option(self(o)->factor, v);
}

VX_value toleranceOption(VX_Object* o, VX_value v) {
    VX_take_double(self(o)->tolerance, v);
    return VX_value::real(static_cast<float>(self(o)->tolerance));
}

VX_value smoothingOption(VX_Object* o, VX_value v) {
    VX_take_double(self(o)->smoothing, v);
    return VX_value::real(static_cast<float>(self(o)->smoothing));
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Nefreqmul_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("k", factorOption),
    VX_OPTION("rand", toleranceOption),
    VX_OPTION("stab", smoothingOption),
    VX_PARENT(VX_Effect_options),
};
