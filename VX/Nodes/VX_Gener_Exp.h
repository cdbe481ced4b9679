// An envelope that holds at full level (2^25) for a start time, then decays exponentially
// with a time constant. Switching the node off and on again restarts it.
#pragma once

#include "VX/Nodes/VX_Gener.h"

class VX_Gener_Exp : public VX_Gener {
public:
    VX_Shared<float> start{0.0f}; // seconds at full level
    VX_Shared<float> time{0.0f};  // decay time constant, seconds
    int32_t counter = 0;          // samples since the last reset [audio thread]

    void process() override;               // [audio thread]
    void reset() override { counter = 0; } // [audio thread]
};

extern const VX_Option_Entry VX_Gener_Exp_options[];
