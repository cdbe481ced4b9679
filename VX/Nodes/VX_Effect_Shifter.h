// What the two pitch shifters share: a short delay line whose read position sweeps on
// continuously, read by two taps half a sweep apart and crossfaded with sine-squared windows,
// so that each tap is silent when it jumps back. Positions and the speed are in 1/16384 sample.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Shifter : public VX_Effect {
public:
    static constexpr int32_t ringSize = 8192;
    static constexpr uint32_t ringMask = ringSize - 1;

    VX_Buffer* input = nullptr;
    VX_Buffer* output = nullptr;
    // Moves backwards by one per sample; the newest sample is here. [audio thread]
    uint32_t writeIndex = 0;
    VX_Shared<int32_t> phase{0}; // phi: moved on by every block, set by "-p"
    int32_t inputRing[ringSize] = {};
    int32_t outputRing[ringSize] = {}; // used by the normalising shifter only
    VX_Shared<int32_t> speed{0};
    VX_Shared<int32_t> sweep{0x800000}; // W: 512 samples

    // W = fs x 512 / 48000 samples.
    void clockChanged() override;
    void reset() override; // [audio thread]

protected:
    // What a block runs with: the phase it moves on, and the speed and sweep read once.
    struct Sweep {
        int32_t phase;
        int32_t speed;
        int32_t sweep;
    };
    Sweep beginBlock() const { return {phase, speed, sweep}; }
    // Keeps the phase the block reached, unless "-p" set one meanwhile, which then wins.
    void endBlock(const Sweep& block, int32_t startPhase) {
        phase.replace(startPhase, block.phase);
    }
    struct Windows {
        double rising;  // w1, for the tap at phi
        double falling; // w2, for the tap at phi + W
    };
    // Writes x into the ring and moves the phase on by the speed, back into [0, W).
    void advance(Sweep& block, int32_t x);
    // sin^2 of pi phi / 2W and of pi (phi + W) / 2W; they add up to 1.
    static Windows windows(const Sweep& block);
    // The ring read a delay back, in 1/16384 sample: the two neighbouring samples D and D + 1
    // back, weighted by the fraction. Indices are masked, so any delay stays in the ring.
    static int32_t tapCoarse(const int32_t* ring, uint32_t w, int32_t delay);
    static int32_t tapFine(const int32_t* ring, uint32_t w, int32_t delay);
};

VX_value VX_shifter_input_option(VX_Object* o, VX_value v);
VX_value VX_shifter_output_option(VX_Object* o, VX_value v);
VX_value VX_shifter_speed_option(VX_Object* o, VX_value v);
VX_value VX_shifter_phase_option(VX_Object* o, VX_value v);
