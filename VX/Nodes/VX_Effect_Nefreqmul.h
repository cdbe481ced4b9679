// The smoother frequency multiplier: it accepts only zero crossings whose slope fits the recent
// average (or that end a period longer than the latency), alternates forward and time-reversed
// copies of each period, and blends the last copy into the next period so that the joins stay
// continuous.
//
// Reads and writes the buffers' main arrays directly, without the on/off crossfade.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Nefreqmul : public VX_Effect {
public:
    static constexpr int32_t ringSize = 32768;
    static constexpr uint32_t ringMask = ringSize - 1;

    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> factor{2}; // k, within 1 .. VX_Effect_Freqmul::maxFactor
    float latency = 0.02f;        // seconds between writing and reading
    uint32_t writeIndex = 0;      // w
    uint32_t readIndex = 0;       // r
    uint32_t periodStart = 0;     // p
    int32_t ring[ringSize] = {};
    int32_t previous = -1;            // the last input sample
    double slope = 0.0;               // S, the average rise at accepted crossings
    VX_Shared<double> tolerance{0.6}; // smallest accepted rise relative to S ("-rand")
    VX_Shared<double> smoothing{0.7}; // weight of the old average ("-stab")

    void process() override; // [audio thread]
    void reset() override;   // [audio thread]

private:
    // Writes the k - 1 copies of the period p .. end - 1 after it.
    void repeatPeriod(uint32_t& w, uint32_t end, int32_t x, int32_t k);
};

extern const VX_Option_Entry VX_Effect_Nefreqmul_options[];
