// Pulls the signal toward a reference level c while it stays above it: a gain state g grows
// while the input exceeds c and moves the output from the input toward c; when the input falls
// below c, g decays (slowly near 0) and the output follows the input again.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Lgd : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    double gain = 0.0;                // g [audio thread]
    VX_Shared<double> reference{0.1}; // c, in units of full scale (2^31)

    void process() override;              // [audio thread]
    void reset() override { gain = 0.0; } // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Lgd_options[];
