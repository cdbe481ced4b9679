// Combines two buffers sample by sample: add (saturating), sub (wrapping), mul and div (x.24,
// saturating), written through the output mode.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Oper : public VX_Effect {
public:
    VX_Buffer* input1 = nullptr;
    VX_Buffer* input2 = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> operation{0}; // VX_Oper

    void process() override; // [audio thread]
};

extern const VX_Option_Entry VX_Effect_Oper_options[];
