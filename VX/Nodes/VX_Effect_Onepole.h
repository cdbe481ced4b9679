// What the one-pole low-pass and high-pass share: the buffers, the corner frequency in hertz
// and the 0.32 coefficient of the one-pole kernels, recomputed when the frequency or the clock
// changes, and the state (the low-pass output of the previous sample).
//
// The coefficient is published whole: a block runs with the one computed from the newest
// frequency and clock, or, while a change is being written, with the one the last block had.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Onepole : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Shared<int32_t> frequency{0};
    VX_Published<uint32_t> coefficient;
    int32_t state = 0; // [audio thread]

    void clockChanged() override { updateCoefficient(); }
    void reset() override { state = 0; } // [audio thread]

    // The backward-Euler coefficient a / 2^32 = 2 pi f / (2 pi f + fs), computed in extended
    // precision and truncated. A frequency or clock of 0 keeps the previous coefficient.
    void updateCoefficient();
    static uint32_t coefficientFor(int32_t frequency, int32_t clock);
    // The coefficient a block runs with: the newest, or the last block's while a change is
    // being written. Once per block. [audio thread]
    uint32_t takeBlockCoefficient() {
        coefficient.refresh(blockCoefficient, blockCoefficientCount);
        return blockCoefficient;
    }

protected:
    // The samples of both buffers for this block and their common length, 0 when there is
    // nothing to process; and the coefficient the block runs with. [audio thread]
    int32_t block(const int32_t*& in, int32_t*& out, uint32_t& a);

private:
    uint32_t blockCoefficient = 0;               // the coefficient of the last block [audio thread]
    uint32_t blockCoefficientCount = UINT32_MAX; // its publication count: none yet
};

extern const VX_Option_Entry VX_Effect_Onepole_options[];
