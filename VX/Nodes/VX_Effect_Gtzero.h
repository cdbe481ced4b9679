// Bounds a signal from below: every sample below the level is raised to it. With level 0 it
// keeps the positive half of the signal.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Gtzero : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> level{0}; // raw sample units

    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Gtzero_options[];
