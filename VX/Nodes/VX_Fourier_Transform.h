// Turns a sliding window of its input into a complex spectrum (forward), or a spectrum back
// into complex samples (backward), with a fixed-point radix-2 FFT of N = 2^(s+1) points whose
// butterflies run in extended precision. Complex data are pairs {re, im} of integers in a
// buffer whose length counts integers.
//
// The forward transform keeps the last N input samples in a history ring (its position is the
// history buffer's position) and divides by N; the backward one conjugates its input and does
// not scale. The work buffer, reported by "-w", holds the result.
#pragma once

#include "VX/VX_Effect.h"

#include <vector>

class VX_Fourier_Transform : public VX_Effect {
public:
    // The twiddle table covers 0 .. pi in 2048 steps: at most 4096 points.
    static constexpr int32_t maxExponent = 11;
    static constexpr int32_t twiddleCount = 2048;

    VX_Fourier_Transform();
    ~VX_Fourier_Transform() override;

    double averageCycles = 0.0; // running average of the FFT kernel's duration
    int32_t blockCounter = 0;   // blocks modulo 100
    VX_Buffer* input = nullptr;
    VX_Buffer* history = nullptr; // owned: N samples
    VX_Buffer* work = nullptr;    // owned: 2N integers, the output
    int32_t exponent = 0;         // s; no work buffer until "-s" sets it
    VX_Shared<bool> backward{false};
    VX_Shared<int32_t> window{0}; // 0 "none", 1 "sin"

    void process() override; // [audio thread]

    // Sizes the transform for 2^(s+1) points; refuses s outside 0 .. maxExponent. [ui thread]
    bool setExponent(int32_t s);
    int32_t points() const { return 1 << (exponent + 1); }
    // Runs one block over n input samples (forward) or the spectrum of n integers (backward;
    // missing values count as 0) into the work buffer's main array. [audio thread]
    void run(const int32_t* samples, int32_t n);
    void run(const int32_t* samples, int32_t n, int32_t* out);

    // The shared twiddle table: {cos, sin} of i pi / 2048 times 2147483647, for i < 2048. Built
    // once, by the first transform made.
    static const int32_t* twiddles();

private:
    std::vector<int32_t> reversed;  // bit-reversed index of every point
    std::vector<double> sinSquared; // the "sin" window's weights
};

extern const VX_Option_Entry VX_Fourier_Transform_options[];
