// Spectral noise gate. A profile of the side signal's magnitudes (one per bin, learned while
// averaging is on) sets a spectral-subtraction gain per bin; the gain's impulse response,
// transformed again, multiplies the incoming spectrum. The node builds what it needs inside
// itself: five transforms, a delay line that delays the side signal by 512 samples, and their
// buffers.
//
// Output 1 combines the incoming spectrum and the delayed side signal's spectrum with the gain
// spectra of the previous block, output 2 with those of this block.
#pragma once

#include "VX/VX_Effect.h"

class VX_Effect_Deline;
class VX_Fourier_Transform;

class VX_Fourier_Noisegate : public VX_Effect {
public:
    VX_Fourier_Noisegate();
    ~VX_Fourier_Noisegate() override;

    VX_Buffer* input = nullptr;   // a spectrum of N complex values (2N integers)
    VX_Buffer* delayed = nullptr; // C, owned: the side signal delayed
    VX_Buffer* side = nullptr;    // S: a block of samples
    VX_Buffer* profile = nullptr; // A, owned: N/2 + 1 magnitudes, reported by "-w"
    VX_Buffer* gains = nullptr;   // B, owned: N complex values
    VX_Buffer* output1 = nullptr;
    VX_Buffer* output2 = nullptr;
    VX_Fourier_Transform* sideSpectrum = nullptr;    // T4: forward, "sin" window, of S
    VX_Fourier_Transform* delayedSpectrum = nullptr; // T5: forward, of C
    VX_Fourier_Transform* impulse = nullptr;         // T1: backward, of B
    VX_Fourier_Transform* firstHalf = nullptr;       // T2: forward, of T1's first N integers
    VX_Fourier_Transform* secondHalf = nullptr;      // T3: forward, of T1's second N integers
    VX_Shared<bool> averaging{false};
    VX_Effect_Deline* delay = nullptr; // D: S into C, 512 samples later

    void process() override; // [audio thread]

    // Sizes everything for an input of the given length in integers: false (and nothing
    // changed) when it does not give a transform of 2 to 1024 points. [ui thread]
    bool setInputLength(int32_t length);
    // The transforms' point count N.
    int32_t points() const;
    // Gives output 1 or 2, if it has none, a buffer of the input's length that this node
    // owns. [ui thread]
    void makeOutput(int which);

private:
    VX_Buffer* ownedOutput1 = nullptr; // outputs this node made; given ones are not its own
    VX_Buffer* ownedOutput2 = nullptr;

    void combine(int32_t* out, const int32_t* in) const;
    void updateGains();
    void splitImpulse();
};

extern const VX_Option_Entry VX_Fourier_Noisegate_options[];
