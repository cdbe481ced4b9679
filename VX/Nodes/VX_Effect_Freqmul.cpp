#include "VX/Nodes/VX_Effect_Freqmul.h"

#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

void VX_Effect_Freqmul::process() {
    const int32_t n = VX_common_length(input, output);
    if (n <= 0 || !input->main || !output->main) return;
    const int32_t* in = input->main;
    int32_t* out = output->main;
    const int32_t factorNow = factor; // one factor for the whole block
    const uint32_t k = static_cast<uint32_t>(factorNow);
    uint32_t w = writeIndex, p = periodStart;

    for (int32_t i = 0; i < n; ++i) {
        const int32_t x = in[i];
        w = (w + 1) & ringMask;
        if (previous < 0 && x >= 0) {
            // An upward zero crossing ends the period p .. w - 1: repeat it k - 1 times.
            const uint32_t end = w;
            for (uint32_t copy = 1; copy < k; ++copy)
                for (uint32_t src = p; src != end; src = (src + 1) & ringMask) {
                    ring[w] = ring[src];
                    w = (w + 1) & ringMask;
                }
            p = w;
        }
        ring[w] = x;
        previous = x;
    }
    writeIndex = w;
    periodStart = p;

    // The latency in samples is formed exactly (the product of the clock and the
    // single-precision latency fits a double), so 44100 Hz gives 881.99998, not 882.
    const double back = static_cast<double>(clock) * static_cast<double>(latency) + n * factorNow;
    uint32_t pos = (readIndex - static_cast<uint32_t>(VX_trunc32(back))) & ringMask;
    for (int32_t i = 0; i < n; ++i) {
        out[i] = ring[pos];
        pos = (pos + k) & ringMask;
    }
    readIndex = (readIndex + static_cast<uint32_t>(n) * k) & ringMask;
}

VX_value VX_freqmul_factor_option(VX_Shared<int32_t>& factor, const VX_value& v) {
    int32_t k = factor;
    if (VX_take_int(k, v)) factor = std::clamp(k, 1, VX_Effect_Freqmul::maxFactor);
    return VX_value::integer(factor);
}

namespace {

VX_Effect_Freqmul* self(VX_Object* o) {
    return static_cast<VX_Effect_Freqmul*>(o);
}

VX_Object* create() {
    return new VX_Effect_Freqmul();
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

} // namespace

constinit const VX_Option_Entry VX_Effect_Freqmul_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("k", factorOption),
    VX_PARENT(VX_Effect_options),
};
