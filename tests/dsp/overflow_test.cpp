// The plug-in's third-order graph after full-scale input: edges of +-1.0 overshoot past the
// 32-bit range inside the graph. The graph must clip those samples and come back to rest within
// one second of silence, at the small residue that the one-pole's rounding leaves after any
// signal, never at a sustained oscillation.
#include "plugin/highpass_graph.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t fullScale = 1 << 30; // the plug-in's 1.0
using Signal = std::vector<int32_t>;

class Overflow : public testing::Test {
protected:
    void TearDown() override { VX_Soundpipe::current = nullptr; }
};

// The cutoff the plug-in sets for a knob position: 20 to 10000 Hz along the square of it.
double cutoffForKnob(double knob) {
    const float t = static_cast<float>(knob);
    return 9980.0f * (t * t) + 20.0f;
}

// The largest magnitude of the output from 1 s to 1.1 s after `signal` ended, silence after it.
int32_t residueAfter(int32_t rate, double knob, const Signal& signal) {
    HighpassGraph graph;
    graph.setClock(rate);
    graph.setCutoff(cutoffForKnob(knob));
    Signal x = signal;
    const size_t from = x.size() + static_cast<size_t>(rate);
    x.resize(from + static_cast<size_t>(rate / 10), 0);
    const Signal y = graph.run(x);
    int64_t peak = 0;
    for (size_t i = from; i < y.size(); ++i) peak = std::max<int64_t>(peak, std::llabs(y[i]));
    return static_cast<int32_t>(peak);
}

Signal square(size_t n, size_t period, int32_t level) {
    Signal x(n);
    for (size_t i = 0; i < n; ++i) x[i] = (i % period) < period / 2 ? level : -level;
    return x;
}

// Noise of `gain` times `level`, clipped to +-level as the plug-in clips its input to +-1.0.
Signal clippedNoise(size_t n, int32_t level, int gain, uint32_t seed) {
    IntegerNoise noise(seed);
    Signal x(n);
    for (auto& s : x)
        s = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{noise.next(level)} * gain, -level, level));
    return x;
}

// -1.0 long enough for the filters to come to rest there, then +1.0.
Signal step(size_t n) {
    Signal x(n, -fullScale);
    std::fill(x.begin() + static_cast<std::ptrdiff_t>(n / 2), x.end(), fullScale);
    return x;
}

// +1.0 and -1.0 in two single samples.
Signal impulses(size_t n) {
    Signal x(n, 0);
    x[n / 2] = fullScale;
    x[n / 2 + 1] = -fullScale;
    return x;
}

// What the arithmetic leaves after signals that never overflow (half scale: their edges stay
// far inside the range).
int32_t referenceResidue(int32_t rate, double knob) {
    const size_t n = static_cast<size_t>(rate / 4);
    return std::max(
        residueAfter(rate, knob, square(n, static_cast<size_t>(rate / 100), fullScale / 2)),
        residueAfter(rate, knob, clippedNoise(n, fullScale / 2, 1, 5)));
}

// The most any signal may leave: four times the reference, or 16 units where the references
// come to rest within a unit or two and rounding lands a few units either way.
int32_t allowedResidue(int32_t reference) {
    return std::max(4 * reference, 16);
}

std::string setting(int32_t rate, double knob) {
    return std::to_string(rate) + " Hz, knob " + std::to_string(knob) + " (cutoff " +
           std::to_string(cutoffForKnob(knob)) + " Hz)";
}

TEST_F(Overflow, FullScaleEdgesSettleWithinOneSecondEverywhere) {
    const int32_t rates[] = {8000, 22050, 44100, 96000, 192000};
    const double knobs[] = {0.0, 0.05, 0.1, 0.15, 0.3, 1.0};
    for (int32_t rate : rates) {
        const size_t n = static_cast<size_t>(rate / 4);
        const struct {
            const char* name;
            Signal x;
        } signals[] = {
            {"100 Hz square", square(n, static_cast<size_t>(rate / 100), fullScale)},
            {"clipped noise", clippedNoise(n, fullScale, 4, static_cast<uint32_t>(rate))},
            {"step", step(n)},
            {"impulses", impulses(n)},
        };
        for (double knob : knobs) {
            const int32_t reference = referenceResidue(rate, knob);
            // The one-pole's rest is furthest from zero at the lowest cutoff and the highest
            // rate: about -59 dBFS at 192 kHz.
            EXPECT_LT(reference, fullScale / 500) << setting(rate, knob);
            const int32_t allowed = allowedResidue(reference);
            for (const auto& s : signals)
                EXPECT_LE(residueAfter(rate, knob, s.x), allowed)
                    << s.name << ", " << setting(rate, knob);
        }
    }
}

// Random full-scale material: runs of squares of any period, clipped noise, held levels and
// single samples, at random rates and knob positions.
TEST_F(Overflow, RandomFullScaleSignalsSettleWithinOneSecond) {
    IntegerNoise pick(424242);
    for (int round = 0; round < 16; ++round) {
        const int32_t rate = 8000 + static_cast<int32_t>(pick.nextBits() % 184001);
        const double knob = (pick.nextBits() % 1001) / 1000.0;
        Signal x;
        for (uint32_t parts = 2 + pick.nextBits() % 5; parts > 0; --parts) {
            const size_t n = static_cast<size_t>(rate / 200) +
                             pick.nextBits() % static_cast<uint32_t>(rate / 20);
            Signal part;
            switch (pick.nextBits() % 4) {
            case 0:
                part = square(n, 2 + pick.nextBits() % 4000, fullScale);
                break;
            case 1:
                part = clippedNoise(
                    n, fullScale, 1 + static_cast<int>(pick.nextBits() % 8), pick.nextBits());
                break;
            case 2:
                part = Signal(n, pick.nextBits() & 1 ? fullScale : -fullScale);
                break;
            default:
                part = impulses(n);
                break;
            }
            x.insert(x.end(), part.begin(), part.end());
        }
        EXPECT_LE(residueAfter(rate, knob, x), allowedResidue(referenceResidue(rate, knob)))
            << "round " << round << ", " << setting(rate, knob);
    }
}

} // namespace
