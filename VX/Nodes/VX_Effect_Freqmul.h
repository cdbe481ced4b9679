// Raises the pitch of a roughly periodic signal by an integer factor k without changing its
// duration: the input is cut into periods at its upward zero crossings, each period is written
// k times into a ring, and the ring is read k samples at a time, a fixed latency behind.
//
// Reads and writes the buffers' main arrays directly, without the on/off crossfade.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Freqmul : public VX_Effect {
public:
    static constexpr int32_t ringSize = 16384;
    static constexpr uint32_t ringMask = ringSize - 1;
    // The factor is kept within 1 .. maxFactor: 0 or less would repeat a period (k - 1)
    // times with k - 1 negative, and beyond this the ring no longer holds the periods being
    // read in one block while every crossing costs (k - 1) copies of a period.
    static constexpr int32_t maxFactor = 64;

    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> factor{2}; // k
    float latency = 0.02f;        // seconds between writing and reading
    uint32_t writeIndex = 0;      // w
    uint32_t readIndex = 0;       // r
    uint32_t periodStart = 0;     // p
    int32_t ring[ringSize] = {};
    int32_t previous = -1; // the last input sample

    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Freqmul_options[];

// Takes "-k" for both frequency multipliers: truncated toward zero, kept within 1 .. maxFactor.
VX_value VX_freqmul_factor_option(VX_Shared<int32_t>& factor, const VX_value& v);
