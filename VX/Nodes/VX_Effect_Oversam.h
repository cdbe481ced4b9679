// Eightfold upsampler: eight output samples per input sample by cubic interpolation between
// the last input samples, lagging the input by two input samples.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Oversam : public VX_Effect {
public:
    static constexpr int32_t ratio = 8;

    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    int32_t factor = 1; // reported only: the ratio is fixed at 8
    // The last three input samples divided by 8, and the central-difference slopes at m0 and m1.
    int32_t m0 = 0, m1 = 0, m2 = 0, d = 0, e = 0;

    void process() override;                            // [audio thread]
    void reset() override { m0 = m1 = m2 = d = e = 0; } // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Oversam_options[];
