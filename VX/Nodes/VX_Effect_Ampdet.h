// Envelope follower: |x| to a rectified output, and an envelope that rises toward |x| at one
// rate and falls at another, written through the output mode.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Ampdet : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    VX_Buffer* rectified = nullptr;
    float rise = 0.0f;           // f1, Hz
    float fall = 0.0f;           // f2, Hz
    int32_t riseCoefficient = 0; // 1.31
    int32_t fallCoefficient = 0;
    int32_t envelope = 0;

    void process() override; // [audio thread]
    void clockChanged() override;
    void reset() override { envelope = 0; } // [audio thread]

    // 2^31 x 2 pi f / (2 pi f + fs): the backward-Euler one-pole factor. 0 Hz follows at once
    // (0x7FFFFFFF); with no clock the coefficient is kept.
    void updateCoefficient(int32_t& coefficient, float frequency) const;
};

extern const VX_Option_Entry VX_Effect_Ampdet_options[];
