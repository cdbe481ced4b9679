// Soft clipper with a slowly moving bias: the signal is limited to a ceiling D whose upper
// fraction s is a soft knee, and the bias follows the part that was clipped away, so that a
// lopsided signal is re-centred at the rate k. The shaper's limits and tracking coefficient are
// published as one set.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Dist : public VX_Effect {
public:
    VX_Effect_Dist();

    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    int32_t bias = 0;                       // [audio thread]
    VX_Shared<float> rate{0.0f};            // k, referred to 48 kHz
    VX_Shared<int32_t> ceiling{0x01000000}; // D = "-d" x 2^29
    VX_Shared<double> softness{0.5};        // s
    VX_Shared<int32_t> flags{0};
    int32_t kneeShift = 1; // never changed
    struct Shape {
        int32_t limit = 0;                // L
        int32_t knee = 0;                 // H
        int32_t coefficient = 0x04000000; // tracking rate of the bias, 1.32 of a sample per sample
    };
    VX_Published<Shape> shape;

    void process() override; // [audio thread]
    void clockChanged() override { updateCoefficient(); }
    void reset() override { bias = 0; } // [audio thread]

    // L = trunc(D (1 - s)), H = (D - L) / 2.
    void updateLimits();
    // The bias's tracking coefficient from k and the clock; kept while the clock is 0.
    void updateCoefficient();

private:
    Shape blockShape; // the set of the last block [audio thread]
};

extern const VX_Option_Entry VX_Effect_Dist_options[];
