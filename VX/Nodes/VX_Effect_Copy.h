// Copies one buffer into another through the output mode, with steps on either side, so that
// it can pick one channel out of interleaved samples or spread one into them.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Copy : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> inputStep{1};
    VX_Shared<int32_t> outputStep{1};

    void process() override; // [audio thread]

    // How many samples fit both buffers with these steps: the input's length divided by its
    // step, no more than the output can take. 0 for steps that cannot work (an input step of 0
    // or below, an output step below 0, which would write before the output's start).
    static int32_t countFor(int32_t inputLength, int32_t outputLength, int32_t inputStep,
                            int32_t outputStep);
};

extern const VX_Option_Entry VX_Effect_Copy_options[];
