// Signals and measurements for the DSP tests: deterministic integer noise and sweeps (the same
// bits on every target), multi-tone test signals, the amplitude of one frequency, checksums.
// The graph the tests run is the plug-in's own, plugin/highpass_graph.h.
#pragma once

#include "VX/VX.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Integer noise from a fixed-seed xorshift generator: uniform over [-amplitude, amplitude).
class IntegerNoise {
public:
    explicit IntegerNoise(uint32_t seed = 0x9E3779B9u) : state(seed ? seed : 1) {}
    uint32_t nextBits();
    int32_t next(int32_t amplitude);
    std::vector<int32_t> block(size_t n, int32_t amplitude);

private:
    uint32_t state;
};

// A linear chirp computed in integers only: the phase advances by an increment that grows
// from `startIncrement` to `endIncrement` (phase units of 2^-32 cycles per sample) and the
// waveform is a parabolic approximation of a sine with the given amplitude.
std::vector<int32_t> integerSweep(size_t n, uint32_t startIncrement, uint32_t endIncrement,
                                  int32_t amplitude);
// The phase increment of a frequency in hertz at a sample rate.
uint32_t phaseIncrement(double frequency, double sampleRate);

// A sum of sines that each complete a whole number of cycles in `period` samples, so that it
// repeats every `period` samples and each tone falls exactly on one analysis bin. Phases are
// spread (Schroeder) to keep the peak low. Rounded to integers.
std::vector<int32_t> multiTone(size_t n, size_t period, const std::vector<int64_t>& cycles,
                               double amplitudeEach);
// One sine with a whole number of cycles per period.
std::vector<int32_t> tone(size_t n, size_t period, int64_t cycles, double amplitude);

// Measures the amplitude of the component with `cycles` cycles in a window of `period`
// samples (an exact DFT bin).
class ToneAnalyzer {
public:
    explicit ToneAnalyzer(size_t period);
    double amplitude(const int32_t* window, int64_t cycles) const;
    size_t period() const { return cosines.size(); }

private:
    std::vector<double> cosines; // cos(2 pi k / period)
    std::vector<double> sines;
};

double decibels(double ratio);

// FNV-1a over the samples' bytes in little-endian order.
uint64_t fnv1a(const int32_t* samples, size_t n, uint64_t hash = 14695981039346656037ull);
