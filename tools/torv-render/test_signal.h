// The built-in test signal: a logarithmic sine sweep followed by white noise. It is computed
// with basic arithmetic only (no library sin/exp, whose last bits differ between runtimes), so
// every platform renders the same samples bit for bit.
#pragma once

#include <string>
#include <vector>

struct TestSignal {
    double sampleRate = 48000.0;
    double sweepSeconds = 10.0;
    double noiseSeconds = 2.0;
    float level = 0.5f; // peak of the sweep and of the noise (-6 dBFS)
    double startHz = 20.0;
    double endHz = 20000.0; // lowered to 0.45 of the sample rate where that is below

    double sweepEndHz() const;
    size_t sweepFrames() const;
    size_t frames() const;
    std::string describe() const;
    std::vector<float> generate() const;
};

// Helpers with results that are the same bits on every IEEE-754 machine, exposed for tests.
namespace exact {
double sin2pi(double cycles); // sin(2 pi x)
double exp(double x);
double log(double x); // x > 0
} // namespace exact
