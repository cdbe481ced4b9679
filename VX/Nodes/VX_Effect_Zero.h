// Clears its output buffer every block.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Zero : public VX_Effect {
public:
    VX_Buffer* output = nullptr;

    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Zero_options[];
