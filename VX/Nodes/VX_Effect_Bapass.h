// Second-order band-pass with its centre at f and its band edges at f * q and f / q, unity
// gain at the centre. Computes in 32-bit fixed point (the default) or in floating point.
// Subtracted from a first-order high-pass of the same corner it leaves a third-order
// Butterworth high-pass.
//
// The coefficients are published as one set: a block runs entirely with the set computed from
// the newest f, q and clock, or, while a change is being written, with the set the last block
// had; never with some words of each.
#pragma once

#include "VX/Kernels/VX_kernels.h"
#include "VX/VX_Effect.h"

class VX_Effect_Bapass : public VX_Effect {
public:
    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    int32_t error = 0; // the first nonzero status of the integer kernel [audio thread]
    VX_Shared<float> frequency{0.0f};
    VX_Shared<float> q{0.0f};
    VX_Shared<bool> floating{false};

    struct Coefficients {
        double k0 = 0.0, k1 = 0.0, k2 = 0.0; // floating coefficients
        // Band-pass design values, kept for inspection: G = fs D / 2 and H = fs^2 P, with
        // D = (wU - wL) / (wU wL) and P = 1 / (wU wL).
        double g = 0.0, h = 0.0;
        int32_t c0 = 0, c1 = 0, c2 = 0; // k0 * 2^30, k1 * 2^31, k2 * 2^31
    };
    VX_Published<Coefficients> coefficients;

    // The state of each arithmetic. [audio thread]
    VX_Kern_Twopole_State state; // x1, x2, y1, y2
    double fx1 = 0.0, fx2 = 0.0, fy1 = 0.0, fy2 = 0.0;

    void process() override; // [audio thread]
    void clockChanged() override { updateCoefficients(); }
    void reset() override; // [audio thread]

    // Recomputes every coefficient from f, q and the clock; values that give no band (q of 0
    // or 1, f or clock of 0, NaN) keep the previous coefficients.
    void updateCoefficients();
    // The set that f, q and the clock give, into `set`; false for values that give no band.
    static bool coefficientsFor(float frequency, float q, int32_t clock, Coefficients& set);
    // The set a block runs with, whole: the newest, or the last block's while one is being
    // written. Once per block. [audio thread]
    const Coefficients& takeBlockSet() {
        coefficients.refresh(blockSet, blockSetCount);
        return blockSet;
    }

private:
    Coefficients blockSet;               // the set of the last block [audio thread]
    uint32_t blockSetCount = UINT32_MAX; // its publication count: none yet
};

extern const VX_Option_Entry VX_Effect_Bapass_options[];
