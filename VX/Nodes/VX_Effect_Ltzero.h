// Bounds a signal from above: every sample above the level is lowered to it. With level 0 it
// keeps the negative half of the signal.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Ltzero : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> level{0}; // raw sample units

    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Ltzero_options[];
