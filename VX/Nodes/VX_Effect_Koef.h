// Combines a buffer with a constant: add and sub (wrapping), mul and div (x.24, saturating),
// written through the output mode.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Koef : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> operation{0}; // VX_Oper
    VX_Shared<int32_t> k{0};

    void process() override; // [audio thread]

    // "-k" takes its value in units of 2^31 / 127 samples: k = trunc(value / 127 * 2^31),
    // computed in extended precision. Values whose scaled form does not fit in 32 bits (from
    // +-127 on) stick at the ends of the range rather than wrap to the other sign.
    static int32_t scaled(float value);
};

extern const VX_Option_Entry VX_Effect_Koef_options[];
