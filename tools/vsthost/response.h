// Frequency response of the high-pass effect: a measurement with settled sine bursts run through
// the effect, beside the ideal analogue curve of the effect's own law (plugin/highpass_law.h:
// the third-order Butterworth prototype, and the cutoff the Frequency parameter gives).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace response {

// `points` frequencies spaced evenly on a logarithmic axis, both ends included.
std::vector<double> logSpaced(double fromHz, double toHz, int points);
// "100,1000,5000" or "log:<from>:<to>:<points>"; frequencies must be positive and finite.
bool parseFrequencies(const std::string& text, std::vector<double>& out, std::string& error);

// Least-squares fit y = a sin(wn) + b cos(wn) + c at a known frequency, in cycles per sample.
// Exact for a steady sinusoid whatever the number of periods in the window.
struct SineFit {
    double amplitude = 0.0;
    double offset = 0.0;
};
SineFit fitSine(const float* y, size_t n, double cyclesPerSample);

struct Point {
    double hz = 0.0;
    double measuredDb = 0.0;
    double idealDb = 0.0;
};

// Runs `frames` samples through the effect under test, continuing its stream.
using Process = std::function<void(const float* in, float* out, size_t frames)>;

struct Setup {
    double sampleRate = 48000.0;
    double cutoffHz = 1000.0;
    float level = 0.5f; // burst amplitude
    // The slowest filter the effect may be set to: the settling time allows for its decay.
    double slowestCutoffHz = 20.0;
};

// Lengths of one burst: settling samples (discarded) and the measured window.
struct Burst {
    size_t settle = 0;
    size_t window = 0;
};
Burst planBurst(double hz, const Setup& setup);

// One burst per frequency, in order, through one continuous stream.
std::vector<Point> measure(const Process& process, const std::vector<double>& hz,
                           const Setup& setup);

// The measurement as an aligned text table and as CSV.
std::string table(const std::vector<Point>& points, const Setup& setup);
std::string csv(const std::vector<Point>& points);

} // namespace response
