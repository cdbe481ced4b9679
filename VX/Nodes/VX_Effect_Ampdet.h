// Envelope follower: |x| to a rectified output, and an envelope that rises toward |x| at one
// rate and falls at another, written through the output mode. The two coefficients are
// published as one set.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Ampdet : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Buffer* rectified = nullptr;
    VX_Shared<float> rise{0.0f}; // f1, Hz
    VX_Shared<float> fall{0.0f}; // f2, Hz
    struct Coefficients {
        int32_t rise = 0; // 1.31
        int32_t fall = 0;
    };
    VX_Published<Coefficients> coefficients;
    int32_t envelope = 0; // [audio thread]

    void process() override; // [audio thread]
    void clockChanged() override { updateCoefficients(); }
    void reset() override { envelope = 0; } // [audio thread]

    // Both coefficients from the frequencies and the clock; with no clock they are kept.
    void updateCoefficients();
    // 2^31 x 2 pi f / (2 pi f + fs): the backward-Euler one-pole factor. 0 Hz follows at once
    // (0x7FFFFFFF).
    static int32_t coefficientFor(float frequency, int32_t clock);

private:
    Coefficients blockSet; // the set of the last block [audio thread]
};

extern const VX_Option_Entry VX_Effect_Ampdet_options[];
